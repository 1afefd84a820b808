// Help: the control-to-topic table, the help file's anchors, and opening
// the help viewer from the sheet's Help button, F1, a right click and the
// "?" mode.

#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>

#include <filesystem>
#include <set>

#include "context_help.h"
#include "dialog_test_support.h"
#include "help_viewer.h"
#include "kaleidra/gui/selection.h"
#include "option_page.h"
#include "selection_sheet.h"

namespace kdr::gui::test {
namespace {

TEST(HelpTopicTest, TheFirstPairForAnIdWins) {
    EXPECT_EQ(help_topic(1509), 7) << "the shared panel's speed comes before the Settings page's";
    EXPECT_EQ(help_topic(1062), 7);
    EXPECT_EQ(help_topic(102), 100);
    EXPECT_EQ(help_topic(1026), 101);
    for (int id = 1001; id <= 1016; ++id) {
        EXPECT_EQ(help_topic(id), 102) << id;
    }
    for (int id : {1500, 1501, 1502}) {
        EXPECT_EQ(help_topic(id), 501) << id;
    }
    for (int id : {1515, 1516, 1517}) {
        EXPECT_EQ(help_topic(id), 503) << id;
    }
    EXPECT_EQ(help_topic(1080), 509);
    EXPECT_EQ(help_topic(1511), 508);
    EXPECT_EQ(help_topic(1101), 201);
    EXPECT_EQ(help_topic(1320), 409);
    EXPECT_EQ(help_topic(1088), 0) << "ids without a pair have no topic";
    EXPECT_EQ(help_topic(0), 0) << "the closing pair of zeros is no topic";
}

// Every topic of the pages the sheet has is an anchor of the help file.
TEST(HelpFileTest, HasAnAnchorForEveryTopicOfTheBuiltPages) {
    QFile file(KALEIDRA_SELECTION_HELP);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    std::set<int> anchors;
    const QRegularExpression anchor(R"re(<a name="(\d+)">)re");
    for (auto it = anchor.globalMatch(html); it.hasNext();) {
        anchors.insert(it.next().captured(1).toInt());
    }
    EXPECT_TRUE(html.contains(R"(<a name="contents">)"));
    for (int id : {102,  1026, 1001, 1016, 1062, 1078, 1042, 1044, 1500, 1501,
                   1502, 1080, 1515, 1516, 1517, 1504, 1505, 1081, 1509, 1511}) {
        EXPECT_EQ(anchors.count(help_topic(id)), 1u)
            << "control " << id << ", topic " << help_topic(id);
    }
    EXPECT_EQ(anchors.count(502), 1u);
    // Every link inside the file leads to an anchor of it.
    const QRegularExpression link(R"re(href="#([^"]+)")re");
    for (auto it = link.globalMatch(html); it.hasNext();) {
        const QString target = it.next().captured(1);
        EXPECT_TRUE(html.contains("<a name=\"" + target + "\">")) << target.toStdString();
    }
}

class SheetHelpTest : public DialogTest {};

TEST_F(SheetHelpTest, TheHelpButtonOpensTheContents) {
    TestRecord record("Globe");
    run_sheet(record.value, [](SelectionSheet& sheet) {
        control<QAbstractButton>(&sheet, 9)->click();
        HelpViewer* viewer = HelpViewer::of(&sheet);
        ASSERT_NE(viewer, nullptr);
        EXPECT_TRUE(viewer->isVisible());
        EXPECT_EQ(viewer->anchor(), "contents");
        EXPECT_TRUE(viewer->browser()->toPlainText().contains("Kaleidra selection dialog"));
        sheet.accept();
    });
}

TEST_F(SheetHelpTest, ARightClickOpensTheControlsTopic) {
    TestRecord record("Globe");
    run_sheet(record.value, [](SelectionSheet& sheet) {
        QWidget* groups = control<QWidget>(sheet.current_page(), 1026);
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(3, 3),
                                groups->mapToGlobal(QPoint(3, 3)));
        QApplication::sendEvent(groups, &click);
        ASSERT_NE(HelpViewer::of(&sheet), nullptr);
        EXPECT_EQ(HelpViewer::of(&sheet)->anchor(), "101");
        QWidget* render = control<QWidget>(sheet.current_page(), 1078);
        QHelpEvent help(QEvent::WhatsThis, QPoint(1, 1), render->mapToGlobal(QPoint(1, 1)));
        QApplication::sendEvent(render, &help);
        EXPECT_EQ(HelpViewer::of(&sheet)->anchor(), "8");
        sheet.accept();
    });
}

TEST_F(SheetHelpTest, F1OpensTheTopicOfTheFocusedControl) {
    TestRecord record("Globe");
    run_sheet(record.value, [](SelectionSheet& sheet) {
        sheet.show_page(114);
        QWidget* speed = control<QWidget>(sheet.current_page(), 1509);
        speed->setFocus();
        ASSERT_TRUE(eventually([&] { return QApplication::focusWidget() == speed; }, "the focus"));
        QTest::keyClick(speed, Qt::Key_F1);
        ASSERT_NE(HelpViewer::of(&sheet), nullptr);
        EXPECT_EQ(HelpViewer::of(&sheet)->anchor(), "7") << "1509's first pair is topic 7";
        sheet.accept();
    });
}

TEST_F(SheetHelpTest, AMissingHelpFileIsSaidInTheViewer) {
    std::filesystem::remove(install.folder("HELP") / "KDRSlct.html");
    attach_library();
    TestRecord record("Globe");
    run_sheet(record.value, [](SelectionSheet& sheet) {
        control<QAbstractButton>(&sheet, 9)->click();
        ASSERT_NE(HelpViewer::of(&sheet), nullptr);
        EXPECT_TRUE(HelpViewer::of(&sheet)->browser()->toPlainText().contains("cannot be found"));
        sheet.accept();
    });
}

}  // namespace
}  // namespace kdr::gui::test
