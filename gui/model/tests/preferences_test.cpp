// The preferences in the registry store and the engine lists made from the
// installation's LIBS folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "kaleidra/gui/preferences.h"
#include "kaleidra/gui/testing/test_installation.h"
#include "kaleidra/install/registry_values.h"
#include "kaleidra/platform/registry.h"

namespace kdr::gui {
namespace {

using test::InstallationContents;
using test::TestInstallation;

TEST(PreferencesTest, MissingValuesReadAsZeroAndEmpty) {
    TestInstallation install(InstallationContents{.shipped_effects = false, .textures = false});
    EXPECT_EQ(read_preferences(), UiPreferences{});
}

TEST(PreferencesTest, ReadsEveryValueAndCutsLongTexts) {
    TestInstallation install(InstallationContents{.shipped_effects = false, .textures = false});
    install.set_number("Eff_Display", 2);
    install.set_number("Eff_Autoreverse", 1);
    install.set_string("OrgFile", std::string(45, 'o'));
    install.set_number("Prev_Quality", 1);
    install.set_string("Prev_Engine", "Rnd_Generic");
    install.set_number("Prev_Frames", 30);
    install.set_number("Prev_Render", 1);
    install.set_number("Prev_Speed", 15);
    install.set_string("Engine", "Rnd_Hardware");
    install.set_number("Rnd_Logging", 2);
    install.set_number("Rnd_Multi", 1);
    const UiPreferences p = read_preferences();
    EXPECT_EQ(p.eff_display, 2u);
    EXPECT_EQ(p.eff_autoreverse, 1u);
    EXPECT_EQ(p.org_file, std::string(40, 'o'));
    EXPECT_EQ(p.prev_quality, 1u);
    EXPECT_EQ(p.prev_engine, "Rnd_Generic");
    EXPECT_EQ(p.prev_frames, 30u);
    EXPECT_EQ(p.prev_render, 1u);
    EXPECT_EQ(p.prev_speed, 15u);
    EXPECT_EQ(p.engine, "Rnd_Hardware");
    EXPECT_EQ(p.rnd_logging, 2u);
    EXPECT_EQ(p.rnd_multi, 1u);
}

TEST(PreferencesTest, WritesEveryValueInItsOrderWithItsType) {
    TestInstallation install(InstallationContents{.shipped_effects = false, .textures = false});
    UiPreferences p;
    p.eff_display = 1;
    p.org_file = "current";
    p.prev_quality = 2;
    p.prev_engine = "Rnd_Generic";
    p.prev_frames = 60;
    p.prev_speed = 20;
    p.engine = "Rnd_Hardware";
    p.rnd_logging = 1;
    ASSERT_TRUE(write_preferences(p).ok());
    EXPECT_EQ(read_preferences(), p);

    Result<std::vector<platform::RegistryValue>> values =
        platform::Registry::open_default().list(install::package_registry_key);
    ASSERT_TRUE(values.ok()) << values.error();
    std::vector<std::string> written;
    for (const platform::RegistryValue& value : *values) {
        if (value.name != "Path") {
            written.push_back(value.name +
                              (value.type == platform::RegistryType::string ? "$" : "#"));
        }
    }
    EXPECT_EQ(written, (std::vector<std::string>{"Eff_Display#", "Eff_Autoreverse#", "OrgFile$",
                                                 "Prev_Quality#", "Prev_Engine$", "Prev_Frames#",
                                                 "Prev_Render#", "Prev_Speed#", "Engine$",
                                                 "Rnd_Logging#", "Rnd_Multi#"}));
}

TEST(PreferencesTest, AStoreThatCannotBeWrittenIsReported) {
    TestInstallation install(InstallationContents{.shipped_effects = false, .textures = false});
    // A folder where the store's file should be.
    std::filesystem::create_directories(install.root() / "store-folder" / "inside");
    ::setenv("KALEIDRA_REGISTRY", (install.root() / "store-folder").c_str(), 1);
    EXPECT_FALSE(write_preferences(UiPreferences{}).ok());
}

TEST(PreferencesTest, ASpeedOfZeroCountsAsOne) {
    EXPECT_EQ(usable_speed(0), 1u);
    EXPECT_EQ(usable_speed(30), 30u);
    EXPECT_EQ(frame_period_ms(0), 1000);
    EXPECT_EQ(frame_period_ms(15), 66);
}

TEST(InstalledEnginesTest, ListsRndLibrariesWithoutTheirSuffixSorted) {
    TestInstallation install(InstallationContents{.shipped_effects = false, .textures = false});
    for (const char* file : {"Rnd_Hardware.so", "Rnd_Generic.so", "Other.so", "Rnd_Notes.txt",
                             "rnd_lower.so", "Rnd_.so"}) {
        std::ofstream(install.folder("LIBS") / file) << "x";
    }
    std::ofstream(install.folder("LIBS") / ("Rnd_" + std::string(37, 'L') + ".so")) << "x";
    std::ofstream(install.folder("LIBS") / ("Rnd_" + std::string(36, 'K') + ".so")) << "x";
    EXPECT_EQ(installed_engines(), (std::vector<std::string>{"Rnd_", "Rnd_Generic", "Rnd_Hardware",
                                                             "Rnd_" + std::string(36, 'K')}));
}

TEST(InstalledEnginesTest, NoInstallationFolderListsNothing) {
    TestInstallation install(InstallationContents{.shipped_effects = false, .textures = false});
    install.remove_value("Path");
    EXPECT_TRUE(installed_engines().empty());
}

}  // namespace
}  // namespace kdr::gui
