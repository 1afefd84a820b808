#include "item_file_decoders.h"

#include <cstdio>
#include <cstring>

#include "kaleidra/scene/item_files.h"
#include "scene_lines.h"

namespace kdr::dump {
namespace {

using chunks::make_id;

std::string format(const char* pattern, auto... values) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, pattern, values...);
    return buffer;
}

std::uint32_t word_at(const chunks::Chunk& chunk, std::size_t offset) {
    if (chunk.length < offset + 4) {
        return 0;
    }
    const std::uint8_t* p = chunk.data + offset;
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

float float_at(const chunks::Chunk& chunk, std::size_t offset) {
    const std::uint32_t bits = word_at(chunk, offset);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::string header_text(const scene::SceneItem& item) {
    return format("id %u  link %d  parent %d  start %s  end %s", item.id, item.link_id,
                  item.parent_id, number(item.start).c_str(), number(item.end).c_str());
}

std::string parameter_text(const scene::Envelope& envelope) {
    const int parameter = envelope.parameter;
    if (envelope.link_id != 0) {
        const char* what = parameter == 0   ? "own transparency"
                           : parameter == 1 ? "morph position"
                                            : "parameter";
        return format("%d (%s of item %d)", parameter, what, envelope.link_id);
    }
    if (parameter < 22) {
        return format("%d (%s)", parameter, global_meaning(parameter));
    }
    if (parameter >= 100 && parameter < 2100 && parameter % 100 < 10) {
        return format("%d (video %d %s)", parameter, parameter / 100,
                      video_meaning(parameter % 100));
    }
    return format("%d (drives nothing)", parameter);
}

// Why an item chunk of `header_size` bytes before keys of `key_size` was
// refused, from its bytes.
std::string refusal(const chunks::Chunk& chunk, std::size_t header_size, std::size_t key_size,
                    const char* what) {
    if (chunk.length < header_size) {
        return format("refused: %u bytes, too short for the %s header of %zu", chunk.length, what,
                      header_size);
    }
    const std::uint64_t count = word_at(chunk, header_size - 4);
    const std::uint64_t room = (chunk.length - header_size) / key_size;
    if (count > room) {
        return format("refused: states %llu keys, holds room for %llu",
                      static_cast<unsigned long long>(count),
                      static_cast<unsigned long long>(room));
    }
    if (count == 0) {
        return "refused: no keys";
    }
    return "refused: a key's time is outside 0..1 or goes back, or a number is not finite";
}

class EnvelopeFileDecoder final : public FormDecoder {
  public:
    std::vector<std::string> describe(const chunks::Chunk& chunk) override {
        if (chunk.id != make_id("ENV0")) {
            return {m_first ? "not an envelope: the file is read no further"
                            : "after the envelope: not read"};
        }
        if (!m_first) {
            return {"a second envelope: not read"};
        }
        m_first = false;
        scene::Envelope envelope;
        if (!envelope_from_chunk(chunk, envelope)) {
            return {refusal(chunk, 22, 24, "envelope")};
        }
        const std::uint32_t stored = word_at(chunk, 18);
        std::vector<std::string> lines;
        lines.push_back("envelope " + header_text(envelope) + "  parameter " +
                        parameter_text(envelope) + format("  %u keys", stored));
        const bool added_first = float_at(chunk, 22) != 0;
        for (std::size_t i = 0; i < envelope.keys.size(); ++i) {
            const EnvelopeKey& key = envelope.keys[i];
            const bool added =
                (i == 0 && added_first) || (i + 1 == envelope.keys.size() &&
                                            envelope.keys.size() > stored + (added_first ? 1 : 0));
            lines.push_back(format(
                "key %zu: time %s  value %s  tension %s  continuity %s  bias %s%s%s", i,
                number(key.time).c_str(), number(key.value).c_str(), number(key.tension).c_str(),
                number(key.continuity).c_str(), number(key.bias).c_str(),
                key.linear != 0 ? "  linear" : "", added ? "  (added on reading)" : ""));
        }
        return lines;
    }

  private:
    bool m_first = true;
};

class PathFileDecoder final : public FormDecoder {
  public:
    std::vector<std::string> describe(const chunks::Chunk& chunk) override {
        if (chunk.id != make_id("PTH0")) {
            return {m_first ? "not a path: the file is read no further"
                            : "after the path: not read"};
        }
        if (!m_first) {
            return {"a second path: not read"};
        }
        m_first = false;
        scene::Path path;
        if (!path_from_chunk(chunk, path)) {
            return {refusal(chunk, 20, 56, "path")};
        }
        std::vector<std::string> lines;
        lines.push_back("path " + header_text(path) + format("  %zu keys", path.keys.size()));
        for (std::size_t i = 0; i < path.keys.size(); ++i) {
            const PathKey& key = path.keys[i];
            lines.push_back(format("key %zu: time %s  %s  tension %s  continuity %s  bias %s%s", i,
                                   number(key.time).c_str(), motion_text(key).c_str(),
                                   number(key.tension).c_str(), number(key.continuity).c_str(),
                                   number(key.bias).c_str(), key.linear != 0 ? "  linear" : ""));
        }
        return lines;
    }

  private:
    bool m_first = true;
};

}  // namespace

std::unique_ptr<FormDecoder> make_envelope_file_decoder() {
    return std::make_unique<EnvelopeFileDecoder>();
}

std::unique_ptr<FormDecoder> make_path_file_decoder() {
    return std::make_unique<PathFileDecoder>();
}

}  // namespace kdr::dump
