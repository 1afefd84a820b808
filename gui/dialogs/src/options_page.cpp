#include "options_page.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "envelope_editor.h"
#include "kaleidra/gui/envelope_channel.h"
#include "kaleidra/gui/option_values.h"
#include "kaleidra/scene/value_limits.h"
#include "radio_group.h"
#include "selection_session.h"
#include "trackbar_value.h"

namespace kdr::gui {
namespace {

constexpr ControlEntry options_controls[] = {
    {1089, ControlKind::label, "Type:", 10, 6, 30, 10},
    {1100, ControlKind::radio_button, "Fly-Off", 85, 5, 0, 10, starts_group},
    {1101, ControlKind::radio_button, "Fly-On", 130, 5, 0, 10},
    {-1, ControlKind::etched_line, nullptr, 5, 19, 195, 2},
    {-1, ControlKind::label, "Render:", 10, 26, 70, 10},
    {1103, ControlKind::radio_button, "Smooth", 85, 25, 0, 10, starts_group},
    {1104, ControlKind::radio_button, "Flat", 130, 25, 0, 10},
    {1105, ControlKind::radio_button, "Wire", 165, 25, 0, 10},
    {-1, ControlKind::label, "Quality:", 10, 41, 70, 10},
    {1106, ControlKind::radio_button, "Fastest", 85, 40, 0, 10, starts_group},
    {1107, ControlKind::radio_button, "Best", 130, 40, 0, 10},
    {-1, ControlKind::label, "Image Quality:", 10, 56, 70, 10},
    {1108, ControlKind::radio_button, "Fastest", 85, 55, 0, 10, starts_group},
    {1109, ControlKind::radio_button, "Best", 130, 55, 0, 10},
    {-1, ControlKind::label, "AntiAliasing:", 10, 71, 70, 10},
    {1114, ControlKind::check_box, "Antialiasing On/Off", 85, 70, 0, 10},
    {-1, ControlKind::etched_line, nullptr, 5, 84, 195, 2},
    {-1, ControlKind::label, "Lighting:", 10, 90, 48, 10},
    {1131, ControlKind::push_button, "E", 60, 90, 15, 10},
    {1112, ControlKind::check_box, "Lighting On/Off", 85, 90, 0, 10},
    {-1, ControlKind::label, "Light Direction:", 10, 103, 48, 16},
    {1133, ControlKind::push_button, "E", 60, 106, 15, 10},
    {1121, ControlKind::trackbar, nullptr, 80, 103, 100, 13},
    {1122, ControlKind::label, nullptr, 182, 105, 20, 8},
    {-1, ControlKind::label, "Shadows:", 10, 120, 48, 10},
    {1132, ControlKind::push_button, "E", 60, 120, 15, 10},
    {1601, ControlKind::trackbar, nullptr, 80, 118, 100, 13},
    {1602, ControlKind::label, nullptr, 182, 120, 20, 8},
    {-1, ControlKind::etched_line, nullptr, 5, 136, 195, 2},
    {-1, ControlKind::label, "Blur Pct:", 10, 144, 48, 10},
    {1134, ControlKind::push_button, "E", 60, 144, 15, 10},
    {1115, ControlKind::trackbar, nullptr, 80, 142, 100, 13},
    {1116, ControlKind::label, nullptr, 182, 144, 20, 8},
    {-1, ControlKind::label, "Blur Count:", 10, 158, 48, 10},
    {1135, ControlKind::push_button, "E", 60, 158, 15, 10},
    {1117, ControlKind::trackbar, nullptr, 80, 156, 100, 13},
    {1118, ControlKind::label, nullptr, 182, 158, 20, 8},
    {-1, ControlKind::etched_line, nullptr, 5, 174, 195, 2},
    {-1, ControlKind::label, "Transition Period:", 10, 183, 68, 10},
    {1639, ControlKind::trackbar, nullptr, 80, 181, 100, 13},
    {1640, ControlKind::label, nullptr, 182, 183, 20, 8},
};

constexpr RadioIds fly_radios{1100, 2};
constexpr RadioIds style_radios{1103, 3};
constexpr RadioIds quality_radios{1106, 2};
constexpr RadioIds image_quality_radios{1108, 2};

// Each "E" button, the value it drives and the control an envelope disables.
struct Marker {
    int button_id;
    int parameter;
    int control_id;
};
constexpr Marker markers[] = {
    {1131, global_lighting, 1112},   {1133, global_light_direction, 1121},
    {1132, global_shadows, 1601},    {1134, global_blur_percent, 1115},
    {1135, global_blur_count, 1117},
};

int stored_index(float value) {
    return whole_value(value, -1, 1000);
}

}  // namespace

OptionsPage::OptionsPage(SelectionSession& session) : OptionPage(session, 103, "Options") {}

void OptionsPage::create_page_controls() {
    create_controls(this, options_controls, units());
    auto trackbar = [this](int id, int minimum, int maximum, int page) {
        auto* value =
            new TrackbarValue(findChild<QSlider*>(QString::number(id)),
                              findChild<QLabel*>(QString::number(id + 1)), [this] { command(); });
        value->set_up(minimum, maximum, page);
        return value;
    };
    m_light_direction = trackbar(1121, 0, 360, 45);
    m_shadows = trackbar(1601, 0, 100, 10);
    m_blur_percent = trackbar(1115, 0, 100, 10);
    m_blur_count = trackbar(1117, 0, 10, 0);
    m_transition = trackbar(1639, 0, 100, 10);

    for (int id : {1100, 1101, 1103, 1104, 1105, 1106, 1107, 1108, 1109, 1114, 1112}) {
        connect(findChild<QAbstractButton*>(QString::number(id)), &QAbstractButton::clicked, this,
                [this] { command(); });
    }
    for (const Marker& marker : markers) {
        connect(findChild<QPushButton*>(QString::number(marker.button_id)), &QPushButton::clicked,
                this, [this, id = marker.button_id] { envelope_clicked(id); });
    }
    // A filter has no fly-on or fly-off.
    const bool filter = session().filter_mode();
    for (int id : {1089, 1100, 1101}) {
        findChild<QWidget*>(QString::number(id))->setEnabled(!filter);
    }
    fill();
    after_command();
}

void OptionsPage::fill() {
    if (!created()) {
        return;
    }
    m_filling = true;
    EffectSettings& record = session().record();
    check_radio(this, fly_radios, stored_index(record.globals[global_fly_direction]));
    check_radio(this, style_radios, stored_index(record.globals[global_render_style]));
    check_radio(this, quality_radios, stored_index(record.globals[global_render_quality]));
    check_radio(this, image_quality_radios, stored_index(record.globals[global_image_quality]));
    if (record.globals[global_antialias] > 1) {
        record.globals[global_antialias] = 1;
    }
    findChild<QCheckBox*>("1114")->setChecked(record.globals[global_antialias] != 0);
    findChild<QCheckBox*>("1112")->setChecked(record.globals[global_lighting] != 0);
    m_light_direction->show_value(record.globals[global_light_direction]);
    m_shadows->show_value(record.globals[global_shadows]);
    m_blur_percent->show_value(record.globals[global_blur_percent]);
    m_blur_count->show_value(record.globals[global_blur_count]);
    m_transition->show_value(record.globals[global_transition_period]);
    set_markers();
    m_filling = false;
}

void OptionsPage::set_markers() {
    const EffectSettings& record = session().record();
    for (const Marker& marker : markers) {
        const bool driven = settings_envelope(record, marker.parameter) != nullptr;
        findChild<QPushButton*>(QString::number(marker.button_id))->setText(driven ? "E*" : "E");
        findChild<QWidget*>(QString::number(marker.control_id))->setEnabled(!driven);
    }
}

void OptionsPage::store() {
    if (!created() || m_filling) {
        return;
    }
    EffectSettings& record = session().record();
    float* globals = record.globals;
    const int stored_fly = stored_index(globals[global_fly_direction]);
    const int fly = checked_radio(this, fly_radios, stored_fly);
    if (fly != stored_fly) {
        const SelectedEffect& selected = session().selected();
        if (fly_change_exchanges(globals[global_fly_direction], fly, selected.scene.type,
                                 selected.loaded, session().preferences().eff_autoreverse)) {
            exchange_first_two_videos(record);
        }
        globals[global_fly_direction] = static_cast<float>(fly);
    }
    // A group with no button checked (its stored value named none) keeps
    // its value.
    auto radio_value = [&](RadioIds ids, int value) {
        if (const int index = checked_radio(this, ids, -1); index >= 0) {
            globals[value] = static_cast<float>(index);
        }
    };
    radio_value(style_radios, global_render_style);
    radio_value(quality_radios, global_render_quality);
    radio_value(image_quality_radios, global_image_quality);
    globals[global_antialias] = findChild<QCheckBox*>("1114")->isChecked() ? 1.0f : 0.0f;
    globals[global_lighting] = findChild<QCheckBox*>("1112")->isChecked() ? 1.0f : 0.0f;
    globals[global_light_direction] = static_cast<float>(m_light_direction->value());
    globals[global_shadows] = static_cast<float>(m_shadows->value());
    globals[global_blur_percent] = static_cast<float>(m_blur_percent->value());
    globals[global_blur_count] = static_cast<float>(m_blur_count->value());
    globals[global_transition_period] = static_cast<float>(m_transition->value());
}

void OptionsPage::command() {
    if (m_filling) {
        return;
    }
    store();
    after_command();
}

void OptionsPage::envelope_clicked(int button_id) {
    if (std::optional<EnvelopeChannel> channel = options_channel(button_id, session().record())) {
        (void)run_envelope_editor(session(), *channel, this);
    }
    set_markers();
    store();
    after_command();
}

}  // namespace kdr::gui
