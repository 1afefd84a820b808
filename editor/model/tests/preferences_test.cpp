#include "kaleidra/editor/preferences.h"

#include <gtest/gtest.h>

#include "kaleidra/editor_testing/editor_fixture.h"

namespace kdr::editor {
namespace {

using platform::RegistryValue;

class PreferencesTest : public test::EditorTest {
  protected:
    Preferences preferences = Preferences::open_default();
    const platform::Registry& store() const { return preferences.registry(); }

    std::optional<RegistryValue> value(const char* name) const {
        return store().get(editor_registry_key, name);
    }
    void remove(const char* name) const {
        ASSERT_TRUE(store().remove(editor_registry_key, name).ok());
    }
};

TEST_F(PreferencesTest, CreatedDefaultsAreTheBuiltInValues) {
    ASSERT_TRUE(preferences.create_defaults());
    EXPECT_EQ(value("PrevWidth")->number, 64u);
    EXPECT_EQ(value("PrevHeight")->number, 48u);
    EXPECT_EQ(value("OutWidth")->number, 160u);
    EXPECT_EQ(value("OutHeight")->number, 120u);
    EXPECT_EQ(value("OutRate")->number, 30u);
    EXPECT_EQ(value("OutField")->number, 0u);
    EXPECT_EQ(value("MainWinLeft")->number, 0u);
    EXPECT_EQ(value("PlayWinHeight")->number, 0u);
    EXPECT_EQ(value("PrevExtraSz")->number, 4u);
    EXPECT_EQ(value("OutExtra")->bytes, (std::vector<std::uint8_t>{75, 0, 0, 0}));
    const std::vector<std::uint8_t> options = value("OutOptions")->bytes;
    ASSERT_EQ(options.size(), 44u);
    EXPECT_EQ(std::string(options.begin(), options.begin() + 8), "vidsmsvc");
    EXPECT_EQ(options[8], 7);                         // key frame every 7
    EXPECT_EQ(options[12] | options[13] << 8, 7500);  // quality
    EXPECT_EQ(options[20], 12);                       // flags

    OutputSettings read;
    ASSERT_TRUE(preferences.read_defaults(read));
    EXPECT_EQ(read, default_output_settings());
}

TEST_F(PreferencesTest, WrittenDefaultsReadBackWhole) {
    OutputSettings settings = default_output_settings();
    settings.main_window = {-10, 20, 800, 600};
    settings.final_width = 720;
    settings.rate = 25;
    settings.field_mode = field_mode_odd_first;
    settings.final_options.handler = video::make_fourcc("HFYU");
    set_parameters(settings.preview_options, {1, 2, 3, 4, 5});
    set_parameters(settings.final_options, {});
    ASSERT_TRUE(preferences.write_defaults(settings));
    OutputSettings read = default_output_settings();
    ASSERT_TRUE(preferences.read_defaults(read));
    EXPECT_EQ(read, settings);
}

TEST_F(PreferencesTest, ReadingStopsAtTheFirstMissingValueKeepingWhatWasRead) {
    OutputSettings stored = default_output_settings();
    stored.preview_width = 100;
    stored.final_width = 200;
    stored.rate = 12;
    ASSERT_TRUE(preferences.write_defaults(stored));
    remove("OutHeight");
    OutputSettings read = default_output_settings();
    read.rate = 99;
    EXPECT_FALSE(preferences.read_defaults(read));
    EXPECT_EQ(read.preview_width, 100);  // before the gap
    EXPECT_EQ(read.final_width, 200);
    EXPECT_EQ(read.rate, 99);  // after it
}

TEST_F(PreferencesTest, WrongTypesCountAsMissing) {
    ASSERT_TRUE(preferences.create_defaults());
    ASSERT_TRUE(store().set(editor_registry_key, RegistryValue::make_string("OutRate", "30")).ok());
    OutputSettings read;
    EXPECT_FALSE(preferences.read_defaults(read));
    ASSERT_TRUE(preferences.create_defaults());
    ASSERT_TRUE(
        store().set(editor_registry_key, RegistryValue::make_binary("PrevOptions", {1, 2})).ok());
    EXPECT_FALSE(preferences.read_defaults(read));
}

TEST_F(PreferencesTest, MissingBlockSizeOnlyDropsTheBlock) {
    ASSERT_TRUE(preferences.create_defaults());
    remove("OutExtraSz");
    OutputSettings read;
    ASSERT_TRUE(preferences.read_defaults(read));
    EXPECT_TRUE(read.final_options.parameters.empty());
    EXPECT_EQ(read.final_options.parameter_size, 0u);
    EXPECT_EQ(read.preview_options.parameters.size(), 4u);
}

TEST_F(PreferencesTest, BlockShorterThanItsSizeIsZeroFilled) {
    ASSERT_TRUE(preferences.create_defaults());
    ASSERT_TRUE(
        store().set(editor_registry_key, RegistryValue::make_number("PrevExtraSz", 6)).ok());
    OutputSettings read;
    ASSERT_TRUE(preferences.read_defaults(read));
    EXPECT_EQ(read.preview_options.parameters, (std::vector<std::uint8_t>{75, 0, 0, 0, 0, 0}));
}

TEST_F(PreferencesTest, FirstStartCreatesTheKeyWithDefaultsAndEmptyRecentValues) {
    ASSERT_FALSE(value("OutRate"));
    Result<RecentValues> recent = preferences.start_up();
    ASSERT_TRUE(recent.ok()) << recent.error();
    EXPECT_EQ(*recent, RecentValues{});
    EXPECT_EQ(value("LastProject4")->text, "");
    EXPECT_EQ(value("LastIndex")->number, 0u);
    OutputSettings read;
    EXPECT_TRUE(preferences.read_defaults(read));
}

TEST_F(PreferencesTest, StartWithALostRecentValueCreatesItAndKeepsTheOthers) {
    ASSERT_TRUE(preferences.start_up().ok());
    RecentValues recent;
    recent.last_video = "/clips";
    recent.projects = {"/a.kdp", "/b.kdp", "/c.kdp", "/d.kdp"};
    recent.next_index = 2;
    ASSERT_TRUE(preferences.write_recent(recent));
    remove("LastProject3");
    ASSERT_FALSE(preferences.read_recent());

    Result<RecentValues> started = preferences.start_up();
    ASSERT_TRUE(started.ok()) << started.error();
    recent.projects[2] = "";
    EXPECT_EQ(*started, recent);
}

TEST_F(PreferencesTest, RecentValuesAreCutAndClampedWhenRead) {
    RecentValues recent;
    recent.last_output = std::string(300, 'o');
    recent.next_index = 9;
    ASSERT_TRUE(preferences.write_recent(recent));
    std::optional<RecentValues> read = preferences.read_recent();
    ASSERT_TRUE(read);
    EXPECT_EQ(read->last_output, std::string(255, 'o'));
    EXPECT_EQ(read->next_index, 0u);
}

TEST_F(PreferencesTest, SaveDefaultsThenNewGivesTheSavedSettings) {
    ASSERT_TRUE(preferences.start_up().ok());
    Project project;
    clear_project(project, preferences);
    EXPECT_EQ(project.output, default_output_settings());
    EXPECT_EQ(project.file_name, (projects() / "Untitled.KDP").string());

    project.output.final_width = 352;
    project.output.final_height = 288;
    project.output.last_final = "/movies/a.avi";
    set_parameters(project.output.final_options, {4, 4});
    ASSERT_TRUE(preferences.save_defaults(project.output, RecentValues{}));
    Project fresh;
    clear_project(fresh, preferences);
    OutputSettings expected = project.output;
    expected.last_final.clear();
    EXPECT_EQ(fresh.output, expected);
}

TEST_F(PreferencesTest, MakeFinalProposesUntitledInTheLastOutputFolder) {
    Project project;
    project.clear(default_output_settings(), "p.kdp");
    RecentValues recent;
    EXPECT_EQ(proposed_final_path(project, recent), work() / "Untitled.avi");
    recent.last_output = "/films";
    EXPECT_EQ(proposed_final_path(project, recent), std::filesystem::path("/films/Untitled.avi"));
    project.output.last_final = "/films/last.avi";
    EXPECT_EQ(proposed_final_path(project, recent), std::filesystem::path("/films/last.avi"));
}

}  // namespace
}  // namespace kdr::editor
