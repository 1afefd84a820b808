// The defaults file: saved atomically from a record, loaded into an empty
// record with its effect name emptied, and a damaged or missing file that
// leaves the record as it was.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "kaleidra/gui/defaults_file.h"
#include "kaleidra/gui/testing/test_installation.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/scene/items.h"
#include "kaleidra/scene/scene.h"

namespace kdr::gui {
namespace {

namespace fs = std::filesystem;
using test::InstallationContents;
using test::TestInstallation;

struct Record {
    EffectSettings value;
    Record() { EXPECT_TRUE(settings_initialise(value)); }
    ~Record() { settings_destroy(value); }
    std::vector<std::uint8_t> stored() const { return settings_to_block(value); }
};

void fill(EffectSettings& record) {
    std::strcpy(record.name, "Globe");
    record.globals[global_shadows] = 75;
    record.globals[global_light_direction] = 90;
    record.video_values[1][video_shine] = 40;
    auto envelope = std::make_unique<scene::Envelope>();
    envelope->id = 3;
    envelope->parameter = global_shadows;
    for (float time : {0.0f, 1.0f}) {
        EnvelopeKey key{};
        key.time = time;
        key.value = 20 + 60 * time;
        envelope->keys.push_back(key);
    }
    settings_scene(record)->envelopes.push_back(std::move(envelope));
}

class DefaultsFileTest : public ::testing::Test {
  protected:
    TestInstallation install{InstallationContents{.shipped_effects = false, .textures = false}};
};

TEST_F(DefaultsFileTest, SavedDefaultsLoadWithTheirValuesAndEnvelopesButNoEffect) {
    Record saved;
    fill(saved.value);
    ASSERT_EQ(save_defaults(saved.value), DefaultsSave::saved);
    EXPECT_TRUE(fs::exists(install.folder("Work") / "Defaults.KRI"));

    Record loaded;
    std::strcpy(loaded.value.name, "Other");
    ASSERT_TRUE(load_defaults(loaded.value));
    EXPECT_STREQ(loaded.value.name, "");
    std::strcpy(loaded.value.name, "Globe");
    EXPECT_FALSE(settings_differ(loaded.value, saved.value));
    ASSERT_EQ(settings_scene(loaded.value)->envelopes.size(), 1u);
    EXPECT_EQ(settings_scene(loaded.value)->envelopes[0]->keys.size(), 2u);
}

TEST_F(DefaultsFileTest, NoFileLeavesTheRecordAlone) {
    Record record;
    fill(record.value);
    const std::vector<std::uint8_t> before = record.stored();
    EXPECT_FALSE(load_defaults(record.value));
    EXPECT_EQ(record.stored(), before);
}

TEST_F(DefaultsFileTest, ADamagedFileLeavesTheRecordAlone) {
    Record saved;
    fill(saved.value);
    ASSERT_EQ(save_defaults(saved.value), DefaultsSave::saved);
    const fs::path file = install.folder("Work") / "Defaults.KRI";
    fs::resize_file(file, fs::file_size(file) - 5);

    Record record;
    record.value.globals[global_blur_count] = 3;
    const std::vector<std::uint8_t> before = record.stored();
    EXPECT_FALSE(load_defaults(record.value));
    EXPECT_EQ(record.stored(), before);
}

TEST_F(DefaultsFileTest, SavingWithoutAnInstallationFolderHasNoFileName) {
    install.remove_value("Path");
    Record record;
    EXPECT_EQ(save_defaults(record.value), DefaultsSave::no_file_name);
}

TEST_F(DefaultsFileTest, AWorkFolderThatCannotTakeTheFileIsACreateFailure) {
    fs::remove_all(install.folder("Work"));
    Record record;
    EXPECT_EQ(save_defaults(record.value), DefaultsSave::cannot_create);
}

TEST_F(DefaultsFileTest, ARenameThatFailsAfterTheFileWasOpenedIsReported) {
    // A folder in the file's place: the temporary file is written, but it
    // cannot be renamed over the folder.
    const fs::path file = install.folder("Work") / "Defaults.KRI";
    fs::create_directories(file / "inside");
    Record record;
    fill(record.value);
    EXPECT_EQ(save_defaults(record.value), DefaultsSave::cannot_create);
    EXPECT_TRUE(fs::is_directory(file / "inside"));
    for (const fs::directory_entry& entry : fs::directory_iterator(install.folder("Work"))) {
        EXPECT_EQ(entry.path(), file) << "a temporary file was left behind";
    }
}

}  // namespace
}  // namespace kdr::gui
