// The settings record built from the parameters and the installation.

#include "transition_settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/testing/installation_test.h"

namespace kdr::frei0r {
namespace {

class TransitionSettingsTest : public kdr::test::InstallationTest {
  protected:
    void SetUp() override { ASSERT_TRUE(settings_initialise(record)); }
    void TearDown() override { settings_destroy(record); }

    // A settings file naming `name`, flying on, shadows 20, blur count 3.
    void write_settings(const std::filesystem::path& file, const char* name) {
        EffectSettings stored;
        ASSERT_TRUE(settings_initialise(stored));
        std::strcpy(stored.name, name);
        stored.globals[global_fly_direction] = 1;
        stored.globals[global_shadows] = 20;
        stored.globals[global_blur_count] = 3;
        chunks::ChunkStream stream = chunks::ChunkStream::open_file(chunks::ChunkMode::write_file,
                                                                    file, chunks::make_id("KDRR"));
        settings_write(stored, stream);
        ASSERT_EQ(stream.close(), chunks::ready);
        settings_destroy(stored);
    }

    static void set_number(TransitionParameters& parameters, int index, double value) {
        parameters.set(index, &value);
    }
    static void set_text(TransitionParameters& parameters, int index, const std::string& text) {
        const char* pointer = text.c_str();
        parameters.set(index, &pointer);
    }

    EffectSettings record;
};

TEST_F(TransitionSettingsTest, NothingSetGivesBallspltWithTheBuiltInDefaults) {
    ASSERT_TRUE(build_transition_settings(record, TransitionParameters()));
    EXPECT_STREQ(record.name, "Ballsplt");
    EXPECT_EQ(record.globals[global_lighting], 1);
    EXPECT_EQ(record.globals[global_shadows], 50);
    EXPECT_EQ(record.globals[global_fly_direction], 0);
    EXPECT_EQ(record.globals[global_antialias], 0);
    EXPECT_EQ(record.globals[global_render_quality], 1);
}

TEST_F(TransitionSettingsTest, SettingsFileAloneIsRenderedAsStored) {
    write_settings(work() / "mine.kdr", "Globe");
    TransitionParameters parameters;
    set_text(parameters, parameter_settings, (work() / "mine.kdr").string());
    ASSERT_TRUE(build_transition_settings(record, parameters));
    EXPECT_STREQ(record.name, "Globe");
    EXPECT_EQ(record.globals[global_fly_direction], 1);
    EXPECT_EQ(record.globals[global_shadows], 20);
    EXPECT_EQ(record.globals[global_blur_count], 3);
    EXPECT_EQ(record.globals[global_lighting], 0);
}

TEST_F(TransitionSettingsTest, OptionsTheHostSetOverrideTheFile) {
    write_settings(work() / "mine.kdr", "Globe");
    TransitionParameters parameters;
    set_text(parameters, parameter_settings, (work() / "mine.kdr").string());
    set_text(parameters, parameter_effect, "PageTurn");
    set_number(parameters, parameter_fly_on, 0);
    set_number(parameters, parameter_antialias, 1);
    set_number(parameters, parameter_lighting, 1);
    set_number(parameters, parameter_shadows, 0.75);
    ASSERT_TRUE(build_transition_settings(record, parameters));
    EXPECT_STREQ(record.name, "PageTurn");
    EXPECT_EQ(record.globals[global_fly_direction], 0);
    EXPECT_EQ(record.globals[global_antialias], 1);
    EXPECT_EQ(record.globals[global_lighting], 1);
    EXPECT_EQ(record.globals[global_shadows], 75);
    // What the host has no parameter for still comes from the file.
    EXPECT_EQ(record.globals[global_blur_count], 3);
}

TEST_F(TransitionSettingsTest, SavedDefaultsAreTheStartWithoutAFile) {
    write_settings(work() / "Defaults.KRI", "Ignored");
    ASSERT_TRUE(build_transition_settings(record, TransitionParameters()));
    // The defaults hold options, not an effect.
    EXPECT_STREQ(record.name, "Ballsplt");
    EXPECT_EQ(record.globals[global_blur_count], 3);
    EXPECT_EQ(record.globals[global_shadows], 20);
}

TEST_F(TransitionSettingsTest, UnusableFileOrNameIsLeftOutAndReported) {
    std::ofstream(work() / "junk.kdr") << "not a settings file";
    TransitionParameters parameters;
    set_text(parameters, parameter_settings, (work() / "junk.kdr").string());
    set_number(parameters, parameter_shadows, 0.1);
    Status status = build_transition_settings(record, parameters);
    ASSERT_FALSE(status);
    EXPECT_NE(status.error().find("settings file left out"), std::string::npos) << status.error();
    EXPECT_NE(status.error().find("junk.kdr"), std::string::npos) << status.error();
    // The built-in defaults instead, the host's options on top.
    EXPECT_STREQ(record.name, "Ballsplt");
    EXPECT_EQ(record.globals[global_lighting], 1);
    EXPECT_EQ(record.globals[global_shadows], 10);

    TransitionParameters long_name;
    set_text(long_name, parameter_effect, std::string(41, 'x'));
    EffectSettings other;
    ASSERT_TRUE(settings_initialise(other));
    status = build_transition_settings(other, long_name);
    EXPECT_FALSE(status);
    EXPECT_NE(status.error().find("longer than 40 characters"), std::string::npos)
        << status.error();
    EXPECT_STREQ(other.name, "Ballsplt");
    settings_destroy(other);
}

}  // namespace
}  // namespace kdr::frei0r
