#include "kaleidra/updater/session.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "kaleidra/testing/temp_folder.h"
#include "updater_testing.h"

namespace kdr::updater {
namespace {

namespace fs = std::filesystem;
using platform::MessageAnswer;
using platform::MessageKind;
using platform::Registry;
using platform::RegistryValue;
using testing::crlf_lines;
using testing::Event;
using testing::read_file;
using testing::RecordingProgress;
using testing::script_key;
using testing::write_file;

// A whole run against an update folder, an installation folder and a
// temporary registry store, with the drive search confined to "disks".
class UpdateRun : public ::testing::Test, protected testing::UpdateFolders {
  protected:
    UpdateRun() {
        write_file(update / "update.txt", "Kaleidra 3.0.9\r\nPress OK to update.");
        write_file(update / "plugin.dll", "new plug-in");
        write_file(update / "readme.txt", "new readme");
    }

    SessionSettings settings() const {
        SessionSettings settings;
        settings.update_path = update.string();
        settings.registry = registry();
        settings.system_folders = {(root.path() / "etc").string(), (root.path() / "lib").string()};
        std::string disks = (root.path() / "disks").string();
        settings.mount_table = [disks]() -> Result<std::string> {
            return "proc /proc proc rw 0 0\n/dev/sda1 " + disks + " ext4 rw,relatime 0 0\n";
        };
        return settings;
    }

    int run(SessionSettings with) {
        Session session(std::move(with));
        if (session.prepare(m_progress)) {
            session.execute(m_progress);
            session.finish(m_progress);
        }
        m_end = session.end();
        return session.exit_code();
    }

    RecordingProgress m_progress;
    SessionEnd m_end = SessionEnd::running;
};

TEST_F(UpdateRun, ShowsTheTextRunsTheCommandsAndSaysItIsComplete) {
    script({"C,{KDRDIR}/,plugin.dll", "K,S,Version,3.0.9"});
    EXPECT_EQ(run(settings()), 0);
    EXPECT_EQ(m_end, SessionEnd::completed);
    EXPECT_EQ(read_file(installation / "plugin.dll"), "new plug-in");
    EXPECT_EQ(registry().get(script_key, "Version")->text, "3.0.9");
    EXPECT_EQ(m_progress.boxes(), (std::vector<std::string>{"Kaleidra 3.0.9\r\nPress OK to update.",
                                                            "Update is complete."}));
    EXPECT_EQ(m_progress.events.front().box_kind, MessageKind::question);
    std::vector<std::string> uppers = m_progress.texts(Event::upper);
    EXPECT_EQ(uppers, (std::vector<std::string>{"Updating Files"}));
}

TEST_F(UpdateRun, CancelEndsWithoutChangesOrFurtherBoxes) {
    script({"C,{KDRDIR}/,plugin.dll"});
    m_progress.question_answer = MessageAnswer::cancel;
    EXPECT_EQ(run(settings()), 3);
    EXPECT_FALSE(fs::exists(installation / "plugin.dll"));
    EXPECT_EQ(m_progress.boxes().size(), 1u);
}

TEST_F(UpdateRun, MissingUpdateFilesShowTheirMessageAndChangeNothing) {
    script({"C,{KDRDIR}/,plugin.dll"});
    fs::remove(update / "update.txt");
    EXPECT_EQ(run(settings()), 2);
    EXPECT_EQ(m_progress.boxes(),
              (std::vector<std::string>{"Could not open update.txt.  Update failed."}));
    EXPECT_EQ(m_progress.events.back().box_kind, MessageKind::warning);

    m_progress.events.clear();
    write_file(update / "update.txt", "text");
    fs::remove(update / "update.data");
    EXPECT_EQ(run(settings()), 2);
    EXPECT_EQ(m_progress.boxes(),
              (std::vector<std::string>{"text", "Could not open update.data. Update failed."}));
    EXPECT_FALSE(fs::exists(installation / "plugin.dll"));

    m_progress.events.clear();
    SessionSettings elsewhere = settings();
    elsewhere.update_path = (root.path() / "no-such-folder").string();
    EXPECT_EQ(run(elsewhere), 2);
    EXPECT_EQ(m_progress.boxes(),
              (std::vector<std::string>{"Could not open update.txt.  Update failed."}));
}

TEST_F(UpdateRun, UnattendedRunsAcceptTheTextUnseen) {
    script({"C,{KDRDIR}/,plugin.dll"});
    SessionSettings unattended = settings();
    unattended.show_text = false;
    m_progress.question_answer = MessageAnswer::cancel;
    EXPECT_EQ(run(unattended), 0);
    EXPECT_EQ(m_progress.boxes(), (std::vector<std::string>{"Update is complete."}));
    EXPECT_EQ(read_file(installation / "plugin.dll"), "new plug-in");
}

TEST_F(UpdateRun, AFailedCommandStillCompletesButSaysSoInTheExitCode) {
    script({"C,{KDRDIR}/,missing.dll", "C,{KDRDIR}/,plugin.dll"});
    EXPECT_EQ(run(settings()), 1);
    EXPECT_EQ(m_end, SessionEnd::command_failed);
    EXPECT_EQ(m_progress.boxes().back(), "Update is complete.");
    EXPECT_EQ(read_file(installation / "plugin.dll"), "new plug-in");
}

TEST_F(UpdateRun, ReplaceCommandsSearchTheLocalDisksOfTheMountTable) {
    write_file(root.path() / "disks" / "a" / "README.TXT", "old");
    write_file(root.path() / "elsewhere" / "README.TXT", "not on a listed disk");
    script({"R,readme.txt"});
    EXPECT_EQ(run(settings()), 0);
    fs::path replaced = root.path() / "disks" / "a" / "README.TXT";
    EXPECT_EQ(read_file(replaced), "new readme");
    EXPECT_EQ(read_file(root.path() / "elsewhere" / "README.TXT"), "not on a listed disk");

    std::vector<std::string> boxes = m_progress.boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[1].rfind(
                  "Replaced 1 file; the old files are kept in " + update.string() + "/backup-", 0),
              0u)
        << boxes[1];
    EXPECT_NE(boxes[1].find("\n" + replaced.string()), std::string::npos);
    EXPECT_EQ(boxes[2], "Update is complete.");
}

TEST_F(UpdateRun, GivenSearchRootsReplaceTheMountTable) {
    write_file(root.path() / "disks" / "README.TXT", "old");
    write_file(root.path() / "chosen" / "README.TXT", "old");
    script({"R,readme.txt"});
    SessionSettings chosen = settings();
    chosen.search_roots = std::vector<std::string>{(root.path() / "chosen").string()};
    EXPECT_EQ(run(chosen), 0);
    EXPECT_EQ(read_file(root.path() / "chosen" / "README.TXT"), "new readme");
    EXPECT_EQ(read_file(root.path() / "disks" / "README.TXT"), "old");
}

TEST_F(UpdateRun, AnUnreadableMountTableIsAFailureNotASilentSuccess) {
    script({"R,readme.txt"});
    SessionSettings broken = settings();
    broken.mount_table = []() -> Result<std::string> { return Error{"no /proc here"}; };
    EXPECT_EQ(run(broken), 1);
    EXPECT_NE(testing::joined(m_progress.texts(Event::detail)).find("no /proc here"),
              std::string::npos);
}

TEST_F(UpdateRun, TextAfterTheLastLineEndIsReported) {
    write_file(
        update / "update.data",
        crlf_lines({script_key, "3", "3.0.9", "2", "C,{KDRDIR}/,plugin.dll"}) + "K,S,Lost,1");
    EXPECT_EQ(run(settings()), 0);
    EXPECT_FALSE(registry().get(script_key, "Lost"));
    EXPECT_NE(
        testing::joined(m_progress.texts(Event::detail)).find("10 bytes after the last CR LF"),
        std::string::npos);
}

TEST_F(UpdateRun, OversizedUpdateFilesAreRefused) {
    write_file(update / "update.txt", std::string(update_file_limit + 1, 'x'));
    script({"C,{KDRDIR}/,plugin.dll"});
    EXPECT_EQ(run(settings()), 2);
    EXPECT_EQ(m_progress.boxes(),
              (std::vector<std::string>{"Could not open update.txt.  Update failed."}));
    EXPECT_NE(testing::joined(m_progress.texts(Event::detail)).find("larger than"),
              std::string::npos);
}

}  // namespace
}  // namespace kdr::updater

namespace kdr::updater {
namespace {

// Sets an environment variable (or removes it, for nullopt) for one scope.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, std::optional<std::string> value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        if (value) {
            ::setenv(name, value->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnvironment() {
        if (m_old) {
            ::setenv(m_name, m_old->c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(UpdaterRegistry, RootWritesTheSystemStoreOthersTheirOwnView) {
    kdr::test::TempFolder folder;
    ScopedEnvironment single("KALEIDRA_REGISTRY", std::nullopt);
    ScopedEnvironment system("XDG_CONFIG_DIRS", (folder.path() / "etc").string());
    ScopedEnvironment user("XDG_CONFIG_HOME", (folder.path() / "home").string());

    platform::Registry registry = updater_registry();
    if (::geteuid() == 0) {
        EXPECT_EQ(registry.file(), folder.path() / "etc" / "kaleidra" / "registry");
    } else {
        EXPECT_EQ(registry.file(), folder.path() / "home" / "kaleidra" / "registry");
        EXPECT_EQ(registry.stores().size(), 2u);
    }
}

TEST(UpdaterRegistry, OneNamedStoreServesEveryUser) {
    kdr::test::TempFolder folder;
    ScopedEnvironment single("KALEIDRA_REGISTRY", (folder.path() / "store").string());
    EXPECT_EQ(updater_registry().file(), folder.path() / "store");
}

}  // namespace
}  // namespace kdr::updater
