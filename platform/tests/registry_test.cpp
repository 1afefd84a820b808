#include "kaleidra/platform/registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "kaleidra/platform/atomic_file.h"
#include "kaleidra/testing/temp_folder.h"

namespace kdr::platform {
namespace {

constexpr const char* key = "Software\\Talvane\\Kaleidra\\3.0";

class RegistryTest : public ::testing::Test {
  protected:
    test::TempFolder folder;
    Registry registry{folder.path() / "registry"};
};

TEST_F(RegistryTest, AbsentFileReadsNothingAndListsEmpty) {
    EXPECT_FALSE(registry.get(key, "Path").has_value());
    Result<std::vector<RegistryValue>> values = registry.list(key);
    ASSERT_TRUE(values.ok());
    EXPECT_TRUE(values->empty());
}

TEST_F(RegistryTest, TypedValuesRoundTripThroughTheFile) {
    ASSERT_TRUE(registry.set(key, RegistryValue::make_string("Path", "/opt/kaleidra")).ok());
    ASSERT_TRUE(registry.set(key, RegistryValue::make_number("Rnd_Multi", 0xfffffffeu)).ok());
    ASSERT_TRUE(registry.set(key, RegistryValue::make_binary("Blob", {0, 1, 0xab, 0xff})).ok());
    // Strings keep every byte, including quotes, backslashes and line ends.
    std::string awkward = "a \"quoted\" \\ path\nwith\tcontrol \x01 bytes";
    ASSERT_TRUE(registry.set(key, RegistryValue::make_string("Odd", awkward)).ok());

    Registry reopened(registry.file());
    EXPECT_EQ(reopened.get(key, "Path")->text, "/opt/kaleidra");
    EXPECT_EQ(reopened.get(key, "Rnd_Multi")->number, 0xfffffffeu);
    EXPECT_EQ(reopened.get(key, "Blob")->bytes, (std::vector<std::uint8_t>{0, 1, 0xab, 0xff}));
    EXPECT_EQ(reopened.get(key, "Odd")->text, awkward);
    EXPECT_EQ(reopened.get(key, "Odd")->type, RegistryType::string);
}

TEST_F(RegistryTest, KeyAndValueNamesIgnoreCase) {
    ASSERT_TRUE(registry.set(key, RegistryValue::make_string("Engine", "Rnd_Generic")).ok());
    EXPECT_EQ(registry.get("software\\talvane\\kaleidra\\3.0", "ENGINE")->text, "Rnd_Generic");
    ASSERT_TRUE(registry.set(key, RegistryValue::make_string("engine", "Rnd_Hardware")).ok());
    Result<std::vector<RegistryValue>> values = registry.list(key);
    ASSERT_TRUE(values.ok());
    ASSERT_EQ(values->size(), 1u);
    EXPECT_EQ((*values)[0].text, "Rnd_Hardware");
}

TEST_F(RegistryTest, RemoveReportsWhetherAValueWasThere) {
    ASSERT_TRUE(registry.set(key, RegistryValue::make_number("Rnd_Logging", 2)).ok());
    Result<bool> first = registry.remove(key, "rnd_logging");
    ASSERT_TRUE(first.ok());
    EXPECT_TRUE(*first);
    Result<bool> second = registry.remove(key, "Rnd_Logging");
    ASSERT_TRUE(second.ok());
    EXPECT_FALSE(*second);
    EXPECT_FALSE(registry.get(key, "Rnd_Logging").has_value());
}

TEST_F(RegistryTest, SetMissingKeepsValuesTheUserSet) {
    ASSERT_TRUE(registry.set(key, RegistryValue::make_string("Engine", "Rnd_Hardware")).ok());
    ASSERT_TRUE(registry
                    .set_missing(key, {RegistryValue::make_string("Engine", "Rnd_Generic"),
                                       RegistryValue::make_number("Prev_Frames", 30)})
                    .ok());
    EXPECT_EQ(registry.get(key, "Engine")->text, "Rnd_Hardware");
    EXPECT_EQ(registry.get(key, "Prev_Frames")->number, 30u);
}

TEST_F(RegistryTest, HandEditedFileWithBadLinesKeepsTheGoodOnes) {
    std::ofstream(registry.file()) << "; comment\n"
                                      "\"Orphan\"=number:1\n"
                                      "[Software\\Talvane\\Kaleidra\\3.0]\n"
                                      "\"Path\"=string:\"/x\"\n"
                                      "\"Bad\"=number:12abc\n"
                                      "\"Bad2\"=binary:abc\n"
                                      "\"Bad3\"=string:\"unterminated\n"
                                      "garbage line\n"
                                      "  \"Rnd_Multi\"=number:1  \n";
    Result<std::vector<RegistryValue>> values = registry.list(key);
    ASSERT_TRUE(values.ok());
    ASSERT_EQ(values->size(), 2u);
    EXPECT_EQ(registry.get(key, "Path")->text, "/x");
    EXPECT_EQ(registry.get(key, "Rnd_Multi")->number, 1u);
}

TEST_F(RegistryTest, InvalidKeyNamesAreRefused) {
    EXPECT_FALSE(registry.set("", RegistryValue::make_number("A", 1)).ok());
    EXPECT_FALSE(registry.set("a]b", RegistryValue::make_number("A", 1)).ok());
    EXPECT_FALSE(registry.set("a\nb", RegistryValue::make_number("A", 1)).ok());
}

TEST_F(RegistryTest, DefaultFileFollowsTheEnvironment) {
    const char* saved = std::getenv("KALEIDRA_REGISTRY");
    std::string saved_value = saved ? saved : "";
    ::setenv("KALEIDRA_REGISTRY", "/some/where/reg", 1);
    EXPECT_EQ(Registry::default_file(), "/some/where/reg");
    ::unsetenv("KALEIDRA_REGISTRY");
    ::setenv("XDG_CONFIG_HOME", "/xdg", 1);
    EXPECT_EQ(Registry::default_file(), "/xdg/kaleidra/registry");
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", "/home/user", 1);
    EXPECT_EQ(Registry::default_file(), "/home/user/.config/kaleidra/registry");
    if (saved) {
        ::setenv("KALEIDRA_REGISTRY", saved_value.c_str(), 1);
    }
}

// Two processes that write 500 values each into one store at the same time
// must leave all 1000 readable: every write is a locked read-change-replace.
TEST_F(RegistryTest, ConcurrentWritersInTwoProcessesLoseNothing) {
    constexpr int values_per_process = 500;
    pid_t children[2];
    for (int process = 0; process < 2; ++process) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            Registry writer(registry.file());
            int failures = 0;
            for (int i = 0; i < values_per_process; ++i) {
                std::string name = "P" + std::to_string(process) + "_" + std::to_string(i);
                failures +=
                    writer.set(key, RegistryValue::make_number(name, static_cast<std::uint32_t>(i)))
                            .ok()
                        ? 0
                        : 1;
            }
            ::_exit(failures == 0 ? 0 : 1);
        }
        children[process] = pid;
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    Result<std::vector<RegistryValue>> values = registry.list(key);
    ASSERT_TRUE(values.ok());
    EXPECT_EQ(values->size(), 2u * values_per_process);
    for (int process = 0; process < 2; ++process) {
        for (int i = 0; i < values_per_process; ++i) {
            std::string name = "P" + std::to_string(process) + "_" + std::to_string(i);
            std::optional<RegistryValue> value = registry.get(key, name);
            ASSERT_TRUE(value.has_value()) << name;
            EXPECT_EQ(value->number, static_cast<std::uint32_t>(i));
        }
    }
}

}  // namespace
}  // namespace kdr::platform
