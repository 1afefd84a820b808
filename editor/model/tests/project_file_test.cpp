#include "kaleidra/editor/project_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "kaleidra/editor_testing/editor_fixture.h"
#include "kaleidra/platform/message_box.h"
#include "kaleidra/records/image_record.h"

namespace kdr::editor {
namespace {

// A project file assembled byte by byte, independent of the editor's own
// writer and of the chunk library.
class HandFile {
  public:
    HandFile() { text("KDRP"); }

    HandFile& chunk(const char* id, const std::vector<std::uint8_t>& data) {
        text(id);
        word(static_cast<std::uint32_t>(data.size()));
        m_bytes.insert(m_bytes.end(), data.begin(), data.end());
        return *this;
    }
    void write(const std::filesystem::path& file) const {
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(m_bytes.data()),
                  static_cast<std::streamsize>(m_bytes.size()));
    }
    std::vector<std::uint8_t>& bytes() { return m_bytes; }

  private:
    void text(const char* id) {
        for (int i = 0; i < 4; ++i) {
            m_bytes.push_back(static_cast<std::uint8_t>(id[i]));
        }
    }
    void word(std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            m_bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    }
    std::vector<std::uint8_t> m_bytes;
};

void put_word(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::uint32_t word_at(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

std::vector<std::uint8_t> hand_settings() {
    std::vector<std::uint8_t> bytes(400, 0);
    put_word(bytes, 32, 0x73646976);  // "vids"
    put_word(bytes, 36, 0x6376736d);  // "msvc"
    put_word(bytes, 56, 0xdeadbeef);  // pointers as a running program left them
    put_word(bytes, 64, 0x00c0ffee);
    put_word(bytes, 68, 4);
    put_word(bytes, 76, 80);
    put_word(bytes, 80, 60);
    put_word(bytes, 340, 0x73646976);
    put_word(bytes, 344, 0x47504a4d);  // "MJPG"
    put_word(bytes, 364, 0x11111111);
    put_word(bytes, 372, 0x22222222);
    put_word(bytes, 376, 8);
    put_word(bytes, 384, 25);
    put_word(bytes, 388, 320);
    put_word(bytes, 392, 240);
    put_word(bytes, 396, 1);
    return bytes;
}

std::vector<std::uint8_t> hand_item(const std::string& name, std::int32_t kind, std::int32_t track,
                                    std::int32_t start, std::int32_t length,
                                    const std::vector<std::uint8_t>& tail = {}) {
    std::vector<std::uint8_t> bytes(284, 0);
    std::memcpy(bytes.data(), name.data(), name.size());
    const std::int32_t numbers[] = {kind, track, start, length, 0, 0, 0};
    for (int i = 0; i < 7; ++i) {
        put_word(bytes, 256 + 4 * i, static_cast<std::uint32_t>(numbers[i]));
    }
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    return bytes;
}

// A stored settings block by hand: size word, "KDRR", one "RIN0" chunk of
// 961 bytes with the effect name and global value 2 (render quality) = 1.
std::vector<std::uint8_t> hand_settings_block(const std::string& effect) {
    constexpr std::size_t rin0_size = 961;
    std::vector<std::uint8_t> block(16 + rin0_size, 0);
    put_word(block, 0, static_cast<std::uint32_t>(block.size()));
    std::memcpy(&block[4], "KDRRRIN0", 8);
    put_word(block, 12, rin0_size);
    std::memcpy(&block[16], effect.data(), effect.size());
    const float one = 1.0f;
    std::memcpy(&block[16 + 44 + 2 * 4], &one, 4);
    return block;
}

std::vector<std::uint8_t> word_bytes(std::uint32_t value) {
    std::vector<std::uint8_t> bytes(4);
    put_word(bytes, 0, value);
    return bytes;
}

std::vector<std::uint8_t> read_bytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> chunk_ids(const std::vector<std::uint8_t>& file) {
    std::vector<std::string> ids;
    for (std::size_t at = 4; at + 8 <= file.size(); at += 8 + word_at(file, at + 4)) {
        ids.emplace_back(reinterpret_cast<const char*>(&file[at]), 4);
    }
    return ids;
}

class ProjectFile : public test::EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        m_previous = platform::set_message_box_handler(
            [this](const std::string& title, const std::string& text, platform::MessageKind) {
                messages.push_back(title + ": " + text);
                return platform::MessageAnswer::ok;
            });
        write_effect("Blinds", 1, 2);
        clip = write_clip("clip.avi", 1, 12);
        picture = write_bitmap("picture.bmp", {1, 2, 3});
    }
    void TearDown() override { platform::set_message_box_handler(m_previous); }

    Result<LoadReport> load(Project& project, const std::filesystem::path& file) {
        project.clear(default_output_settings(), file.string());
        return load_project(project);
    }
    std::vector<std::uint8_t> save_as(Project& project, const std::filesystem::path& file) {
        project.file_name = file.string();
        const Status saved = save_project(project);
        EXPECT_TRUE(saved.ok()) << saved.error();
        return read_bytes(file);
    }

    HandFile hand_project() {
        HandFile file;
        std::vector<std::uint8_t> final_block = {1, 2, 3, 4, 5, 6, 7, 8};
        float zoom = 2.5f;
        std::vector<std::uint8_t> zoom_bytes(4);
        std::memcpy(zoom_bytes.data(), &zoom, 4);
        file.chunk("SETW", hand_settings())
            .chunk("PRVX", word_bytes(75))
            .chunk("OUTX", final_block)
            .chunk("ZOOM", zoom_bytes)
            .chunk("VSTR", word_bytes(12))
            .chunk("TRCK", word_bytes(2))
            .chunk("ITEM", hand_item(clip.string(), 2, 1, 0, 12))
            .chunk("ITEM", hand_item("", 1, 0, 3, 5, hand_settings_block("Blinds")))
            .chunk("ITEM", hand_item(picture.string(), 3, 2, 4, 6));
        return file;
    }

    std::vector<std::string> messages;
    std::filesystem::path clip;
    std::filesystem::path picture;

  private:
    platform::MessageBoxHandler m_previous;
};

TEST_F(ProjectFile, EmptyProjectSavesTheSixChunksAndLoadsWithThreeRows) {
    Project project;
    project.clear(default_output_settings(), "");
    project.modified = true;
    const auto bytes = save_as(project, projects() / "empty.kdp");
    EXPECT_FALSE(project.modified);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "KDRP");
    EXPECT_EQ(chunk_ids(bytes),
              (std::vector<std::string>{"SETW", "PRVX", "OUTX", "ZOOM", "VSTR", "TRCK"}));

    Project loaded;
    ASSERT_TRUE(load(loaded, projects() / "empty.kdp").ok());
    EXPECT_EQ(loaded.item_count(), 0);
    EXPECT_EQ(loaded.track_rows, 3);
    EXPECT_EQ(loaded.project_length, 0);
    EXPECT_EQ(loaded.output, project.output);
}

TEST_F(ProjectFile, HandMadeFileLoadsWithExactlyItsItems) {
    hand_project().write(projects() / "hand.kdp");
    Project project;
    Result<LoadReport> report = load(project, projects() / "hand.kdp");
    ASSERT_TRUE(report.ok()) << report.error();
    EXPECT_TRUE(report->refused.empty());
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(project.modified);

    ASSERT_EQ(project.item_count(), 3);  // reverse chunk order
    const TimelineItem& bitmap = *project.items()[0];
    const TimelineItem& effect = *project.items()[1];
    const TimelineItem& video = *project.items()[2];
    EXPECT_EQ(bitmap.kind, ItemKind::bitmap);
    EXPECT_EQ(bitmap.file_name, picture.string());
    EXPECT_EQ(bitmap.track, 2);
    EXPECT_EQ(bitmap.start, 4);
    EXPECT_EQ(bitmap.length, 6);
    EXPECT_EQ(effect.kind, ItemKind::effect);
    EXPECT_STREQ(effect.settings().name, "Blinds");
    EXPECT_EQ(effect.settings().globals[global_render_quality], 1.0f);
    EXPECT_EQ(effect.tracks_used, 2);
    EXPECT_EQ(effect.effect_type, 1);
    EXPECT_EQ(effect.start, 3);
    EXPECT_EQ(video.kind, ItemKind::video);
    EXPECT_EQ(video.clip_frames, 12);
    EXPECT_EQ(video.length, 12);

    EXPECT_EQ(project.zoom, 2.5f);
    EXPECT_EQ(project.view_start, 12);
    EXPECT_EQ(project.selected_track, 2);
    EXPECT_EQ(project.project_length, 12);
    EXPECT_EQ(project.output.rate, 25);
    EXPECT_EQ(project.output.final_width, 320);
    EXPECT_EQ(project.output.field_mode, 1);
    EXPECT_EQ(project.output.final_options.handler, video::make_fourcc("MJPG"));
    EXPECT_EQ(project.output.preview_options.parameters, (std::vector<std::uint8_t>{75, 0, 0, 0}));
    EXPECT_EQ(project.output.final_options.parameters,
              (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(ProjectFile, TwoLoadAndSaveCyclesGiveTheFirstSaveBack) {
    hand_project().write(projects() / "hand.kdp");
    Project first;
    ASSERT_TRUE(load(first, projects() / "hand.kdp").ok());
    const auto saved_once = save_as(first, projects() / "one.kdp");

    // The pointer words of both options blocks are stored as 0.
    for (std::size_t offset : {56u, 64u, 364u, 372u}) {
        EXPECT_EQ(word_at(saved_once, 12 + offset), 0u) << "SETW offset " << offset;
    }
    EXPECT_EQ(word_at(saved_once, 12 + 68), 4u);
    EXPECT_EQ(word_at(saved_once, 12 + 376), 8u);

    Project second;
    ASSERT_TRUE(load(second, projects() / "one.kdp").ok());
    const auto saved_twice = save_as(second, projects() / "two.kdp");
    EXPECT_NE(saved_twice, saved_once);  // one cycle reverses the items
    Project third;
    ASSERT_TRUE(load(third, projects() / "two.kdp").ok());
    EXPECT_EQ(third.items()[0]->kind, first.items()[0]->kind);
    const auto saved_thrice = save_as(third, projects() / "three.kdp");
    EXPECT_EQ(saved_thrice, saved_once);
}

TEST_F(ProjectFile, MissingEffectLoadsAndMissingClipIsReportedOnceAndLeftOut) {
    hand_project().write(projects() / "hand.kdp");
    std::filesystem::remove(effects() / "Blinds.KDR");
    std::filesystem::remove(clip);
    Project project;
    Result<LoadReport> report = load(project, projects() / "hand.kdp");
    ASSERT_TRUE(report.ok());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
              "Project Load Error: Could not find " + clip.string() + ". Item not loaded.");
    ASSERT_EQ(report->refused.size(), 1u);
    EXPECT_NE(report->refused[0].reason.find("clip.avi"), std::string::npos);
    ASSERT_EQ(project.item_count(), 2);
    const TimelineItem& effect = *project.items()[1];
    EXPECT_EQ(effect.kind, ItemKind::effect);
    EXPECT_EQ(effect.tracks_used, 0);
    EXPECT_FALSE(image_has_pixels(effect.image()));
    EXPECT_EQ(project.track_rows, 1);
}

struct HostileItem {
    const char* what;
    std::vector<std::uint8_t> (*make)(const std::string& picture);
};

class HostileItems : public ProjectFile, public ::testing::WithParamInterface<HostileItem> {};

TEST_P(HostileItems, AreRefusedWithTheLoadMessageAndTheRestLoads) {
    HandFile file;
    file.chunk("SETW", hand_settings())
        .chunk("ITEM", GetParam().make(picture.string()))
        .chunk("ITEM", hand_item(picture.string(), 3, 1, 0, 5));
    file.write(projects() / "hostile.kdp");
    Project project;
    Result<LoadReport> report = load(project, projects() / "hostile.kdp");
    ASSERT_TRUE(report.ok()) << report.error();
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(report->refused.size(), 1u);
    ASSERT_EQ(project.item_count(), 1);
    EXPECT_EQ(project.items()[0]->start, 0);
    EXPECT_EQ(project.project_length, 5);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileItems,
    ::testing::Values(
        HostileItem{"short",
                    [](const std::string& p) {
                        auto bytes = hand_item(p, 3, 1, 0, 5);
                        bytes.resize(100);
                        return bytes;
                    }},
        HostileItem{"unterminated",
                    [](const std::string& p) {
                        auto bytes = hand_item(p, 3, 1, 0, 5);
                        std::memset(bytes.data(), 'a', 256);
                        return bytes;
                    }},
        HostileItem{"negative", [](const std::string& p) { return hand_item(p, 3, 1, -5, 5); }},
        HostileItem{"empty", [](const std::string& p) { return hand_item(p, 3, 1, 0, 0); }},
        HostileItem{"huge",
                    [](const std::string& p) {
                        return hand_item(p, 3, 1, 0,
                                         static_cast<std::int32_t>(max_project_frames) + 1);
                    }},
        HostileItem{"overflow",
                    [](const std::string& p) { return hand_item(p, 3, 1, INT32_MAX - 2, 10); }},
        HostileItem{"effect_on_track_1",
                    [](const std::string&) {
                        return hand_item("", 1, 1, 0, 5, hand_settings_block("Blinds"));
                    }},
        HostileItem{"bitmap_on_track_0",
                    [](const std::string& p) { return hand_item(p, 3, 0, 0, 5); }},
        HostileItem{"unknown_kind", [](const std::string& p) { return hand_item(p, 9, 1, 0, 5); }},
        HostileItem{"cut_settings",
                    [](const std::string&) {
                        auto block = hand_settings_block("Blinds");
                        block.resize(200);
                        return hand_item("", 1, 0, 0, 5, block);
                    }},
        HostileItem{"settings_of_another_form",
                    [](const std::string&) {
                        auto block = hand_settings_block("Blinds");
                        std::memcpy(&block[4], "KDRX", 4);
                        return hand_item("", 1, 0, 0, 5, block);
                    }}),
    [](const ::testing::TestParamInfo<HostileItem>& info) { return std::string(info.param.what); });

TEST_F(ProjectFile, CutFileFailsAndKeepsTheItemsBeforeTheCut) {
    HandFile file = hand_project();
    file.bytes().resize(file.bytes().size() - 10);
    file.write(projects() / "cut.kdp");
    Project project;
    Result<LoadReport> report = load(project, projects() / "cut.kdp");
    EXPECT_FALSE(report.ok());
    EXPECT_EQ(project.item_count(), 2);
}

TEST_F(ProjectFile, OtherFilesAreNotProjects) {
    Project project;
    EXPECT_FALSE(load(project, projects() / "missing.kdp").ok());
    EXPECT_FALSE(load(project, effects() / "Blinds.KDR").ok());
}

TEST_F(ProjectFile, OversizedParameterBlocksAreDropped) {
    HandFile file;
    file.chunk("SETW", hand_settings())
        .chunk("PRVX", std::vector<std::uint8_t>(video::max_parameter_size + 1, 7))
        .chunk("OUTX", {});
    file.write(projects() / "big.kdp");
    Project project;
    ASSERT_TRUE(load(project, projects() / "big.kdp").ok());
    EXPECT_TRUE(project.output.preview_options.parameters.empty());
    EXPECT_EQ(project.output.preview_options.parameter_size, 0u);
    EXPECT_TRUE(project.output.final_options.parameters.empty());
}

TEST_F(ProjectFile, SettingsStoredAfterTheParameterBlocksKeepThem) {
    HandFile file;
    file.chunk("PRVX", {9, 9}).chunk("SETW", hand_settings());
    file.write(projects() / "late.kdp");
    Project project;
    ASSERT_TRUE(load(project, projects() / "late.kdp").ok());
    EXPECT_EQ(project.output.preview_options.parameters, (std::vector<std::uint8_t>{9, 9}));
    // No "OUTX": the stored size means nothing without its block.
    EXPECT_TRUE(project.output.final_options.parameters.empty());
}

TEST_F(ProjectFile, SaveThatCannotWriteFailsAndLeavesTheProjectModified) {
    Project project;
    project.clear(default_output_settings(), "");
    project.add_item(effect_item("Blinds", 0, 5));
    project.file_name = (projects() / "no-such-folder" / "p.kdp").string();
    const Status saved = save_project(project);
    EXPECT_FALSE(saved.ok());
    EXPECT_NE(saved.error().find("p.kdp"), std::string::npos) << saved.error();
    EXPECT_TRUE(project.modified);
}

}  // namespace
}  // namespace kdr::editor
