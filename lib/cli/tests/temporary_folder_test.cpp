#include "kaleidra/cli/temporary_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <utility>

namespace kdr::cli {
namespace {

namespace fs = std::filesystem;

TEST(TemporaryFolder, IsMadeFreshAndRemovedWithItsContents) {
    fs::path where;
    {
        Result<TemporaryFolder> folder = TemporaryFolder::create("kaleidra-cli-test-");
        ASSERT_TRUE(folder.ok()) << folder.error();
        where = folder->path();
        EXPECT_TRUE(fs::is_directory(where));
        EXPECT_EQ(where.filename().string().rfind("kaleidra-cli-test-", 0), 0u);
        fs::create_directories(where / "EFFECTS");
        std::ofstream(where / "EFFECTS" / "Spin.KDR") << "data";
    }
    EXPECT_FALSE(fs::exists(where));
}

TEST(TemporaryFolder, TwoFoldersNeverShareAPath) {
    Result<TemporaryFolder> first = TemporaryFolder::create("kaleidra-cli-test-");
    Result<TemporaryFolder> second = TemporaryFolder::create("kaleidra-cli-test-");
    ASSERT_TRUE(first.ok() && second.ok());
    EXPECT_NE(first->path(), second->path());
}

TEST(TemporaryFolder, MovingHandsTheFolderOverAndRemovesItOnce) {
    Result<TemporaryFolder> made = TemporaryFolder::create("kaleidra-cli-test-");
    ASSERT_TRUE(made.ok());
    const fs::path where = made->path();
    TemporaryFolder moved = std::move(*made);
    EXPECT_EQ(moved.path(), where);
    EXPECT_TRUE(made->path().empty());
    {
        TemporaryFolder gone = std::move(*made);  // an empty object removes nothing
    }
    EXPECT_TRUE(fs::is_directory(where));

    Result<TemporaryFolder> other = TemporaryFolder::create("kaleidra-cli-test-");
    ASSERT_TRUE(other.ok());
    const fs::path replaced = other->path();
    *other = std::move(moved);
    EXPECT_FALSE(fs::exists(replaced)) << "assigning over a folder removes the one it held";
    EXPECT_TRUE(fs::is_directory(where));
}

TEST(TemporaryFolder, FailsWithAMessageWhenTheTemporaryFolderIsUnusable) {
    const char* previous = std::getenv("TMPDIR");
    const std::string saved = previous != nullptr ? previous : "";
    ::setenv("TMPDIR", "/nonexistent/kaleidra", 1);
    Result<TemporaryFolder> folder = TemporaryFolder::create("kaleidra-cli-test-");
    if (previous != nullptr) {
        ::setenv("TMPDIR", saved.c_str(), 1);
    } else {
        ::unsetenv("TMPDIR");
    }
    ASSERT_FALSE(folder.ok());
    EXPECT_NE(folder.error().find("temporary folder"), std::string::npos) << folder.error();
}

}  // namespace
}  // namespace kdr::cli
