#include "kaleidra/updater/file_ops.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include "kaleidra/testing/temp_folder.h"
#include "updater_testing.h"

namespace kdr::updater {
namespace {

namespace fs = std::filesystem;
using testing::mode_of;
using testing::read_file;
using testing::write_file;

UniqueFd open_path(const fs::path& folder) {
    return UniqueFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

Status copy(const fs::path& source, const fs::path& folder, const std::string& name) {
    Result<UniqueFd> input = open_for_reading(AT_FDCWD, source.string());
    if (!input) {
        return Error{input.error()};
    }
    UniqueFd target = open_path(folder);
    return replace_file(input->get(), target.get(), name);
}

int entries_in(const fs::path& folder) {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

// A chain of folders whose whole path is far beyond the kernel's 4096-byte
// limit on one path, made one component at a time.
std::string make_deep_folder(const fs::path& top) {
    std::string path = top.string();
    UniqueFd folder = open_path(top);
    for (int level = 0; level < 30; ++level) {
        std::string name = std::string(200, static_cast<char>('a' + level % 26));
        EXPECT_EQ(::mkdirat(folder.get(), name.c_str(), 0755), 0);
        folder = UniqueFd(::openat(folder.get(), name.c_str(), O_RDONLY | O_DIRECTORY));
        path += "/" + name;
    }
    EXPECT_GT(path.size(), 6000u);
    return path;
}

TEST(ReplaceFile, KeepsTheReplacedFilesPermissionsAndLeavesNoTemporaryFile) {
    test::TempFolder folder;
    write_file(folder.path() / "new.so", "new contents");
    write_file(folder.path() / "dest" / "plugin.so", "old");
    fs::permissions(folder.path() / "new.so", fs::perms(0644));
    fs::permissions(folder.path() / "dest" / "plugin.so", fs::perms(0750));

    ASSERT_TRUE(copy(folder.path() / "new.so", folder.path() / "dest", "plugin.so").ok());
    EXPECT_EQ(read_file(folder.path() / "dest" / "plugin.so"), "new contents");
    EXPECT_EQ(mode_of(folder.path() / "dest" / "plugin.so"), 0750u);
    EXPECT_EQ(entries_in(folder.path() / "dest"), 1);
}

TEST(ReplaceFile, NewFileTakesTheSourcesPermissionsLessTheUmask) {
    test::TempFolder folder;
    write_file(folder.path() / "tool", "#!/bin/sh\n");
    fs::permissions(folder.path() / "tool", fs::perms(0777));
    mode_t previous = ::umask(022);
    Status status = copy(folder.path() / "tool", folder.path(), "tool-copy");
    ::umask(previous);
    ASSERT_TRUE(status.ok()) << status.error();
    EXPECT_EQ(mode_of(folder.path() / "tool-copy"), 0755u);
}

TEST(ReplaceFile, ACopyCutShortLeavesTheOldFileWhole) {
    // The file size limit stands in for a disk that fills up half-way.
    test::TempFolder folder;
    std::string big(200000, 'n');
    write_file(folder.path() / "big.so", big);
    write_file(folder.path() / "dest" / "plugin.so", "precious old plug-in");

    struct rlimit previous {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    struct rlimit small = previous;
    small.rlim_cur = 70000;
    auto previous_handler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    Status status = copy(folder.path() / "big.so", folder.path() / "dest", "plugin.so");
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previous_handler);

    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error().find("cannot write"), std::string::npos) << status.error();
    EXPECT_EQ(read_file(folder.path() / "dest" / "plugin.so"), "precious old plug-in");
    EXPECT_EQ(entries_in(folder.path() / "dest"), 1) << "the temporary file was left behind";
}

TEST(ReplaceFile, ReplacesALinkItselfAndNeverAFolder) {
    test::TempFolder folder;
    write_file(folder.path() / "source", "new");
    write_file(folder.path() / "elsewhere", "untouched");
    fs::create_symlink(folder.path() / "elsewhere", folder.path() / "link");
    fs::create_directory(folder.path() / "sub");

    ASSERT_TRUE(copy(folder.path() / "source", folder.path(), "link").ok());
    EXPECT_FALSE(fs::is_symlink(folder.path() / "link"));
    EXPECT_EQ(read_file(folder.path() / "link"), "new");
    EXPECT_EQ(read_file(folder.path() / "elsewhere"), "untouched");

    Status status = copy(folder.path() / "source", folder.path(), "sub");
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error().find("is a folder"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(folder.path() / "sub"));
}

TEST(PathsOfAnyLength, AreOpenedCopiedReadAndDeletedWhole) {
    test::TempFolder folder;
    std::string deep = make_deep_folder(folder.path());
    write_file(folder.path() / "source", "deep contents");

    Result<EntryRef> parent = open_parent(AT_FDCWD, deep + "/file.txt");
    ASSERT_TRUE(parent.ok()) << parent.error();
    EXPECT_EQ(parent->name, "file.txt");
    Result<UniqueFd> source = open_for_reading(AT_FDCWD, (folder.path() / "source").string());
    ASSERT_TRUE(source.ok());
    ASSERT_TRUE(replace_file(source->get(), parent->folder.get(), parent->name).ok());

    Result<std::string> back = read_small_file(AT_FDCWD, deep + "/file.txt", 100);
    ASSERT_TRUE(back.ok()) << back.error();
    EXPECT_EQ(*back, "deep contents");
    bool missing = true;
    ASSERT_TRUE(delete_file(AT_FDCWD, deep + "/file.txt", missing).ok());
    EXPECT_FALSE(missing);
    EXPECT_FALSE(read_small_file(AT_FDCWD, deep + "/file.txt", 100).ok());
    testing::remove_contents(folder.path());
}

TEST(PathsOfAnyLength, RelativePathsStartAtTheBaseFolder) {
    test::TempFolder folder;
    write_file(folder.path() / "update" / "plugin.dll", "x");
    UniqueFd base = open_path(folder.path() / "update");
    EXPECT_TRUE(open_for_reading(base.get(), "plugin.dll").ok());
    EXPECT_TRUE(open_for_reading(base.get(), "./../update/plugin.dll").ok());
    EXPECT_FALSE(open_for_reading(base.get(), "missing.dll").ok());
}

TEST(OpenParent, RefusesPathsThatNameNoFile) {
    for (const char* path : {"", "/", "folder/", ".", "a/..", "/var/."}) {
        EXPECT_FALSE(open_parent(AT_FDCWD, path).ok()) << path;
    }
}

TEST(DeleteFile, MissingFileIsNoFailureAndAFolderIsNeverRemoved) {
    test::TempFolder folder;
    write_file(folder.path() / "old.so", "x");
    fs::create_directory(folder.path() / "folder");
    bool missing = false;
    ASSERT_TRUE(delete_file(AT_FDCWD, (folder.path() / "old.so").string(), missing).ok());
    EXPECT_FALSE(missing);
    EXPECT_FALSE(fs::exists(folder.path() / "old.so"));
    ASSERT_TRUE(delete_file(AT_FDCWD, (folder.path() / "old.so").string(), missing).ok());
    EXPECT_TRUE(missing);
    EXPECT_FALSE(delete_file(AT_FDCWD, (folder.path() / "folder").string(), missing).ok());
    EXPECT_TRUE(fs::is_directory(folder.path() / "folder"));
}

TEST(ReadSmallFile, RefusesPipesFoldersAndFilesBeyondTheLimit) {
    test::TempFolder folder;
    ASSERT_EQ(::mkfifo((folder.path() / "pipe").c_str(), 0600), 0);
    // Opening a pipe with no writer would wait for ever; it must fail at once.
    EXPECT_FALSE(read_small_file(AT_FDCWD, (folder.path() / "pipe").string(), 100).ok());
    EXPECT_FALSE(read_small_file(AT_FDCWD, folder.path().string(), 100).ok());
    write_file(folder.path() / "text", std::string(101, 't'));
    Result<std::string> too_big = read_small_file(AT_FDCWD, (folder.path() / "text").string(), 100);
    ASSERT_FALSE(too_big.ok());
    EXPECT_NE(too_big.error().find("larger than 100 bytes"), std::string::npos);
    EXPECT_EQ(read_small_file(AT_FDCWD, (folder.path() / "text").string(), 101)->size(), 101u);
}

}  // namespace
}  // namespace kdr::updater
