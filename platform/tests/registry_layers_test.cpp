// The default registry: a user's store over the system stores, and where
// the environment puts them.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>

#include "kaleidra/platform/registry.h"
#include "kaleidra/testing/temp_folder.h"

namespace kdr::platform {
namespace {

constexpr const char* key = "Software\\Talvane\\Kaleidra\\3.0";

std::string read_text(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Sets environment variables for its lifetime and puts back what was there.
class Environment {
  public:
    ~Environment() {
        for (const auto& [name, value] : m_saved) {
            if (value) {
                ::setenv(name.c_str(), value->c_str(), 1);
            } else {
                ::unsetenv(name.c_str());
            }
        }
    }
    void set(const std::string& name, const char* value) {
        if (m_saved.count(name) == 0) {
            const char* old = std::getenv(name.c_str());
            m_saved[name] = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value != nullptr) {
            ::setenv(name.c_str(), value, 1);
        } else {
            ::unsetenv(name.c_str());
        }
    }

  private:
    std::map<std::string, std::optional<std::string>> m_saved;
};

class RegistryLayersTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(
            Registry(local_system).set(key, RegistryValue::make_string("Path", "/opt/k")).ok());
        ASSERT_TRUE(
            Registry(local_system).set(key, RegistryValue::make_number("Prev_Frames", 30)).ok());
        ASSERT_TRUE(Registry(vendor_system)
                        .set(key, RegistryValue::make_string("Engine", "Rnd_Generic"))
                        .ok());
        ASSERT_TRUE(
            Registry(vendor_system).set(key, RegistryValue::make_string("Path", "/usr/k")).ok());
        ASSERT_TRUE(Registry(user).set(key, RegistryValue::make_number("Prev_Frames", 12)).ok());
    }

    test::TempFolder folder;
    std::filesystem::path user = folder.path() / "user";
    std::filesystem::path local_system = folder.path() / "local";
    std::filesystem::path vendor_system = folder.path() / "vendor";
    Registry layered{user, {local_system, vendor_system}, false};
};

TEST_F(RegistryLayersTest, EachValueComesFromTheFirstStoreThatHoldsIt) {
    EXPECT_EQ(layered.get(key, "Prev_Frames")->number, 12u);
    EXPECT_EQ(layered.get(key, "Path")->text, "/opt/k");
    EXPECT_EQ(layered.get(key, "Engine")->text, "Rnd_Generic");
    EXPECT_FALSE(layered.get(key, "Rnd_Multi").has_value());

    Result<std::vector<RegistryEntry>> entries = layered.entries(key);
    ASSERT_TRUE(entries.ok()) << entries.error();
    ASSERT_EQ(entries->size(), 3u);
    EXPECT_EQ((*entries)[0].value.name, "Prev_Frames");
    EXPECT_EQ((*entries)[0].store, user);
    EXPECT_EQ((*entries)[1].value.name, "Path");
    EXPECT_EQ((*entries)[1].store, local_system);
    EXPECT_EQ((*entries)[2].value.name, "Engine");
    EXPECT_EQ((*entries)[2].store, vendor_system);

    ASSERT_TRUE(Registry(vendor_system).set("Other", RegistryValue::make_number("A", 1)).ok());
    Result<std::vector<std::string>> keys = layered.keys();
    ASSERT_TRUE(keys.ok());
    EXPECT_EQ(*keys, (std::vector<std::string>{key, "Other"}));
}

TEST_F(RegistryLayersTest, WritesGoToTheUsersStoreAlone) {
    const std::string local_before = read_text(local_system);
    const std::string vendor_before = read_text(vendor_system);
    ASSERT_TRUE(layered.set(key, RegistryValue::make_string("Engine", "Rnd_Hardware")).ok());
    ASSERT_TRUE(layered
                    .set_missing(key, {RegistryValue::make_number("Rnd_Logging", 1),
                                       RegistryValue::make_number("Prev_Frames", 99)})
                    .ok());
    EXPECT_EQ(layered.get(key, "Engine")->text, "Rnd_Hardware");
    EXPECT_EQ(layered.get(key, "Prev_Frames")->number, 12u);
    EXPECT_EQ(Registry(user).get(key, "Rnd_Logging")->number, 1u);

    // A value held only by a system store is not the user's to remove.
    Result<bool> removed = layered.remove(key, "Path");
    ASSERT_TRUE(removed.ok());
    EXPECT_FALSE(*removed);
    // Removing the user's own value shows the system's again.
    removed = layered.remove(key, "Prev_Frames");
    ASSERT_TRUE(removed.ok());
    EXPECT_TRUE(*removed);
    EXPECT_EQ(layered.get(key, "Prev_Frames")->number, 30u);

    EXPECT_EQ(read_text(local_system), local_before);
    EXPECT_EQ(read_text(vendor_system), vendor_before);
}

TEST_F(RegistryLayersTest, AnUnreadableStoreHidesNothingTheOthersHold) {
    std::filesystem::remove(user);
    std::filesystem::create_directory(user);
    EXPECT_EQ(layered.get(key, "Path")->text, "/opt/k");
    Result<std::optional<RegistryValue>> missing = layered.lookup(key, "Rnd_Multi");
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().find("cannot read the store: \"" + user.string() + "\""),
              std::string::npos)
        << missing.error();
    EXPECT_FALSE(layered.entries(key).ok());
}

TEST(RegistryLocations, FollowTheEnvironment) {
    Environment environment;
    environment.set("KALEIDRA_REGISTRY", "/some/where/reg");
    environment.set("XDG_CONFIG_DIRS", "/etc/xdg/one:/etc/xdg");
    EXPECT_EQ(Registry::default_file(), "/some/where/reg");
    EXPECT_TRUE(Registry::system_files().empty());
    EXPECT_EQ(Registry::open_default().stores(),
              (std::vector<std::filesystem::path>{"/some/where/reg"}));
    EXPECT_EQ(Registry::open_system().stores(),
              (std::vector<std::filesystem::path>{"/some/where/reg"}));

    environment.set("KALEIDRA_REGISTRY", nullptr);
    environment.set("XDG_CONFIG_HOME", "/xdg");
    EXPECT_EQ(Registry::default_file(), "/xdg/kaleidra/registry");
    // Relative folders are not XDG folders and are passed over.
    environment.set("XDG_CONFIG_DIRS", "/etc/xdg/one:relative::/etc/xdg");
    EXPECT_EQ(Registry::system_files(),
              (std::vector<std::filesystem::path>{"/etc/xdg/one/kaleidra/registry",
                                                  "/etc/xdg/kaleidra/registry"}));
    EXPECT_EQ(Registry::open_default().stores(),
              (std::vector<std::filesystem::path>{"/xdg/kaleidra/registry",
                                                  "/etc/xdg/one/kaleidra/registry",
                                                  "/etc/xdg/kaleidra/registry"}));
    EXPECT_EQ(Registry::open_system().stores(),
              (std::vector<std::filesystem::path>{"/etc/xdg/one/kaleidra/registry"}));

    environment.set("XDG_CONFIG_HOME", "relative");
    environment.set("HOME", "/home/user");
    environment.set("XDG_CONFIG_DIRS", nullptr);
    EXPECT_EQ(Registry::default_file(), "/home/user/.config/kaleidra/registry");
    EXPECT_EQ(Registry::system_files(),
              (std::vector<std::filesystem::path>{"/etc/xdg/kaleidra/registry"}));
}

// The system store is read by every user: whatever the writer's umask, the
// store and a folder made for it can be read by all.
TEST(SharedStore, IsReadableByEveryone) {
    test::TempFolder folder;
    const std::filesystem::path file = folder.path() / "xdg" / "kaleidra" / "registry";
    const mode_t saved = ::umask(077);
    Status written = Registry(file, {}, true).set(key, RegistryValue::make_string("Path", "/x"));
    ::umask(saved);
    ASSERT_TRUE(written.ok()) << written.error();
    struct stat state {};
    ASSERT_EQ(::stat(file.c_str(), &state), 0);
    EXPECT_EQ(state.st_mode & 0777, 0644u);
    ASSERT_EQ(::stat(file.parent_path().c_str(), &state), 0);
    EXPECT_EQ(state.st_mode & 0777, 0755u);
}

}  // namespace
}  // namespace kdr::platform
