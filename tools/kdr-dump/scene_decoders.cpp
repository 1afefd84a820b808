#include "scene_decoders.h"

#include <cstring>

#include "kaleidra/scene/scene.h"
#include "scene_lines.h"

namespace kdr::dump {
namespace {

using chunks::make_id;

// Counts the items that were built, kind by kind, for the summary.
class ItemTally {
  public:
    void count(const chunks::Chunk& chunk, const std::vector<std::string>& lines) {
        if (is_item_chunk(chunk.id) && !lines.empty() && lines[0].rfind("dropped", 0) != 0) {
            for (int kind = 0; kind < scene::item_kind_count; ++kind) {
                if (lines[0].rfind(kind_name(static_cast<scene::ItemKind>(kind)), 0) == 0) {
                    ++m_counts[kind];
                }
            }
        } else if (is_item_chunk(chunk.id)) {
            ++m_dropped;
        }
    }
    std::string summary() const {
        std::string text = "items:";
        for (int kind = 0; kind < scene::item_kind_count; ++kind) {
            text += " " + std::to_string(m_counts[kind]) + " " +
                    kind_name(static_cast<scene::ItemKind>(kind));
        }
        if (m_dropped != 0) {
            text += ", " + std::to_string(m_dropped) + " dropped";
        }
        return text;
    }

  private:
    int m_counts[scene::item_kind_count] = {};
    int m_dropped = 0;
};

class EffectDecoder final : public FormDecoder {
  public:
    std::vector<std::string> describe(const chunks::Chunk& chunk) override {
        std::vector<std::string> lines = describe_scene_chunk(chunk, m_video_count);
        m_tally.count(chunk, lines);
        return lines;
    }
    std::vector<std::string> finish() override { return {m_tally.summary()}; }

  private:
    std::uint32_t m_video_count = 0;
    ItemTally m_tally;
};

class SettingsDecoder final : public FormDecoder {
  public:
    std::vector<std::string> describe(const chunks::Chunk& chunk) override {
        if (chunk.id == make_id("RIN0")) {
            return describe_record(chunk);
        }
        // Settings blocks carry no preview or catalogue word: readers skip them.
        if (chunk.id == make_id("ALOW") || chunk.id == make_id("IMG0")) {
            return {"not read from settings blocks"};
        }
        std::vector<std::string> lines = describe_scene_chunk(chunk, m_video_count);
        m_tally.count(chunk, lines);
        return lines;
    }
    std::vector<std::string> finish() override { return {m_tally.summary()}; }

  private:
    static std::vector<std::string> describe_record(const chunks::Chunk& chunk) {
        // The chunk lands on the start of the record, at most 964 bytes.
        EffectSettings record{};
        const std::size_t count =
            std::min<std::size_t>(chunk.length, offsetof(EffectSettings, scene_storage));
        std::memcpy(&record, chunk.data, count);
        record.name[effect_name_size - 1] = '\0';
        std::vector<std::string> lines;
        lines.push_back("effect \"" + std::string(record.name) + "\"" +
                        (chunk.length != 961 ? "  (" + std::to_string(chunk.length) +
                                                   " bytes where 961 are written)"
                                             : ""));
        for (std::string& line : value_lines(record.globals, record.video_values)) {
            lines.push_back(std::move(line));
        }
        return lines;
    }

    std::uint32_t m_video_count = 0;
    ItemTally m_tally;
};

}  // namespace

std::unique_ptr<FormDecoder> make_effect_decoder() {
    return std::make_unique<EffectDecoder>();
}

std::unique_ptr<FormDecoder> make_settings_decoder() {
    return std::make_unique<SettingsDecoder>();
}

}  // namespace kdr::dump
