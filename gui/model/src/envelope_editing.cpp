#include "kaleidra/gui/envelope_editing.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "kaleidra/gui/number_text.h"
#include "kaleidra/scene/evaluation.h"
#include "kaleidra/scene/scene.h"

namespace kdr::gui {
namespace {

constexpr std::uint16_t first_envelope_id = 40001;

bool id_used(const Scene* scene, std::uint16_t id) {
    if (scene == nullptr) {
        return false;
    }
    return std::any_of(scene->envelopes.begin(), scene->envelopes.end(),
                       [id](const auto& envelope) { return envelope->id == id; });
}

scene::Envelope* find_envelope(const Scene& scene, const EnvelopeChannel& channel) {
    for (const auto& envelope : scene.envelopes) {
        if (envelope->link_id == channel.link_id && envelope->parameter == channel.parameter) {
            return envelope.get();
        }
    }
    return nullptr;
}

void erase_envelope(Scene& scene, const scene::Envelope* envelope) {
    std::erase_if(scene.envelopes, [envelope](const auto& item) { return item.get() == envelope; });
    scene.link();
}

}  // namespace

std::uint16_t new_envelope_id(const Scene& user, const Scene* effect) {
    std::uint16_t id = user.envelopes.empty()
                           ? first_envelope_id
                           : static_cast<std::uint16_t>(user.envelopes.back()->id + 1);
    // An id another envelope already has would make the engines replace
    // that envelope's keys with this one's.
    for (int tries = 0; tries < 0x10000; ++tries) {
        if (id != 0 && !id_used(&user, id) && !id_used(effect, id)) {
            break;
        }
        id = static_cast<std::uint16_t>(id + 1);
    }
    return id;
}

std::optional<EnvelopeSession> open_envelope(EffectSettings& record, const EnvelopeChannel& channel,
                                             const Scene* effect) {
    Scene* user = settings_scene(record);
    if (user == nullptr) {
        return std::nullopt;
    }
    EnvelopeSession session;
    try {
        session.envelope = find_envelope(*user, channel);
        if (session.envelope == nullptr && channel.link_id != 0 && effect != nullptr) {
            if (const scene::Envelope* own = find_envelope(*effect, channel)) {
                auto copy = std::make_unique<scene::Envelope>(*own);
                session.envelope = copy.get();
                user->envelopes.push_back(std::move(copy));
                session.created = true;
            }
        }
        if (session.envelope == nullptr) {
            auto made = std::make_unique<scene::Envelope>();
            made->id = new_envelope_id(*user, effect);
            made->link_id = channel.link_id;
            made->parent_id = 0;
            made->start = 0;
            made->end = 1;
            made->parameter = channel.parameter;
            session.envelope = made.get();
            user->envelopes.push_back(std::move(made));
            session.created = true;
        }
        user->link();
        session.backup = session.envelope->keys;
        if (session.envelope->keys.empty()) {
            for (float time : {0.0f, 1.0f}) {
                EnvelopeKey key;
                key.time = time;
                key.value = channel.current_value;
                session.envelope->keys.push_back(key);
            }
        }
    } catch (const std::bad_alloc&) {
        if (session.created && session.envelope != nullptr) {
            erase_envelope(*user, session.envelope);
        }
        return std::nullopt;
    }
    return session;
}

void end_envelope(EffectSettings& record, const EnvelopeSession& session, EditorEnd end) {
    Scene* user = settings_scene(record);
    if (user == nullptr || session.envelope == nullptr) {
        return;
    }
    switch (end) {
        case EditorEnd::ok:
            break;
        case EditorEnd::cancel:
            if (session.created) {
                erase_envelope(*user, session.envelope);
            } else {
                session.envelope->keys = session.backup;
            }
            break;
        case EditorEnd::remove:
            erase_envelope(*user, session.envelope);
            break;
    }
}

float time_of_percent(int percent) {
    return static_cast<float>(std::clamp(percent, 0, 100) / 100.0);
}

int envelope_key_at(const std::vector<EnvelopeKey>& keys, float time) {
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].time == time) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int put_envelope_key(std::vector<EnvelopeKey>& keys, const EnvelopeKey& key) {
    if (const int at = envelope_key_at(keys, key.time); at >= 0) {
        keys[static_cast<std::size_t>(at)] = key;
        return at;
    }
    const auto place =
        std::upper_bound(keys.begin(), keys.end(), key.time,
                         [](float time, const EnvelopeKey& other) { return time < other.time; });
    const auto index = place - keys.begin();
    keys.insert(place, key);
    return static_cast<int>(index);
}

bool remove_envelope_key(std::vector<EnvelopeKey>& keys, float time) {
    const int at = envelope_key_at(keys, time);
    if (at < 0) {
        return false;
    }
    keys.erase(keys.begin() + at);
    return true;
}

int next_envelope_key(const std::vector<EnvelopeKey>& keys, float time) {
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].time - time > 0.001f) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int previous_envelope_key(const std::vector<EnvelopeKey>& keys, float time) {
    for (std::size_t i = keys.size(); i-- > 0;) {
        if (time - keys[i].time > 0.001f) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

EnvelopeKeyDisplay envelope_key_display(const std::vector<EnvelopeKey>& keys, float time) {
    EnvelopeKeyDisplay display;
    display.value = evaluate_envelope(keys, time);
    const int at = envelope_key_at(keys, time);
    display.key_here = at >= 0;
    if (display.key_here) {
        const EnvelopeKey& key = keys[static_cast<std::size_t>(at)];
        display.value = key.value;
        display.tension = key.tension;
        display.continuity = key.continuity;
        display.bias = key.bias;
        display.linear = key.linear != 0;
    }
    display.previous_enabled = !(display.key_here && time == 0);
    display.next_enabled = !(display.key_here && time == 1);
    display.create_enabled = !display.key_here;
    // The end keys stay.
    display.delete_enabled = display.key_here && time != 0 && time != 1;
    return display;
}

GraphPoint graph_point(const EnvelopeChannel& channel, double x, double y, double width,
                       double height) {
    GraphPoint point;
    if (!(width > 0) || !(height > 0)) {
        return point;
    }
    const double across = std::clamp(x / width, 0.0, 1.0);
    const double up = std::clamp((height - y) / height, 0.0, 1.0);
    point.time = time_of_percent(round_half_up(across * 100));
    const double range = channel.maximum - channel.minimum;
    if (channel.percent) {
        point.value = static_cast<float>(channel.minimum + round_half_up(up * 100) * range / 100.0);
    } else {
        const double value = channel.minimum + up * range;
        const double step = channel.step > 0 ? channel.step : 1;
        point.value = static_cast<float>(round_half_up(value / step) * step);
    }
    return point;
}

int graph_row(const EnvelopeChannel& channel, double value, int bottom, int height) {
    const double range = channel.maximum - channel.minimum;
    const double share = range > 0 ? (value - channel.minimum) / range : 0;
    return round_half_up(bottom - share * height);
}

int press_on_graph(std::vector<EnvelopeKey>& keys, const EnvelopeChannel& channel,
                   GraphPoint point) {
    const double near_value = 0.05 * (channel.maximum - channel.minimum);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (std::fabs(keys[i].time - point.time) <= 0.03f &&
            std::fabs(keys[i].value - point.value) < near_value) {
            keys[i].value = point.value;
            return static_cast<int>(i);
        }
    }
    if (envelope_key_at(keys, point.time) >= 0) {
        return -1;
    }
    EnvelopeKey key;
    if (!keys.empty()) {
        key = keys.back();
    }
    key.time = point.time;
    key.value = point.value;
    return put_envelope_key(keys, key);
}

bool value_in_channel(const EnvelopeChannel& channel, double value) {
    return value >= channel.minimum && value <= channel.maximum;
}

}  // namespace kdr::gui
