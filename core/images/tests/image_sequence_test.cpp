#include "kaleidra/images/image_sequence.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "kaleidra/testing/temp_folder.h"

namespace kdr {
namespace {

struct Numbered {
    const char* name;
    std::uint32_t index;
    const char* expected;
};

class NumberedName : public ::testing::TestWithParam<Numbered> {};

TEST_P(NumberedName, ReplacesTheDigitsBeforeTheFirstDot) {
    EXPECT_EQ(numbered_file_name(GetParam().name, GetParam().index), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rule, NumberedName,
    ::testing::Values(Numbered{"take0001.bmp", 17, "take0017.bmp"},
                      Numbered{"take0001.bmp", 0, "take0000.bmp"},
                      Numbered{"take99.tga", 123, "take123.tga"},
                      Numbered{"0001.bmp", 2, "0002.bmp"}, Numbered{"a1.b2.bmp", 7, "a7.b2.bmp"},
                      Numbered{"take.0001.bmp", 5, "take.0001.bmp"},
                      Numbered{"clip.bmp", 4, "clip.bmp"}, Numbered{"frame07", 3, "frame03"},
                      Numbered{"shots.v2/take01.tga", 5, "shots.v2/take05.tga"},
                      Numbered{"shots.v2/take.tga", 5, "shots.v2/take.tga"},
                      Numbered{"run3/clip.bmp", 5, "run3/clip.bmp"}));

// A folder holding empty files of the given names.
class SequenceFolder {
  public:
    explicit SequenceFolder(std::initializer_list<const char*> names) {
        for (const char* name : names) {
            add(name);
        }
    }
    void add(const std::string& name) const { std::ofstream(m_folder.path() / name) << ""; }
    std::string path(const std::string& name) const { return (m_folder.path() / name).string(); }
    const std::filesystem::path& folder() const { return m_folder.path(); }

    // The files tried for frame `index` of `name` when none of them loads,
    // as names within the folder.
    std::vector<std::string> attempts(const std::string& name, std::uint32_t index) const {
        SequenceFiles files;
        return attempts(files, name, index);
    }
    std::vector<std::string> attempts(SequenceFiles& files, const std::string& name,
                                      std::uint32_t index) const {
        std::vector<std::string> tried;
        EXPECT_FALSE(files.load_frame(path(name), index, [&](const std::string& file) {
            tried.push_back(std::filesystem::path(file).filename().string());
            return false;
        }));
        return tried;
    }

  private:
    test::TempFolder m_folder;
};

using Names = std::vector<std::string>;

TEST(SequenceFallback, TriesTheExistingEarlierFramesHighestFirstThenTheNameAsGiven) {
    const SequenceFolder folder({"f00.tga", "f01.tga", "f03.tga", "f07.tga", "f123.tga"});
    EXPECT_EQ(folder.attempts("f05.tga", 5), (Names{"f03.tga", "f01.tga", "f00.tga", "f05.tga"}));
    EXPECT_EQ(folder.attempts("f05.tga", 7),
              (Names{"f07.tga", "f03.tga", "f01.tga", "f00.tga", "f05.tga"}));
    // Numbers wider than the name's digits are printed in full.
    EXPECT_EQ(folder.attempts("f05.tga", 200).front(), "f123.tga");
}

TEST(SequenceFallback, FilesThatTheNameRuleWouldNotGiveAreNotFrames) {
    // Too few or too many zeros, other stems, extensions or case, and
    // leftovers beside the sequence.
    const SequenceFolder folder({"f3.tga", "f003.tga", "g02.tga", "f02.bmp", "F02.tga",
                                 "f02.tga.bak", "f02x.tga", "f+2.tga", "f99999999999.tga"});
    EXPECT_EQ(folder.attempts("f05.tga", 1000), (Names{"f05.tga"}));
}

TEST(SequenceFallback, FrameZeroAlsoTriesFrameOne) {
    const SequenceFolder folder({"f00.tga", "f01.tga", "f02.tga"});
    EXPECT_EQ(folder.attempts("f05.tga", 0), (Names{"f00.tga", "f01.tga", "f05.tga"}));
    const SequenceFolder from_one({"f01.tga", "f02.tga"});
    EXPECT_EQ(from_one.attempts("f05.tga", 0), (Names{"f01.tga", "f05.tga"}));
}

TEST(SequenceFallback, ANameWithoutDigitsIsTriedOnce) {
    const SequenceFolder folder({"still.bmp", "still0.bmp", "still1.bmp"});
    EXPECT_EQ(folder.attempts("still.bmp", 40), (Names{"still.bmp"}));
}

TEST(SequenceFallback, StopsAtTheFirstFrameThatLoads) {
    const SequenceFolder folder({"f1.bmp", "f2.bmp", "f3.bmp", "f4.bmp"});
    std::vector<std::string> tried;
    EXPECT_TRUE(load_sequence_frame(folder.path("f1.bmp"), 4, [&](const std::string& file) {
        tried.push_back(std::filesystem::path(file).filename().string());
        return file == folder.path("f2.bmp");
    }));
    EXPECT_EQ(tried, (Names{"f4.bmp", "f3.bmp", "f2.bmp"}));
}

// Frame 2,000,000 of a seven-picture sequence tries the seven pictures, not
// two million names.
TEST(SequenceFallback, AFarFrameTriesOnlyTheFilesThatExist) {
    const SequenceFolder folder({"take0001.bmp", "take0002.bmp", "take0003.bmp", "take0004.bmp",
                                 "take0005.bmp", "take0006.bmp", "take0007.bmp"});
    const Names tried = folder.attempts("take0001.bmp", 2'000'000);
    EXPECT_EQ(tried, (Names{"take0007.bmp", "take0006.bmp", "take0005.bmp", "take0004.bmp",
                            "take0003.bmp", "take0002.bmp", "take0001.bmp", "take0001.bmp"}));
    EXPECT_EQ(folder.attempts("take0001.bmp", UINT32_MAX).size(), 8u);
}

TEST(SequenceFallback, AFolderThatCannotBeListedTriesTheFrameAndTheName) {
    const SequenceFolder folder({});
    SequenceFiles files;
    std::vector<std::string> tried;
    EXPECT_FALSE(files.load_frame(folder.path("absent/f05.tga"), 3, [&](const std::string& file) {
        tried.push_back(file);
        return false;
    }));
    EXPECT_EQ(tried, (Names{folder.path("absent/f03.tga"), folder.path("absent/f05.tga")}));
}

// The listing is kept while the folder stays as it was, and made afresh
// when the folder changes or another sequence is asked for.
TEST(SequenceFiles, ListsTheFolderAgainOnlyWhenItChanges) {
    const SequenceFolder folder({"f01.tga", "f04.tga"});
    const auto an_hour_ago = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    std::filesystem::last_write_time(folder.folder(), an_hour_ago);
    SequenceFiles files;
    EXPECT_EQ(folder.attempts(files, "f01.tga", 9), (Names{"f04.tga", "f01.tga", "f01.tga"}));

    // A file added behind the folder's back (its time set back) is not seen:
    // the numbers were kept.
    folder.add("f08.tga");
    std::filesystem::last_write_time(folder.folder(), an_hour_ago);
    EXPECT_EQ(files.numbers(), (std::vector<std::uint32_t>{1, 4}));
    EXPECT_EQ(folder.attempts(files, "f01.tga", 9), (Names{"f04.tga", "f01.tga", "f01.tga"}));

    // The folder's changed time makes it listed again.
    std::filesystem::last_write_time(folder.folder(),
                                     std::filesystem::file_time_type::clock::now());
    EXPECT_EQ(folder.attempts(files, "f01.tga", 9),
              (Names{"f08.tga", "f04.tga", "f01.tga", "f01.tga"}));
    EXPECT_EQ(files.numbers(), (std::vector<std::uint32_t>{1, 4, 8}));

    // Another sequence in the same folder.
    folder.add("g2.tga");
    std::filesystem::last_write_time(folder.folder(), an_hour_ago);
    EXPECT_EQ(folder.attempts(files, "g7.tga", 9), (Names{"g2.tga", "g7.tga"}));
}

}  // namespace
}  // namespace kdr
