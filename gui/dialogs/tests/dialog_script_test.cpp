// The dialog script that answers the sheet for hosts and programs.

#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "dialog_script.h"
#include "dialog_test_support.h"
#include "kaleidra/gui/catalogue.h"
#include "kaleidra/gui/catalogue_file.h"
#include "kaleidra/gui/selection.h"

namespace kdr::gui::test {
namespace {

TEST(DialogScriptParseTest, SplitsCommandsAndChecksTheirArguments) {
    std::vector<ScriptCommand> commands;
    std::string error;
    ASSERT_TRUE(
        parse_dialog_script("page 114;click 1501\n\n  choose-text 1511 Rnd Generic ; "
                            "shot pictures/a b.png; ok",
                            commands, error))
        << error;
    ASSERT_EQ(commands.size(), 5u);
    EXPECT_EQ(commands[0].verb, "page");
    EXPECT_EQ(commands[1].line, 1);
    EXPECT_EQ(commands[2].line, 3);
    EXPECT_EQ(commands[2].arguments, (std::vector<QString>{"1511", "Rnd Generic"}));
    EXPECT_EQ(commands[3].arguments, (std::vector<QString>{"pictures/a b.png"}));
    EXPECT_TRUE(commands[4].arguments.empty());

    EXPECT_FALSE(parse_dialog_script("ok\npress 1", commands, error));
    EXPECT_EQ(error, "dialog script: line 2: unknown command \"press\"");
    EXPECT_FALSE(parse_dialog_script("choose 1026", commands, error));
    EXPECT_EQ(error, "dialog script: line 1: \"choose\" takes 2 arguments");
    EXPECT_FALSE(parse_dialog_script("ok now", commands, error));
}

class DialogScriptTest : public DialogTest {
  protected:
    ~DialogScriptTest() override { ::unsetenv("KALEIDRA_DIALOG_SCRIPT"); }

    Catalogue current() const {
        Catalogue catalogue;
        EXPECT_TRUE(read_catalogue(catalogue, install.folder("orgs") / "current.org"));
        return catalogue;
    }
};

TEST_F(DialogScriptTest, ChoosesAnEffectAndPressesOk) {
    ::setenv("KALEIDRA_DIALOG_SCRIPT",
             "choose 1026 1; click 1003; wait-preview; page 114; click 1501; ok", 1);
    TestRecord record("Globe");
    EXPECT_EQ(select_effect(0, &record.value, 0), dialog_ok);
    EXPECT_EQ(record.value.name, current().groups()[1].items[2]);
    EXPECT_EQ(install.number("Eff_Display"), 1u);
}

TEST_F(DialogScriptTest, CancelLeavesTheRecord) {
    ::setenv("KALEIDRA_DIALOG_SCRIPT", "click 1002\ncancel", 1);
    TestRecord record("Globe");
    const std::vector<std::uint8_t> before = record.stored();
    EXPECT_EQ(select_effect(0, &record.value, 0), dialog_cancelled);
    EXPECT_EQ(record.stored(), before);
}

TEST_F(DialogScriptTest, AScriptFromAFileTakesPicturesAndClosesTheAboutBox) {
    const std::filesystem::path script = install.root() / "script.txt";
    const std::filesystem::path picture = install.root() / "settings.png";
    const std::filesystem::path about = install.root() / "about.png";
    std::ofstream(script) << "page 114\nshot " << picture.string() << "\nclick 2001\nshot "
                          << about.string() << "\nclose\nok\n";
    ::setenv("KALEIDRA_DIALOG_SCRIPT", ("@" + script.string()).c_str(), 1);
    TestRecord record("Globe");
    EXPECT_EQ(select_effect(0, &record.value, 0), dialog_ok);
    const QImage settings(QString::fromStdString(picture.string()));
    const QImage box(QString::fromStdString(about.string()));
    EXPECT_FALSE(settings.isNull());
    EXPECT_FALSE(box.isNull());
    EXPECT_NE(settings.size(), box.size()) << "the second picture is of the about box";
}

TEST_F(DialogScriptTest, AFaultyScriptCancelsAndSaysWhy) {
    TestRecord record("Globe");
    const std::vector<std::uint8_t> before = record.stored();
    for (const char* script : {"click 1002; click 4242; ok", "page 113; ok", "slide 1026 5; ok",
                               "choose 1026 99; ok", "close", "frobnicate"}) {
        ::setenv("KALEIDRA_DIALOG_SCRIPT", script, 1);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(select_effect(0, &record.value, 0), dialog_cancelled) << script;
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find("dialog script: line 1:"), std::string::npos) << script << ": " << said;
        EXPECT_EQ(record.stored(), before) << script;
    }
}

TEST_F(DialogScriptTest, AnAboutBoxOfItsOwnTakesTheScriptToo) {
    ::setenv("KALEIDRA_DIALOG_SCRIPT", "ok", 1);
    EXPECT_EQ(show_about(0, nullptr, nullptr), dialog_ok);
}

}  // namespace
}  // namespace kdr::gui::test
