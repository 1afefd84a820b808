// The settings a render starts from: stored settings files in both forms,
// the saved defaults, the built-in defaults, and the effect check.

#include "kaleidra/host/starting_settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <vector>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/testing/installation_test.h"

namespace kdr::host {
namespace {

class StartingSettingsTest : public kdr::test::InstallationTest {
  protected:
    void SetUp() override { ASSERT_TRUE(settings_initialise(record)); }
    void TearDown() override { settings_destroy(record); }

    static void write_file(const std::filesystem::path& file, const EffectSettings& settings) {
        chunks::ChunkStream stream = chunks::ChunkStream::open_file(chunks::ChunkMode::write_file,
                                                                    file, chunks::make_id("KDRR"));
        settings_write(settings, stream);
        ASSERT_EQ(stream.close(), chunks::ready);
    }
    static void write_bytes(const std::filesystem::path& file,
                            const std::vector<std::uint8_t>& bytes) {
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    // A record naming `name` with shadows 20 and blur count 3, for storing.
    struct Stored {
        explicit Stored(const char* name) {
            EXPECT_TRUE(settings_initialise(settings));
            std::strcpy(settings.name, name);
            settings.globals[global_shadows] = 20;
            settings.globals[global_blur_count] = 3;
        }
        ~Stored() { settings_destroy(settings); }
        EffectSettings settings;
    };

    EffectSettings record;
};

TEST_F(StartingSettingsTest, ReadsTheChunkedFileAndAHostsMemoryBlock) {
    {
        Stored source("Stored");
        write_file(work() / "s.kdr", source.settings);
        write_bytes(work() / "block.bin", settings_to_block(source.settings));
    }

    for (const char* name : {"s.kdr", "block.bin"}) {
        EffectSettings read;
        ASSERT_TRUE(settings_initialise(read));
        Status status = read_settings_file(read, work() / name);
        ASSERT_TRUE(status) << name << ": " << status.error();
        EXPECT_STREQ(read.name, "Stored") << name;
        EXPECT_EQ(read.globals[global_shadows], 20) << name;
        EXPECT_EQ(read.globals[global_blur_count], 3) << name;
        settings_destroy(read);
    }
}

TEST_F(StartingSettingsTest, BadFilesSayWhatIsWrong) {
    const std::vector<std::uint8_t> block = settings_to_block(Stored("Stored").settings);
    write_bytes(work() / "other.bin", {'F', 'O', 'R', 'M', 0, 0, 0, 4, 'X', 'X', 'X', 'X'});
    write_bytes(work() / "tiny.bin", {1, 2, 3});
    std::vector<std::uint8_t> cut(block.begin(), block.begin() + 40);
    write_bytes(work() / "cut.bin", cut);

    struct Case {
        const char* file;
        const char* message;
    };
    for (const Case& bad : {Case{"missing.kdr", "cannot read settings file"},
                            Case{"other.bin", "is not a settings file"},
                            Case{"tiny.bin", "cannot read settings file"},
                            Case{"cut.bin", "is not a settings file"}}) {
        Status status = read_settings_file(record, work() / bad.file);
        ASSERT_FALSE(status) << bad.file;
        EXPECT_NE(status.error().find(bad.message), std::string::npos)
            << bad.file << ": " << status.error();
    }
}

TEST_F(StartingSettingsTest, BuiltInDefaultsWithoutSavedOnes) {
    ASSERT_TRUE(load_starting_settings(record, {}));
    EXPECT_STREQ(record.name, "");
    EXPECT_EQ(record.globals[global_render_quality], 1);
    EXPECT_EQ(record.globals[global_image_quality], 1);
    EXPECT_EQ(record.globals[global_lighting], 1);
    EXPECT_EQ(record.globals[global_shadows], 50);
    EXPECT_EQ(record.globals[global_light_direction], 45);
    EXPECT_EQ(record.globals[global_antialias], 0);
    EXPECT_EQ(record.globals[global_fly_direction], 0);
}

TEST_F(StartingSettingsTest, SavedDefaultsGiveOptionsButNoEffect) {
    {
        Stored defaults("Ignored");
        defaults.settings.globals[global_light_direction] = 120;
        write_file(work() / "Defaults.KRI", defaults.settings);
    }

    ASSERT_TRUE(load_starting_settings(record, {}));
    EXPECT_STREQ(record.name, "");
    EXPECT_EQ(record.globals[global_light_direction], 120);
    EXPECT_EQ(record.globals[global_lighting], 0);

    // A settings file of its own wins over the saved defaults, name included.
    write_file(work() / "own.kdr", Stored("Own").settings);
    ASSERT_TRUE(load_starting_settings(record, work() / "own.kdr"));
    EXPECT_STREQ(record.name, "Own");
    EXPECT_EQ(record.globals[global_light_direction], 0);
}

TEST_F(StartingSettingsTest, DamagedSavedDefaultsAreAnError) {
    write_bytes(work() / "Defaults.KRI", {'n', 'o', 'n', 's', 'e', 'n', 's', 'e', '!'});
    Status status = load_starting_settings(record, {});
    ASSERT_FALSE(status);
    EXPECT_NE(status.error().find("the saved defaults: "), std::string::npos) << status.error();
}

TEST_F(StartingSettingsTest, EffectCheckSaysWhereItLooked) {
    Status missing = check_effect("Nowhere");
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().find("effect \"Nowhere\" not found"), std::string::npos)
        << missing.error();

    write_empty_effect("Empty");
    EXPECT_TRUE(check_effect("Empty"));
    write_bytes(effects() / "Broken.KDR", {'j', 'u', 'n', 'k'});
    Status broken = check_effect("Broken");
    ASSERT_FALSE(broken);
    EXPECT_NE(broken.error().find("cannot be read"), std::string::npos) << broken.error();

    set_string("Path", "");
    Status unset = check_effect("Empty");
    ASSERT_FALSE(unset);
    EXPECT_NE(unset.error().find("installation folder is not set"), std::string::npos)
        << unset.error();
}

}  // namespace
}  // namespace kdr::host
