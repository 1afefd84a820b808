// Runs the installed form of the program, "updater --yes FOLDER", against a
// temporary installation and a temporary registry store.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "kaleidra/platform/registry.h"
#include "kaleidra/testing/temp_folder.h"
#include "updater_testing.h"

namespace kdr::updater {
namespace {

namespace fs = std::filesystem;
using platform::Registry;
using platform::RegistryType;
using platform::RegistryValue;
using testing::crlf_lines;
using testing::read_file;
using testing::script_key;
using testing::write_file;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string quoted(const std::string& text) {
    std::string result = "'";
    for (char c : text) {
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return result + "'";
}

class Program : public ::testing::Test, protected testing::UpdateFolders {
  protected:
    // The program with a clean environment of our own: a temporary store and
    // system folders, and no display.
    Outcome run(const std::string& arguments) {
        fs::path out = root.path() / "out.txt";
        fs::path err = root.path() / "err.txt";
        std::string command = "env -i PATH=/usr/bin:/bin HOME=" + quoted(root.path().string()) +
                              " KALEIDRA_REGISTRY=" + quoted((root.path() / "registry").string()) +
                              " KALEIDRA_WINDIR=" + quoted((root.path() / "etc").string()) +
                              " KALEIDRA_SYSDIR=" + quoted((root.path() / "lib").string()) + " " +
                              quoted(KALEIDRA_UPDATER_PROGRAM) + " " + arguments + " >" +
                              quoted(out.string()) + " 2>" + quoted(err.string()) + " </dev/null";
        int status = std::system(command.c_str());
        Outcome result;
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = read_file(out);
        result.err = read_file(err);
        return result;
    }
};

TEST_F(Program, YesCopiesDeletesAndSetsValuesAndPrintsEachAction) {
    write_file(update / "plugin.dll", "new plug-in");
    write_file(update / "kaleidra.conf", "conf");
    write_file(installation / "old.so", "old");
    fs::create_directories(root.path() / "etc");
    script({"C,{KDRDIR}/,plugin.dll", "C,{WINDIR}/,kaleidra.conf", "D,{KDRDIR}/old.so",
            "K,S,Version,3.0.9", "K,D,Count,12", "9,{KDRDIR}/,plugin.dll"});

    Outcome result = run("--yes " + quoted(update.string()));
    EXPECT_EQ(result.status, 0) << result.out << result.err;
    EXPECT_EQ(read_file(installation / "plugin.dll"), "new plug-in");
    EXPECT_EQ(read_file(root.path() / "etc" / "kaleidra.conf"), "conf");
    EXPECT_FALSE(fs::exists(installation / "old.so"));
    EXPECT_EQ(registry().get(script_key, "Version")->text, "3.0.9");
    EXPECT_EQ(registry().get(script_key, "Count")->type, RegistryType::number);
    EXPECT_EQ(registry().get(script_key, "Count")->number, 12u);

    std::string inst = installation.string();
    std::string expected_lines[] = {
        "  registry store: " + (root.path() / "registry").string() + "\n",
        "Updating Files\n",
        "Copying plugin.dll to " + inst + "/\n",
        "Copying kaleidra.conf to " + (root.path() / "etc").string() + "/\n",
        "Deleting File " + inst + "/old.so\n",
        "Updating Registry\n  Version = \"3.0.9\"\n",
        "Updating Registry\n  Count = 12\n",
        "Talvane Mini Installer: Update is complete.\n",
    };
    std::size_t position = 0;
    for (const std::string& line : expected_lines) {
        std::size_t found = result.out.find(line, position);
        ASSERT_NE(found, std::string::npos) << "missing in order: " << line << "in:\n"
                                            << result.out;
        position = found + line.size();
    }
    EXPECT_EQ(result.out.find("Kaleidra 3.0.9\n"), std::string::npos)
        << "update.txt is accepted without being shown";
}

TEST_F(Program, YesExitsNonZeroWhenACommandFailed) {
    write_file(installation / "plugin.dll", "old plug-in");
    script({"C,{KDRDIR}/,plugin.dll"});  // the update lacks plugin.dll
    Outcome result = run("--yes " + quoted(update.string()));
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("Talvane Mini Installer: File copy failed!\n"), std::string::npos);
    EXPECT_NE(result.out.find("Talvane Mini Installer: Update is complete.\n"), std::string::npos);
    EXPECT_EQ(read_file(installation / "plugin.dll"), "old plug-in");
}

TEST_F(Program, YesWithoutAnUpdateScriptChangesNothing) {
    Outcome result = run("--yes " + quoted(update.string()));
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.out.find("Talvane Mini Installer: Could not open update.data. Update failed."),
              std::string::npos)
        << result.out;
}

TEST_F(Program, YesReplacesFilesBelowTheGivenSearchRootAndListsThem) {
    write_file(update / "readme.txt", "new readme");
    write_file(root.path() / "disk" / "docs" / "README.TXT", "old readme");
    script({"R,readme.txt"});
    Outcome result = run("--yes --search-root " + quoted((root.path() / "disk").string()) + " " +
                         quoted(update.string()));
    EXPECT_EQ(result.status, 0) << result.out << result.err;
    std::string replaced = (root.path() / "disk" / "docs" / "README.TXT").string();
    EXPECT_EQ(read_file(replaced), "new readme");
    EXPECT_NE(result.out.find("Searching " + (root.path() / "disk").string() + "/\n"),
              std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("Replaced " + replaced + "\n"), std::string::npos);
    EXPECT_NE(result.out.find("Talvane Mini Installer: Replaced 1 file"), std::string::npos);
    EXPECT_EQ(result.out.find("Searching " + (root.path() / "disk" / "docs").string()),
              std::string::npos)
        << "folders below a root are not printed";
}

TEST_F(Program, HelpUsageErrorsAndNoDisplay) {
    Outcome help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: updater [--yes]"), std::string::npos);

    Outcome bad = run("--frobnicate");
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("unknown option \"--frobnicate\""), std::string::npos);
    EXPECT_TRUE(bad.out.empty());

    EXPECT_EQ(run("--search-root").status, 2);
    EXPECT_EQ(run("a b").status, 2);

    // Without --yes the program needs a display; it says so instead of
    // failing inside the toolkit.
    script({"C,{KDRDIR}/,plugin.dll"});
    Outcome headless = run(quoted(update.string()));
    EXPECT_EQ(headless.status, 2);
    EXPECT_NE(headless.err.find("updater --yes"), std::string::npos);
}

}  // namespace
}  // namespace kdr::updater
