// The numbered settings files: the order of new numbers, claiming a number
// against other writers (threads and processes), rewriting in place, and
// files that cannot be read or written.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/settings_files/numbered_settings.h"
#include "kaleidra/testing/installation_test.h"

namespace kdr::settings_files {
namespace {

class NumberedSettingsTest : public kdr::test::InstallationTest {
  protected:
    void SetUp() override { ASSERT_TRUE(settings_initialise(settings)); }
    void TearDown() override { settings_destroy(settings); }

    void name(const char* effect) { std::strcpy(settings.name, effect); }
    void write_bytes(const std::string& file, const std::string& bytes) {
        std::ofstream(work() / file, std::ios::binary) << bytes;
    }
    // The effect name in a settings file, empty when it cannot be read.
    static std::string name_in(const std::filesystem::path& file) {
        EffectSettings read;
        EXPECT_TRUE(settings_initialise(read));
        const std::string result = load_settings_file(read, file) ? read.name : "";
        settings_destroy(read);
        return result;
    }
    std::vector<std::string> work_files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(work())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    EffectSettings settings;
};

TEST(SettingsNumbers, CountOnPastOneHundred) {
    EXPECT_EQ(next_settings_number(0), 1);
    EXPECT_EQ(next_settings_number(-7), 1);
    EXPECT_EQ(next_settings_number(1), 2);
    EXPECT_EQ(next_settings_number(98), 99);
    EXPECT_EQ(next_settings_number(99), 101);
    EXPECT_EQ(next_settings_number(101), 102);
}

TEST_F(NumberedSettingsTest, NewSettingsTakeTheFirstFreeNumberNeverOneHundred) {
    name("Shatter");
    Result<std::int32_t> first = save_numbered_settings(settings, 0, vxdll_extension);
    ASSERT_TRUE(first) << first.error();
    EXPECT_EQ(*first, 1);
    EXPECT_EQ(name_in(work() / "1.HUL"), "Shatter");

    for (int number = 2; number <= 99; ++number) {
        write_bytes(std::to_string(number) + ".HUL", "taken");
    }
    Result<std::int32_t> next = save_numbered_settings(settings, 0, vxdll_extension);
    ASSERT_TRUE(next) << next.error();
    EXPECT_EQ(*next, 101);
    EXPECT_FALSE(std::filesystem::exists(work() / "100.HUL"));
    EXPECT_EQ(name_in(work() / "101.HUL"), "Shatter");

    // The PI_ files count apart from the vxDLL ones; a file in another
    // case holds its number too.
    write_bytes("1.hmc", "taken");
    Result<std::int32_t> track = save_numbered_settings(settings, 0, pi_extension);
    ASSERT_TRUE(track) << track.error();
    EXPECT_EQ(*track, 2);
}

TEST_F(NumberedSettingsTest, AnExistingNumberIsRewrittenInPlace) {
    name("Shatter");
    ASSERT_TRUE(save_numbered_settings(settings, 1234, vxdll_extension));
    name("PageTurn");
    Result<std::int32_t> again = save_numbered_settings(settings, 1234, vxdll_extension);
    ASSERT_TRUE(again) << again.error();
    EXPECT_EQ(*again, 1234);
    EXPECT_EQ(name_in(work() / "1234.HUL"), "PageTurn");
    // No temporary file is left beside it.
    EXPECT_EQ(work_files(), std::vector<std::string>{"1234.HUL"});

    EffectSettings loaded;
    ASSERT_TRUE(settings_initialise(loaded));
    ASSERT_TRUE(load_numbered_settings(loaded, 1234, vxdll_extension));
    EXPECT_FALSE(settings_differ(loaded, settings));
    settings_destroy(loaded);
}

TEST_F(NumberedSettingsTest, FilesThatCannotBeReadLeaveTheSettingsAsTheyWere) {
    name("Keep");
    write_bytes("3.HUL", "");
    write_bytes("4.HUL", "KDR");
    write_bytes("5.HUL", "MSAV\x4c\x46\x52\x4d\x04\x00\x00\x00\x01\x00\x00\x00");
    std::filesystem::create_directory(work() / "6.HUL");
    for (std::int32_t number : {0, -3, 2, 3, 4, 5, 6}) {
        EXPECT_FALSE(load_numbered_settings(settings, number, vxdll_extension)) << number;
        EXPECT_STREQ(settings.name, "Keep") << number;
    }

    // A file cut inside a chunk is refused whole; the same file complete
    // is read.
    EffectSettings other;
    ASSERT_TRUE(settings_initialise(other));
    std::strcpy(other.name, "Cut");
    const std::vector<std::uint8_t> block = settings_to_block(other);
    settings_destroy(other);
    write_bytes("7.HUL", std::string(block.begin() + 4, block.end() - 3));
    EXPECT_FALSE(load_numbered_settings(settings, 7, vxdll_extension));
    EXPECT_STREQ(settings.name, "Keep");
    write_bytes("8.HUL", std::string(block.begin() + 4, block.end()));
    EXPECT_TRUE(load_numbered_settings(settings, 8, vxdll_extension));
    EXPECT_STREQ(settings.name, "Cut");
}

TEST_F(NumberedSettingsTest, AFolderThatCannotBeWrittenEndsTheSearch) {
    // The work folder missing: an error at the first number, not a search
    // through every number.
    std::filesystem::remove_all(work());
    Result<std::int32_t> missing = save_numbered_settings(settings, 0, vxdll_extension);
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().find("1.HUL"), std::string::npos) << missing.error();
    EXPECT_FALSE(save_numbered_settings(settings, 12, vxdll_extension));

    // A file where the folder should be.
    std::ofstream(work()) << "not a folder";
    EXPECT_FALSE(claim_settings_number(work(), vxdll_extension));
    EXPECT_FALSE(save_numbered_settings(settings, 0, pi_extension));
}

TEST_F(NumberedSettingsTest, AFailedWriteGivesUpTheClaimedNumber) {
    // The temporary file cannot be made beside a number whose path is a
    // folder: the old settings stay, and no number is handed out.
    name("Old");
    ASSERT_TRUE(save_numbered_settings(settings, 9, vxdll_extension));
    const std::filesystem::path file = work() / "9.HUL";
    std::filesystem::remove(file);
    std::filesystem::create_directory(file);
    std::ofstream(file / "inside") << "x";
    name("New");
    EXPECT_FALSE(save_numbered_settings(settings, 9, vxdll_extension));
    EXPECT_TRUE(std::filesystem::is_directory(file));
}

// Two writers claiming new numbers at once, as two processes (two host
// programs) and as two threads (two instances in one host): every save gets
// a number of its own and every file holds its writer's settings.
TEST_F(NumberedSettingsTest, WritersSavingAtOnceNeverShareANumber) {
    constexpr int saves = 50;
    int pipe_ends[2];
    ASSERT_EQ(::pipe(pipe_ends), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    const char* who = child == 0 ? "Child" : "Parent";
    std::strcpy(settings.name, who);
    std::vector<std::int32_t> numbers;
    for (int i = 0; i < saves; ++i) {
        Result<std::int32_t> saved = save_numbered_settings(settings, 0, vxdll_extension);
        numbers.push_back(saved ? *saved : -1);
    }
    if (child == 0) {
        ::close(pipe_ends[0]);
        const auto bytes = static_cast<ssize_t>(numbers.size() * sizeof numbers[0]);
        const bool sent = ::write(pipe_ends[1], numbers.data(), bytes) == bytes;
        ::_exit(sent ? 0 : 1);
    }
    ::close(pipe_ends[1]);
    std::vector<std::int32_t> theirs(saves, -1);
    const auto bytes = static_cast<ssize_t>(theirs.size() * sizeof theirs[0]);
    EXPECT_EQ(::read(pipe_ends[0], theirs.data(), bytes), bytes);
    ::close(pipe_ends[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    std::set<std::int32_t> all;
    for (std::int32_t number : numbers) {
        ASSERT_GT(number, 0);
        EXPECT_EQ(name_in(work() / (std::to_string(number) + ".HUL")), "Parent") << number;
        all.insert(number);
    }
    for (std::int32_t number : theirs) {
        ASSERT_GT(number, 0);
        EXPECT_EQ(name_in(work() / (std::to_string(number) + ".HUL")), "Child") << number;
        all.insert(number);
    }
    EXPECT_EQ(all.size(), 100u);
    EXPECT_EQ(*all.rbegin(), 101) << "1 to 99 and 101";
    EXPECT_EQ(work_files().size(), 100u);
}

TEST_F(NumberedSettingsTest, ThreadsSavingAtOnceNeverShareANumber) {
    constexpr int saves = 40;
    std::vector<std::int32_t> first;
    std::vector<std::int32_t> second;
    auto save_many = [](std::vector<std::int32_t>& numbers, const char* who) {
        EffectSettings own;
        if (!settings_initialise(own)) {
            return;
        }
        std::strcpy(own.name, who);
        for (int i = 0; i < saves; ++i) {
            Result<std::int32_t> saved = save_numbered_settings(own, 0, pi_extension);
            numbers.push_back(saved ? *saved : -1);
        }
        settings_destroy(own);
    };
    std::thread one(save_many, std::ref(first), "One");
    std::thread two(save_many, std::ref(second), "Two");
    one.join();
    two.join();
    std::set<std::int32_t> all(first.begin(), first.end());
    all.insert(second.begin(), second.end());
    EXPECT_EQ(all.size(), 2u * saves);
    EXPECT_EQ(all.count(-1), 0u);
    for (std::int32_t number : second) {
        EXPECT_EQ(name_in(work() / (std::to_string(number) + ".HMC")), "Two");
    }
}

}  // namespace
}  // namespace kdr::settings_files
