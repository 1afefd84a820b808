#include "kaleidra/updater/drive_search.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "kaleidra/testing/temp_folder.h"
#include "kaleidra/updater/file_ops.h"
#include "kaleidra/updater/mount_table.h"
#include "updater_testing.h"

namespace kdr::updater {
namespace {

namespace fs = std::filesystem;
using testing::Event;
using testing::mode_of;
using testing::read_file;
using testing::RecordingProgress;
using testing::write_file;

// A searched tree in a temporary folder: the update folder "upd" with the new
// readme, and README.TXT files placed where the search must and must not
// replace them.
class DriveSearch : public ::testing::Test {
  protected:
    DriveSearch() : m_top(m_root.path()), m_update(m_top / "upd") {
        write_file(m_update / "readme.txt", "NEW");
        write_file(m_update / "inner" / "README.TXT", "old, in the update");
        m_update_fd = UniqueFd(::open(m_update.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    }

    SearchOutcome search(std::vector<std::string> names, std::vector<std::string> roots,
                         std::vector<std::string> mounts = {}) {
        SearchSettings settings;
        settings.roots = std::move(roots);
        settings.mount_points = std::move(mounts);
        settings.update_folder = m_update_fd.get();
        BackupFolder backup(m_update_fd.get(), m_update.string(), "backup-test");
        SearchOutcome outcome = search_and_replace(names, settings, backup, m_progress);
        m_backup = backup.path();
        return outcome;
    }

    void old_file(const fs::path& relative) {
        write_file(m_top / relative, "old " + relative.string());
    }
    std::string path(const fs::path& relative) const { return (m_top / relative).string(); }
    bool replaced(const fs::path& relative) const { return read_file(m_top / relative) == "NEW"; }

    test::TempFolder m_root;
    fs::path m_top;
    fs::path m_update;
    UniqueFd m_update_fd;
    RecordingProgress m_progress;
    std::string m_backup;
};

TEST_F(DriveSearch, ReplacesEveryCopyExceptInTheUpdateFolderAndMasterPaths) {
    for (const char* file :
         {"disk/README.TXT", "disk/a/ReadMe.Txt", "disk/a/b/readme.txt", "upd2/README.TXT",
          "disk/master/README.TXT", "disk/MASTER/README.TXT", "disk/x/OLDMASTERS/y/README.TXT",
          "disk/.hidden/README.TXT", "disk/readme.txt.bak"}) {
        old_file(file);
    }
    SearchOutcome outcome = search({"readme.txt"}, {m_top.string()});

    std::vector<std::string> expected = {path("disk/README.TXT"), path("disk/a/ReadMe.Txt"),
                                         path("disk/a/b/readme.txt"),
                                         path("disk/master/README.TXT"), path("upd2/README.TXT")};
    EXPECT_EQ(outcome.replaced, expected);
    EXPECT_EQ(outcome.failed, 0);
    for (const std::string& file : expected) {
        EXPECT_EQ(read_file(file), "NEW") << file;
    }
    // A sibling whose name starts with the update folder's is still searched;
    // the update folder itself, MASTER paths and dot folders are not.
    EXPECT_EQ(read_file(m_update / "inner" / "README.TXT"), "old, in the update");
    EXPECT_FALSE(replaced("disk/MASTER/README.TXT"));
    EXPECT_FALSE(replaced("disk/x/OLDMASTERS/y/README.TXT"));
    EXPECT_FALSE(replaced("disk/.hidden/README.TXT"));
    EXPECT_FALSE(replaced("disk/readme.txt.bak"));
}

TEST_F(DriveSearch, ShowsEachFolderAndEachReplacedFile) {
    old_file("disk/a/README.TXT");
    search({"readme.txt"}, {m_top.string()});
    std::vector<std::string> uppers = m_progress.texts(Event::upper);
    ASSERT_FALSE(uppers.empty());
    EXPECT_EQ(uppers.front(), "Searching " + m_top.string() + "/");
    EXPECT_EQ(m_progress.events.front().upper_kind, UpperText::search_root);
    EXPECT_NE(std::find(uppers.begin(), uppers.end(), "Searching " + path("disk/a") + "/"),
              uppers.end());
    EXPECT_EQ(std::find(uppers.begin(), uppers.end(), "Searching " + m_update.string() + "/"),
              uppers.end());
    EXPECT_EQ(m_progress.texts(Event::lower),
              (std::vector<std::string>{"Replaced " + path("disk/a/README.TXT")}));
}

TEST_F(DriveSearch, KeepsACopyOfEveryReplacedFileAndListsIt) {
    old_file("disk/a/README.TXT");
    old_file("disk/b/readme.txt");
    fs::permissions(m_top / "disk/a/README.TXT", fs::perms(0640));
    search({"readme.txt"}, {m_top.string()});

    ASSERT_EQ(m_backup, (m_update / "backup-test").string());
    EXPECT_EQ(read_file(m_backup + path("disk/a/README.TXT")), "old disk/a/README.TXT");
    EXPECT_EQ(read_file(m_backup + path("disk/b/readme.txt")), "old disk/b/readme.txt");
    EXPECT_EQ(mode_of(m_backup + path("disk/a/README.TXT")), 0640u);
    EXPECT_EQ(mode_of(m_top / "disk/a/README.TXT"), 0640u);
    EXPECT_EQ(read_file(m_backup + "/replaced.txt"),
              path("disk/a/README.TXT") + "\n" + path("disk/b/readme.txt") + "\n");

    // A second search keeps its copies in a folder of its own.
    old_file("disk/a/README.TXT");
    search({"readme.txt"}, {m_top.string()});
    EXPECT_EQ(m_backup, (m_update / "backup-test-2").string());
    EXPECT_EQ(read_file(m_backup + path("disk/a/README.TXT")), "old disk/a/README.TXT");
}

TEST_F(DriveSearch, NoBackupFolderWhenNothingIsReplaced) {
    old_file("disk/other.txt");
    search({"readme.txt"}, {m_top.string()});
    EXPECT_TRUE(m_backup.empty());
    EXPECT_FALSE(fs::exists(m_update / "backup-test"));
}

TEST_F(DriveSearch, FollowsNoSymbolicLinkAndReplacesOnlyRegularFiles) {
    test::TempFolder outside;
    write_file(outside.path() / "README.TXT", "outside");
    write_file(outside.path() / "deeper" / "README.TXT", "outside too");
    old_file("disk/README.TXT");
    fs::create_directory_symlink(m_top / "disk", m_top / "disk" / "loop");
    fs::create_directory_symlink(outside.path(), m_top / "disk" / "out");
    fs::create_directories(m_top / "disk" / "links");
    fs::create_symlink(outside.path() / "README.TXT", m_top / "disk" / "links" / "README.TXT");
    ASSERT_EQ(::mkfifo((m_top / "disk" / "links" / "readme.txt").c_str(), 0600), 0);

    SearchOutcome outcome = search({"readme.txt"}, {m_top.string()});
    EXPECT_EQ(outcome.replaced, (std::vector<std::string>{path("disk/README.TXT")}));
    EXPECT_EQ(read_file(outside.path() / "README.TXT"), "outside");
    EXPECT_EQ(read_file(outside.path() / "deeper" / "README.TXT"), "outside too");
    EXPECT_TRUE(fs::is_symlink(m_top / "disk" / "links" / "README.TXT"));
    for (const std::string& upper : m_progress.texts(Event::upper)) {
        EXPECT_EQ(upper.find("/loop/"), std::string::npos) << upper;
        EXPECT_EQ(upper.find("/out/"), std::string::npos) << upper;
    }
}

TEST_F(DriveSearch, StopsAtOtherMountsAndSearchesEachRootOnce) {
    old_file("disk/README.TXT");
    old_file("disk/mounted/README.TXT");
    SearchOutcome outcome =
        search({"readme.txt"}, {m_top.string(), m_top.string() + "/", path("disk/mounted")},
               {path("disk/mounted")});
    // The mount is not entered from above but is searched as a root of its own.
    EXPECT_EQ(outcome.replaced,
              (std::vector<std::string>{path("disk/README.TXT"), path("disk/mounted/README.TXT")}));
    std::vector<std::string> uppers = m_progress.texts(Event::upper);
    EXPECT_EQ(std::count(uppers.begin(), uppers.end(), "Searching " + path("disk") + "/"), 1);
}

TEST_F(DriveSearch, NeverCrossesIntoAnotherDevice) {
    // /dev and /dev/pts are file systems of their own on every Linux machine;
    // with no mount points given, only the device check keeps the search out.
    std::vector<MountEntry> table = parse_mount_table(*read_mount_table());
    bool pts_mounted = std::any_of(table.begin(), table.end(), [](const MountEntry& entry) {
        return entry.mount_point == "/dev/pts";
    });
    ASSERT_TRUE(pts_mounted) << "this machine has no /dev/pts mount";
    SearchOutcome outcome = search({"no-file-has-this-name.kdr"}, {"/dev"});
    EXPECT_TRUE(outcome.replaced.empty());
    std::vector<std::string> uppers = m_progress.texts(Event::upper);
    ASSERT_FALSE(uppers.empty());
    EXPECT_EQ(uppers.front(), "Searching /dev/");
    EXPECT_EQ(std::find(uppers.begin(), uppers.end(), "Searching /dev/pts/"), uppers.end());
}

TEST_F(DriveSearch, AMissingReplacementWarnsAndTouchesNothing) {
    old_file("disk/setup.ini");
    SearchOutcome outcome = search({"readme.txt", "SETUP.INI"}, {m_top.string()});
    EXPECT_EQ(outcome.failed, 1);
    EXPECT_EQ(m_progress.boxes(), (std::vector<std::string>{"File copy failed!"}));
    EXPECT_EQ(read_file(m_top / "disk/setup.ini"), "old disk/setup.ini");
    EXPECT_FALSE(fs::exists(m_update / "backup-test"));
}

TEST_F(DriveSearch, FirstMatchingCommandDecides) {
    write_file(m_update / "Notes.txt", "NOTES");
    old_file("disk/notes.TXT");
    SearchOutcome outcome = search({"Notes.txt", "NOTES.TXT", "notes.txt"}, {m_top.string()});
    EXPECT_EQ(outcome.replaced.size(), 1u);
    EXPECT_EQ(read_file(m_top / "disk/notes.TXT"), "NOTES");
}

TEST_F(DriveSearch, FilesDeeperThanAnyPathBufferAreReplaced) {
    UniqueFd folder(::open(m_top.c_str(), O_PATH | O_DIRECTORY));
    std::string whole = m_top.string();
    for (int level = 0; level < 30; ++level) {
        std::string name(200, static_cast<char>('a' + level % 26));
        ASSERT_EQ(::mkdirat(folder.get(), name.c_str(), 0755), 0);
        folder = UniqueFd(::openat(folder.get(), name.c_str(), O_PATH | O_DIRECTORY));
        whole += "/" + name;
    }
    UniqueFd file(::openat(folder.get(), "README.TXT", O_WRONLY | O_CREAT, 0644));
    ASSERT_EQ(::write(file.get(), "old", 3), 3);
    file = UniqueFd();

    SearchOutcome outcome = search({"readme.txt"}, {m_top.string()});
    ASSERT_EQ(outcome.replaced, (std::vector<std::string>{whole + "/README.TXT"}));
    EXPECT_EQ(*read_small_file(AT_FDCWD, whole + "/README.TXT", 10), "NEW");
    EXPECT_EQ(*read_small_file(AT_FDCWD, m_backup + whole + "/README.TXT", 10), "old");
    testing::remove_contents(m_top);
}

TEST(BackupListing, EscapesNamesThatWouldBreakTheList) {
    EXPECT_EQ(listed_path("/a\\b/c\nd\te\rf"), "/a\\\\b/c\\nd\\te\\rf");
    std::string name = backup_folder_name();
    EXPECT_EQ(name.size(), std::string("backup-YYYYMMDD-HHMMSS").size());
    EXPECT_EQ(name.rfind("backup-", 0), 0u);
}

}  // namespace
}  // namespace kdr::updater
