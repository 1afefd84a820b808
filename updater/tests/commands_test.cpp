#include "kaleidra/updater/commands.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include "kaleidra/testing/temp_folder.h"
#include "kaleidra/updater/file_ops.h"
#include "kaleidra/updater/folders.h"
#include "updater_testing.h"

namespace kdr::updater {
namespace {

namespace fs = std::filesystem;
using platform::MessageKind;
using platform::Registry;
using platform::RegistryType;
using platform::RegistryValue;
using testing::crlf_lines;
using testing::Event;
using testing::read_file;
using testing::RecordingProgress;
using testing::write_file;

const std::string key = "Software\\Talvane\\Kaleidra\\3.0";

// An update folder, an installation folder recorded as "Path" in a
// temporary registry store, and a run of script lines against them.
class Commands : public ::testing::Test {
  protected:
    Commands()
        : m_registry(m_root.path() / "registry"),
          m_update(m_root.path() / "update"),
          m_installation(m_root.path() / "x" / "Kal") {
        fs::create_directories(m_update);
        fs::create_directories(m_installation);
        fs::create_directories(m_root.path() / "etc");
        write_file(m_update / "plugin.dll", "new plug-in");
        EXPECT_TRUE(
            m_registry.set(key, RegistryValue::make_string("Path", m_installation.string())).ok());
    }

    CommandOutcome run(std::initializer_list<std::string> lines) {
        std::string text =
            crlf_lines({key, "3", "an update", std::to_string(lines.size())}) + crlf_lines(lines);
        SystemFolders system{(m_root.path() / "etc").string(), (m_root.path() / "lib").string()};
        Result<Script> script = parse_script(text, [&](const std::string& script_key) {
            return fetch_folder_values(m_registry, script_key, system);
        });
        EXPECT_TRUE(script.ok());
        UniqueFd update(::open(m_update.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        CommandSettings settings{update.get(), &m_registry};
        return run_commands(*script, settings, m_progress);
    }

    test::TempFolder m_root;
    Registry m_registry;
    fs::path m_update;
    fs::path m_installation;
    RecordingProgress m_progress;
};

TEST_F(Commands, CopiesIntoTheInstallationFolderWithItsTextAndPause) {
    CommandOutcome outcome = run({"C,{KDRDIR}/,plugin.dll"});
    EXPECT_EQ(outcome.failed, 0);
    EXPECT_EQ(read_file(m_installation / "plugin.dll"), "new plug-in");
    std::string folder = m_installation.string() + "/";
    EXPECT_EQ(m_progress.texts(Event::lower),
              (std::vector<std::string>{"Copying plugin.dll to " + folder, ""}));
    EXPECT_EQ(m_progress.texts(Event::pause), (std::vector<std::string>{"100"}));
    EXPECT_TRUE(m_progress.boxes().empty());
}

TEST_F(Commands, JoinsTheFolderTextAndTheSourceAsWritten) {
    // No separator is added: "{KDRDIR}" without "/" names a sibling file.
    run({"C,{KDRDIR},plugin.dll", "C,{WINDIR}/,plugin.dll"});
    EXPECT_EQ(read_file(m_root.path() / "x" / "Kalplugin.dll"), "new plug-in");
    EXPECT_EQ(read_file(m_root.path() / "etc" / "plugin.dll"), "new plug-in");
}

TEST_F(Commands, AFailedCopyWarnsAndTheRunGoesOn) {
    write_file(m_installation / "keep.dll", "old");
    CommandOutcome outcome = run(
        {"C,{KDRDIR}/,missing.dll", "C,{KDRDIR}/nofolder/,plugin.dll", "C,{KDRDIR}/,plugin.dll"});
    EXPECT_EQ(outcome.failed, 2);
    EXPECT_EQ(m_progress.boxes(),
              (std::vector<std::string>{"File copy failed!", "File copy failed!"}));
    for (const Event& event : m_progress.events) {
        EXPECT_TRUE(event.kind != Event::box || event.box_kind == MessageKind::warning);
    }
    EXPECT_EQ(read_file(m_installation / "plugin.dll"), "new plug-in");
    EXPECT_EQ(m_progress.count(Event::pause), 3);
}

TEST_F(Commands, WritesRegistryStringsAndNumbersUnderTheScriptKey) {
    CommandOutcome outcome =
        run({"K,S,Version,3.0.9", "K,D,Count,12", "K,s,Lower,7", "K,D,Minus,-1", "K,Sz,Empty"});
    EXPECT_EQ(outcome.failed, 0);
    std::optional<RegistryValue> version = m_registry.get(key, "Version");
    ASSERT_TRUE(version);
    EXPECT_EQ(version->type, RegistryType::string);
    EXPECT_EQ(version->text, "3.0.9");
    std::optional<RegistryValue> count = m_registry.get(key, "Count");
    ASSERT_TRUE(count);
    EXPECT_EQ(count->type, RegistryType::number);
    EXPECT_EQ(count->number, 12u);
    // Only an upper-case "S" makes a string.
    EXPECT_EQ(m_registry.get(key, "Lower")->type, RegistryType::number);
    EXPECT_EQ(m_registry.get(key, "Lower")->number, 7u);
    EXPECT_EQ(m_registry.get(key, "Minus")->number, 0xFFFFFFFFu);
    EXPECT_EQ(m_registry.get(key, "Empty")->text, "");
    EXPECT_EQ(m_progress.texts(Event::lower).front(), "Updating Registry");
    EXPECT_EQ(m_progress.count(Event::pause), 5);
}

TEST_F(Commands, RegistryCommandsNeverCreateTheKey) {
    std::string text =
        crlf_lines({"Software\\Talvane\\Missing\\1.0", "1", "", "1", "K,S,Version,3.0.9"});
    Result<Script> script = parse_script(text, [](const std::string&) { return FolderValues{}; });
    ASSERT_TRUE(script.ok());
    UniqueFd update(::open(m_update.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    CommandOutcome outcome = run_commands(*script, {update.get(), &m_registry}, m_progress);
    EXPECT_EQ(outcome.failed, 1);
    EXPECT_TRUE(m_progress.boxes().empty()) << "a failed registry write shows nothing";
    Result<std::vector<std::string>> keys = m_registry.keys();
    ASSERT_TRUE(keys.ok());
    EXPECT_EQ(*keys, (std::vector<std::string>{key}));
}

TEST_F(Commands, DeletesSilentlyAndCountsOnlyRealFailures) {
    write_file(m_installation / "old.so", "old");
    fs::create_directories(m_installation / "folder");
    CommandOutcome outcome =
        run({"D,{KDRDIR}/old.so", "D,{KDRDIR}/never-there.so", "D,{KDRDIR}/folder"});
    EXPECT_FALSE(fs::exists(m_installation / "old.so"));
    EXPECT_TRUE(fs::is_directory(m_installation / "folder"));
    EXPECT_EQ(outcome.failed, 1);
    EXPECT_TRUE(m_progress.boxes().empty());
    EXPECT_EQ(m_progress.texts(Event::lower).front(),
              "Deleting File " + (m_installation / "old.so").string());
}

TEST_F(Commands, EmptyRecordsAndUnknownLettersAreInvalidCommands) {
    CommandOutcome outcome = run({"X", "Q,a,b", "c,{KDRDIR}/,plugin.dll"});
    EXPECT_EQ(outcome.failed, 3);
    EXPECT_EQ(m_progress.boxes(), (std::vector<std::string>(3, "Invalid command")));
    EXPECT_EQ(m_progress.events.back().kind, Event::lower);
    EXPECT_EQ(m_progress.count(Event::pause), 0);
    EXPECT_FALSE(fs::exists(m_installation / "plugin.dll"));
}

TEST_F(Commands, NineLinesDoNothingHere) {
    CommandOutcome outcome = run({"9,{KDRDIR}/,plugin.dll"});
    EXPECT_EQ(outcome.failed, 0);
    EXPECT_FALSE(fs::exists(m_installation / "plugin.dll"));
    EXPECT_EQ(m_progress.count(Event::pause), 0);
    EXPECT_TRUE(m_progress.boxes().empty());
}

TEST_F(Commands, ReplaceCommandsAreCountedForTheSearch) {
    CommandOutcome outcome = run({"R,readme.txt", "R,{WINDIR}", "R"});
    EXPECT_EQ(outcome.replace_count, 2);
    EXPECT_EQ(outcome.replace_names,
              (std::vector<std::string>{"readme.txt", (m_root.path() / "etc").string()}));
    EXPECT_EQ(outcome.failed, 1);  // the lone "R" is an empty record
}

class UnknownInstallation : public Commands,
                            public ::testing::WithParamInterface<std::optional<RegistryValue>> {};

TEST_P(UnknownInstallation, RefusesEveryCommandNamingIt) {
    ASSERT_TRUE(m_registry.remove(key, "Path").ok());
    ASSERT_TRUE(m_registry.set(key, RegistryValue::make_string("Keep", "key exists")).ok());
    if (GetParam()) {
        ASSERT_TRUE(m_registry.set(key, *GetParam()).ok());
    }
    CommandOutcome outcome = run({"C,{KDRDIR}/,plugin.dll", "D,{KDRDIR}/plugin.dll",
                                  "K,S,Where,{KDRDIR}", "C,{WINDIR}/,plugin.dll"});
    EXPECT_EQ(outcome.failed, 3);
    std::vector<std::string> boxes = m_progress.boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0], "The installation folder is unknown: \"Path\" under \"" + key +
                            "\" is missing or not an absolute folder.  Not done: "
                            "C,{KDRDIR}/,plugin.dll");
    EXPECT_FALSE(m_registry.get(key, "Where"));
    // Commands without {KDRDIR} still run.
    EXPECT_EQ(read_file(m_root.path() / "etc" / "plugin.dll"), "new plug-in");
}

INSTANTIATE_TEST_SUITE_P(Commands, UnknownInstallation,
                         ::testing::Values(std::nullopt, RegistryValue::make_string("Path", ""),
                                           RegistryValue::make_string("Path", "relative/Kal"),
                                           RegistryValue::make_number("Path", 5)));

TEST_F(Commands, DestinationsLongerThanAnyPathBufferAreNeverCut) {
    // 40 folders of 150 characters: a joined path of over 6000 characters,
    // made relative to an open folder since it fits in no single system call.
    std::string script_folder = "{KDRDIR}";
    std::string whole = m_installation.string();
    UniqueFd folder(::open(m_installation.c_str(), O_PATH | O_DIRECTORY));
    for (int level = 0; level < 40; ++level) {
        std::string name(150, static_cast<char>('a' + level % 26));
        script_folder += "/" + name;
        whole += "/" + name;
        ASSERT_EQ(::mkdirat(folder.get(), name.c_str(), 0755), 0);
        folder = UniqueFd(::openat(folder.get(), name.c_str(), O_PATH | O_DIRECTORY));
        ASSERT_TRUE(folder.valid());
    }
    ASSERT_GT(whole.size(), 6000u);
    CommandOutcome outcome = run({"C," + script_folder + "/,plugin.dll"});
    EXPECT_EQ(outcome.failed, 0) << testing::joined(m_progress.texts(Event::detail));
    Result<std::string> copied = read_small_file(AT_FDCWD, whole + "/plugin.dll", 100);
    ASSERT_TRUE(copied.ok()) << copied.error();
    EXPECT_EQ(*copied, "new plug-in");
    // A shorter path that a cut would have produced holds nothing.
    EXPECT_FALSE(fs::exists(m_installation / "plugin.dll"));
    testing::remove_contents(m_root.path());
}

}  // namespace
}  // namespace kdr::updater
