#include "kaleidra/platform/registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
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

std::string read_text(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_text(const std::filesystem::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

// A hand-edited store: comments, a value before any key, a missing quote,
// an unknown type, a line of nonsense, spaces everywhere, a line end from
// another system.
const char* const hand_edited =
    "# my settings\n"
    "\"Orphan\"=number:1\n"
    "[Software\\Talvane\\Kaleidra\\3.0]\n"
    "; the folder moved in May\n"
    "\"Path\"=string:\"/opt/kaleidra\"\n"
    "\"Engine\"=string:\"Rnd_Generic\n"
    "\"Rnd_Logging\" = number : 2\n"
    "\"Options\"=dword:12\n"
    "this is not a registry line\r\n"
    "   \"Prev_Frames\"=number:   30   \n"
    "\n"
    "[Other\\Key]\n"
    "\"Width\"=number:0x280\n";

TEST_F(RegistryTest, SpacesAroundNumbersAndHexadecimalNumbersAreRead) {
    write_text(registry.file(), hand_edited);
    EXPECT_EQ(registry.get(key, "Rnd_Logging")->number, 2u);
    EXPECT_EQ(registry.get(key, "Prev_Frames")->number, 30u);
    EXPECT_EQ(registry.get("Other\\Key", "Width")->number, 640u);
    EXPECT_EQ(registry.get(key, "Path")->text, "/opt/kaleidra");
    Result<std::vector<RegistryValue>> values = registry.list(key);
    ASSERT_TRUE(values.ok()) << values.error();
    EXPECT_EQ(values->size(), 3u);
}

TEST_F(RegistryTest, LinesTheStoreDoesNotUnderstandSurviveAHundredWrites) {
    write_text(registry.file(), hand_edited);
    for (std::uint32_t i = 0; i < 100; ++i) {
        // New values, changed values and removed values, in both keys.
        ASSERT_TRUE(registry.set(key, RegistryValue::make_number("Rnd_Multi", i)).ok());
        ASSERT_TRUE(
            registry.set(key, RegistryValue::make_number("Value" + std::to_string(i % 7), i)).ok());
        ASSERT_TRUE(registry.set("Other\\Key", RegistryValue::make_string("Note", "n")).ok());
        ASSERT_TRUE(registry.remove("Other\\Key", "Note").ok());
    }
    const std::string text = read_text(registry.file());
    std::size_t at = 0;
    for (const char* line : {"# my settings\n", "\"Orphan\"=number:1\n",
                             "; the folder moved in May\n", "\"Path\"=string:\"/opt/kaleidra\"\n",
                             "\"Engine\"=string:\"Rnd_Generic\n", "\"Rnd_Logging\" = number : 2\n",
                             "\"Options\"=dword:12\n", "this is not a registry line\r\n",
                             "   \"Prev_Frames\"=number:   30   \n", "\"Width\"=number:0x280\n"}) {
        const std::size_t found = text.find(line, at);
        ASSERT_NE(found, std::string::npos) << "lost or moved: " << line << "in:\n" << text;
        at = found + std::string(line).size();
    }
    EXPECT_EQ(registry.get(key, "Rnd_Multi")->number, 99u);
    EXPECT_EQ(registry.get(key, "Value0")->number, 98u);
    EXPECT_EQ(registry.get(key, "Path")->text, "/opt/kaleidra");
    EXPECT_FALSE(registry.get("Other\\Key", "Note").has_value());
}

TEST_F(RegistryTest, AWriteRewritesOnlyTheLineOfItsValue) {
    write_text(registry.file(), hand_edited);
    ASSERT_TRUE(registry.set(key, RegistryValue::make_number("Prev_Frames", 12)).ok());
    std::string expected = hand_edited;
    const std::string old_line = "   \"Prev_Frames\"=number:   30   \n";
    expected.replace(expected.find(old_line), old_line.size(), "\"Prev_Frames\"=number:12\n");
    EXPECT_EQ(read_text(registry.file()), expected);

    // A new value goes after the key's last value, a new key at the end.
    ASSERT_TRUE(registry.set("Other\\Key", RegistryValue::make_number("Height", 480)).ok());
    ASSERT_TRUE(registry.set("New\\Key", RegistryValue::make_string("A", "b")).ok());
    expected += "\"Height\"=number:480\n\n[New\\Key]\n\"A\"=string:\"b\"\n";
    EXPECT_EQ(read_text(registry.file()), expected);
}

TEST_F(RegistryTest, SettingAValueReplacesItsUnreadableLine) {
    write_text(registry.file(), hand_edited);
    Result<std::optional<RegistryValue>> broken = registry.lookup(key, "Engine");
    ASSERT_FALSE(broken.ok());
    EXPECT_NE(broken.error().find("cannot read the store: line 6 of"), std::string::npos)
        << broken.error();
    EXPECT_NE(broken.error().find("\"Rnd_Generic"), std::string::npos) << broken.error();
    EXPECT_FALSE(registry.get(key, "Engine").has_value());

    ASSERT_TRUE(registry.set(key, RegistryValue::make_string("Engine", "Rnd_Hardware")).ok());
    EXPECT_EQ(registry.get(key, "Engine")->text, "Rnd_Hardware");
    const std::string text = read_text(registry.file());
    EXPECT_EQ(text.find("\"Rnd_Generic\n"), std::string::npos) << text;
    // In its place.
    EXPECT_NE(text.find("\"Path\"=string:\"/opt/kaleidra\"\n\"Engine\"=string:\"Rnd_Hardware\"\n"
                        "\"Rnd_Logging\""),
              std::string::npos)
        << text;
}

TEST_F(RegistryTest, TheLastOfTwoLinesWinsAndAWriteLeavesOne) {
    write_text(registry.file(), "[K]\n\"A\"=number:1\n\"B\"=number:2\n[k]\n\"a\"=number:3\n");
    EXPECT_EQ(registry.get("K", "A")->number, 3u);
    ASSERT_TRUE(registry.set("K", RegistryValue::make_number("A", 4)).ok());
    EXPECT_EQ(read_text(registry.file()), "[K]\n\"B\"=number:2\n[k]\n\"A\"=number:4\n");
    Result<bool> removed = registry.remove("k", "b");
    ASSERT_TRUE(removed.ok());
    EXPECT_TRUE(*removed);
    EXPECT_EQ(read_text(registry.file()), "[K]\n[k]\n\"A\"=number:4\n");
}

// A store that exists but cannot be read says so and why, and is never
// overwritten by a write that could not read it first.
TEST_F(RegistryTest, AStoreThatCannotBeReadSaysWhyAndIsNotOverwritten) {
    std::filesystem::create_directory(registry.file());
    Result<std::optional<RegistryValue>> folder = registry.lookup(key, "Path");
    ASSERT_FALSE(folder.ok());
    EXPECT_EQ(folder.error().rfind("cannot read the store: ", 0), 0u) << folder.error();
    EXPECT_NE(folder.error().find("is not a file"), std::string::npos) << folder.error();
    EXPECT_FALSE(registry.list(key).ok());
    EXPECT_FALSE(registry.set(key, RegistryValue::make_number("A", 1)).ok());
    std::filesystem::remove(registry.file());

    std::string huge = "[K]\n\"A\"=number:1\n";
    huge.resize(max_registry_store_bytes + 1, ';');
    write_text(registry.file(), huge);
    Result<std::optional<RegistryValue>> large = registry.lookup("K", "A");
    ASSERT_FALSE(large.ok());
    EXPECT_NE(large.error().find("larger than 16 MiB"), std::string::npos) << large.error();
    Status refused = registry.set("K", RegistryValue::make_number("B", 2));
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().find("cannot read the store"), std::string::npos) << refused.error();
    EXPECT_EQ(std::filesystem::file_size(registry.file()), huge.size());
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
