#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "kaleidra/install/install_paths.h"
#include "kaleidra/install/registry_values.h"
#include "kaleidra/platform/registry.h"
#include "kaleidra/testing/temp_folder.h"

namespace kdr::install {
namespace {

using platform::Registry;
using platform::RegistryValue;

// Points the registry at a file of the test's own for its lifetime.
class HostRegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("KALEIDRA_REGISTRY", registry_file().c_str(), 1);
        set_registry_key(package_registry_key);
    }
    std::filesystem::path registry_file() const { return folder.path() / "registry"; }
    void set_string(const char* name, const std::string& value) {
        ASSERT_TRUE(Registry(registry_file())
                        .set(package_registry_key, RegistryValue::make_string(name, value))
                        .ok());
    }
    void set_number(const char* name, std::uint32_t value) {
        ASSERT_TRUE(Registry(registry_file())
                        .set(package_registry_key, RegistryValue::make_number(name, value))
                        .ok());
    }

    test::TempFolder folder;
};

TEST_F(HostRegistryTest, EmptyStoreReadsZeroFailsStringsAndPaths) {
    std::ofstream(registry_file()).close();
    EXPECT_EQ(read_number("Rnd_Multi"), 0u);
    EXPECT_EQ(read_number("Rnd_Logging"), 0u);
    char buffer[16];
    std::memcpy(buffer, "untouched", 10);
    EXPECT_FALSE(read_string(buffer, sizeof buffer, "Engine"));
    EXPECT_STREQ(buffer, "untouched");
    char path[max_path_size];
    EXPECT_FALSE(build_path(path, sizeof path, folder_effects, "Ballsplt", "KDR"));
    EXPECT_FALSE(install_folder().has_value());
}

TEST_F(HostRegistryTest, ValuesAreReadAfreshAtEachUse) {
    set_number("Rnd_Logging", 1);
    EXPECT_EQ(read_number("Rnd_Logging"), 1u);
    set_number("Rnd_Logging", 2);
    EXPECT_EQ(read_number("Rnd_Logging"), 2u);
}

TEST_F(HostRegistryTest, NumbersDoNotCheckTheStoredType) {
    ASSERT_TRUE(Registry(registry_file())
                    .set(package_registry_key, RegistryValue::make_binary("Small", {1, 2}))
                    .ok());
    ASSERT_TRUE(Registry(registry_file())
                    .set(package_registry_key, RegistryValue::make_binary("Large", {1, 2, 3, 4, 5}))
                    .ok());
    set_string("Text", "12");
    set_string("Words", "twelve");
    set_string("Mixed", "12abc");
    set_string("TooLarge", "4294967296");
    EXPECT_EQ(read_number("Small"), 0x0201u);
    EXPECT_EQ(read_number("Large"), 0u);
    // Decimal text, as "kdr-reg set" stores a new value, reads as its number.
    EXPECT_EQ(read_number("Text"), 12u);
    EXPECT_EQ(read_number("Words"), 0u);
    EXPECT_EQ(read_number("Mixed"), 0u);
    EXPECT_EQ(read_number("TooLarge"), 0u);
}

TEST_F(HostRegistryTest, StringThatDoesNotFitFailsAndLeavesTheBuffer) {
    set_string("Engine", "Rnd_Generic");
    char small[11];
    std::memcpy(small, "0123456789", 11);
    EXPECT_FALSE(read_string(small, sizeof small, "Engine"));
    EXPECT_STREQ(small, "0123456789");
    char exact[12];
    EXPECT_TRUE(read_string(exact, sizeof exact, "Engine"));
    EXPECT_STREQ(exact, "Rnd_Generic");
    set_number("Engine", 5);
    std::memcpy(exact, "unchanged", 10);
    EXPECT_FALSE(read_string(exact, sizeof exact, "Engine"));
    EXPECT_STREQ(exact, "unchanged");
}

TEST_F(HostRegistryTest, OtherKeyIsSeenOnlyAfterSetKey) {
    ASSERT_TRUE(
        Registry(registry_file())
            .set("Software\\Talvane\\Reelbench\\2.5", RegistryValue::make_number("Rate", 25))
            .ok());
    EXPECT_EQ(read_number("Rate"), 0u);
    set_registry_key("Software\\Talvane\\Reelbench\\2.5");
    EXPECT_EQ(read_number("Rate"), 25u);
    set_registry_key(std::string(300, 'k').c_str());
    EXPECT_EQ(registry_key().size(), 255u);
}

TEST_F(HostRegistryTest, BuildPathJoinsAndFindsFoldersWhateverTheirCase) {
    std::filesystem::create_directories(folder.path() / "install" / "Effects");
    set_string("Path", (folder.path() / "install").string());
    char path[max_path_size];
    ASSERT_TRUE(build_path(path, sizeof path, folder_effects, "Ballsplt", "KDR"));
    EXPECT_EQ(std::string(path), (folder.path() / "install" / "Effects" / "Ballsplt.KDR").string());
    // A file that exists in another case is found too.
    std::ofstream(folder.path() / "install" / "Effects" / "ballsplt.kdr") << "x";
    ASSERT_TRUE(build_path(path, sizeof path, folder_effects, "Ballsplt", "KDR"));
    EXPECT_EQ(std::string(path), (folder.path() / "install" / "Effects" / "ballsplt.kdr").string());
    // A folder that does not exist keeps its spelling.
    ASSERT_TRUE(build_path(path, sizeof path, folder_libs, "Rnd_Generic", "so"));
    EXPECT_EQ(std::string(path), (folder.path() / "install" / "LIBS" / "Rnd_Generic.so").string());
}

// Effect and texture names are file names within their folder: a name
// that climbs out of it or names a path of its own builds nothing.
TEST_F(HostRegistryTest, NamesThatAreNotPlainFileNamesBuildNoPath) {
    set_string("Path", "/opt/kaleidra");
    for (const char* name : {"../Work/RENDER", "../../etc/passwd", "/etc/passwd", "sub/Ballsplt",
                             "..\\Ballsplt", "..", ".", ""}) {
        char path[max_path_size];
        EXPECT_FALSE(build_path(path, sizeof path, folder_effects, name, "KDR")) << name;
        EXPECT_FALSE(build_path(folder_textures, name, "KDT").has_value()) << name;
    }
    for (const char* name : {"Ballsplt", "Ball.splt", "..Ballsplt", "Flip Over"}) {
        EXPECT_TRUE(build_path(folder_effects, name, "KDR").has_value()) << name;
    }
}

TEST_F(HostRegistryTest, TrailingSeparatorOfPathIsIgnored) {
    set_string("Path", "/opt/kaleidra/");
    EXPECT_EQ(build_path(folder_libs, "Rnd_Generic", "so")->string(),
              "/opt/kaleidra/LIBS/Rnd_Generic.so");
}

TEST_F(HostRegistryTest, PathThatWouldNotFitIsAFailureNotATruncation) {
    // "/" + 239 characters + "/Work/RENDER.LOG" is 256 characters: one too
    // many for a 256-byte buffer with its terminator.
    std::string base = "/" + std::string(239, 'a');
    set_string("Path", base);
    char path[max_path_size];
    std::memset(path, 0, sizeof path);
    EXPECT_FALSE(build_path(path, sizeof path, folder_work, "RENDER", "LOG"));
    set_string("Path", base.substr(0, base.size() - 1));
    ASSERT_TRUE(build_path(path, sizeof path, folder_work, "RENDER", "LOG"));
    EXPECT_EQ(std::strlen(path), 255u);
    // The caller's own smaller buffer counts too.
    char small[20];
    EXPECT_FALSE(build_path(small, sizeof small, folder_work, "RENDER", "LOG"));
}

}  // namespace
}  // namespace kdr::install
