// The commands that reach the selection dialog library Kaleidra30 (Insert
// FX, a double-click on an effect, About), answered through its dialog
// script, and the help: F1 on a highlighted menu entry and Help Topics.

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "help_viewer.h"
#include "window_fixture.h"

namespace kdr::editor::window::test {
namespace {

class Selection : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        // The shipped effects and their master list, for the catalogue.
        const std::filesystem::path shipped =
            std::filesystem::path(KALEIDRA_CONTENT_STAGE) / "EFFECTS";
        for (const auto& entry : std::filesystem::directory_iterator(shipped)) {
            std::filesystem::create_symlink(entry.path(), effects() / entry.path().filename());
        }
    }
    void TearDown() override {
        ::unsetenv("KALEIDRA_DIALOG_SCRIPT");
        WindowTest::TearDown();
    }
    static void answer_dialog(const char* script) { ::setenv("KALEIDRA_DIALOG_SCRIPT", script, 1); }
};

TEST_F(Selection, InsertFxAddsTheChosenEffectOnTheEffectTrack) {
    answer_dialog("ok");
    trigger("120");
    ASSERT_EQ(project().item_count(), 1);
    const TimelineItem& effect = *project().items()[0];
    EXPECT_EQ(effect.kind, ItemKind::effect);
    EXPECT_EQ(effect.track, 0);
    EXPECT_EQ(effect.start, 0);
    EXPECT_EQ(effect.length, 15);
    EXPECT_NE(effect.settings().name[0], '\0') << "the dialog chose an effect";
    EXPECT_GE(effect.tracks_used, 1) << "opened from its effect file";
    EXPECT_EQ(project().selected_item, &effect);
    EXPECT_TRUE(window().action("116")->isEnabled());

    // A second one goes after the first.
    trigger("120");
    ASSERT_EQ(project().item_count(), 2);
    EXPECT_EQ(project().items()[0]->start, 15);
}

TEST_F(Selection, ACancelledDialogInsertsNothing) {
    answer_dialog("cancel");
    trigger("120");
    EXPECT_EQ(project().item_count(), 0);
    EXPECT_FALSE(project().modified);
}

TEST_F(Selection, DoubleClickingAnEffectReopensItWithTheDialogsChoice) {
    answer_dialog("ok");
    trigger("120");
    ASSERT_EQ(project().item_count(), 1);
    project().modified = false;
    show_frames(0, 30);
    answer_dialog("ok");
    const QPoint over = point_at(0, 5);
    QTest::mouseDClick(&timeline(), Qt::LeftButton, Qt::NoModifier, over);
    EXPECT_TRUE(project().modified);
    // Cancel keeps what it had.
    project().modified = false;
    answer_dialog("cancel");
    QTest::mouseDClick(&timeline(), Qt::LeftButton, Qt::NoModifier, over);
    EXPECT_FALSE(project().modified);
    EXPECT_EQ(project().item_count(), 1);
}

TEST_F(Selection, AboutShowsTheLibrarysBox) {
    answer_dialog("ok");
    trigger("126");
    // The box was shown and closed by the script; the window goes on.
    EXPECT_TRUE(window().isVisible());
}

TEST_F(Selection, F1OnAHighlightedMenuEntryOpensItsTopic) {
    QMenu* file = window().menuBar()->findChildren<QMenu*>().front();
    file->popup(QPoint(0, 0));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(file));
    file->setActiveAction(window().action("105"));
    QTest::keyClick(file, Qt::Key_F1);
    gui::HelpViewer* viewer = gui::HelpViewer::of(&window());
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->anchor(), "105");
    EXPECT_EQ(viewer->windowTitle(), "Reelbench Help");
    EXPECT_FALSE(file->isVisible());
    trigger("125");
    EXPECT_EQ(viewer->anchor(), "contents");
}

}  // namespace
}  // namespace kdr::editor::window::test

namespace kdr::editor::window::test {
namespace {

// Every help context the menus and the Settings dialog open has its topic.
TEST(HelpFile, HasATopicForEveryContext) {
    std::ifstream file(KDR_HELP_FILE);
    ASSERT_TRUE(file.good());
    const std::string html((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    std::vector<std::string> topics = {"contents", "1", "200", "201", "202", "203", "204"};
    for (int context = 101; context <= 126; ++context) {
        if (context < 108 || context > 112) {
            topics.push_back(std::to_string(context));
        }
    }
    for (const std::string& topic : topics) {
        EXPECT_NE(html.find("<a name=\"" + topic + "\"></a>"), std::string::npos)
            << "no topic " << topic;
    }
}

}  // namespace
}  // namespace kdr::editor::window::test
