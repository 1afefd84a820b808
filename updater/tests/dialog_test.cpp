// The updater's dialog and boxes, driven as real widgets on the offscreen
// platform; every box is answered by a handler or by a click, never by a
// person.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <thread>

#include "kaleidra/testing/temp_folder.h"
#include "kaleidra/updater/gui/dialog_run.h"
#include "kaleidra/updater/gui/message_dialog.h"
#include "kaleidra/updater/gui/progress_dialog.h"
#include "updater_testing.h"

// Fontconfig keeps its caches until the process ends, which the leak
// checker would report; nothing of ours is hidden by this.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace kdr::updater::gui {
namespace {

namespace fs = std::filesystem;
using platform::MessageAnswer;
using platform::MessageKind;
using platform::RegistryValue;
using testing::crlf_lines;
using testing::read_file;
using testing::script_key;
using testing::write_file;

QApplication& application() {
    static int argc = 1;
    static char name[] = "updater_gui_test";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

// The visible modal dialog titled `title`, or null.
QDialog* open_dialog(const QString& title) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog != nullptr && dialog->isVisible() && dialog->windowTitle() == title) {
            return dialog;
        }
    }
    return nullptr;
}

// Runs `act` on the box once it is shown; fails the test when no box came.
void when_box_opens(const QString& title, std::function<void(QDialog*)> act) {
    auto* timer = new QTimer(&application());
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [=] {
        QDialog* box = open_dialog(title);
        if (box == nullptr && ++*tries < 200) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        if (box != nullptr) {
            act(box);
            return;
        }
        ADD_FAILURE() << "no box titled " << title.toStdString();
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible()) {
                dialog->done(QDialog::Rejected);
            }
        }
    });
    timer->start(10);
}

// Clicks the button `id` of a box; a box without it is closed, so a test
// that fails never leaves a box waiting.
void click_or_close(QDialog* box, const char* id) {
    if (auto* button = box->findChild<QPushButton*>(id)) {
        QTest::mouseClick(button, Qt::LeftButton);
    } else {
        ADD_FAILURE() << "the box has no button " << id;
        box->done(QDialog::Rejected);
    }
}

class MessageBoxes : public ::testing::Test {
  protected:
    void SetUp() override { application(); }
};

TEST_F(MessageBoxes, AQuestionOffersOkAndCancel) {
    when_box_opens("Talvane Mini Installer", [](QDialog* box) {
        auto* text = box->findChild<QLabel*>("text");
        EXPECT_TRUE(text != nullptr && text->text() == "Line one\nLine two");
        EXPECT_NE(box->findChild<QPushButton*>("1"), nullptr);
        click_or_close(box, "2");
    });
    EXPECT_EQ(show_qt_message_box("Talvane Mini Installer", "Line one\r\nLine two",
                                  MessageKind::question),
              MessageAnswer::cancel);

    when_box_opens("Talvane Mini Installer", [](QDialog* box) { click_or_close(box, "1"); });
    EXPECT_EQ(show_qt_message_box("Talvane Mini Installer", "x", MessageKind::question),
              MessageAnswer::ok);

    when_box_opens("Talvane Mini Installer",
                   [](QDialog* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_EQ(show_qt_message_box("Talvane Mini Installer", "x", MessageKind::question),
              MessageAnswer::cancel);
}

TEST_F(MessageBoxes, AWarningHasOnlyOkAndReadsLatinOneText) {
    when_box_opens("Talvane Mini Installer", [](QDialog* box) {
        EXPECT_EQ(box->findChild<QPushButton*>("2"), nullptr);
        auto* text = box->findChild<QLabel*>("text");
        EXPECT_TRUE(text != nullptr && text->text() == QString::fromUtf8("Gr\u00fc\u00dfe"));
        QTest::keyClick(box, Qt::Key_Escape);
    });
    EXPECT_EQ(show_qt_message_box("Talvane Mini Installer",
                                  "Gr\xfc\xdf"
                                  "e",
                                  MessageKind::warning),
              MessageAnswer::ok);
}

TEST_F(MessageBoxes, ABoxAskedFromAWorkerThreadIsShownOnTheApplicationsThread) {
    QThread* gui_thread = QThread::currentThread();
    QThread* shown_on = nullptr;
    when_box_opens("From a worker", [&](QDialog* box) {
        shown_on = QThread::currentThread();
        click_or_close(box, "1");
    });
    MessageAnswer answer = MessageAnswer::cancel;
    bool done = false;
    std::thread worker([&] {
        answer = show_qt_message_box("From a worker", "x", MessageKind::question);
        QMetaObject::invokeMethod(
            &application(), [&] { done = true; }, Qt::QueuedConnection);
    });
    for (int i = 0; i < 500 && !done; ++i) {
        QTest::qWait(10);
    }
    worker.join();
    EXPECT_TRUE(done);
    EXPECT_EQ(answer, MessageAnswer::ok);
    EXPECT_EQ(shown_on, gui_thread);
}

TEST_F(MessageBoxes, ProgressDialogHasItsTwoSunkenTextsAndSize) {
    ProgressDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "Talvane Mini Installer");
    auto* upper = dialog.findChild<QLabel*>("1000");
    auto* lower = dialog.findChild<QLabel*>("1001");
    ASSERT_NE(upper, nullptr);
    ASSERT_NE(lower, nullptr);
    EXPECT_EQ(upper->frameShadow(), QFrame::Sunken);
    EXPECT_EQ(lower->frameShadow(), QFrame::Sunken);
    EXPECT_LT(upper->geometry().bottom(), lower->geometry().top());
    EXPECT_TRUE(dialog.rect().contains(lower->geometry()));
    // 276 x 61 dialog units of the dialog's font.
    QFontMetrics metrics(dialog.font());
    int average =
        (metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 +
         1) /
        2;
    EXPECT_NEAR(dialog.width(), 276 * average / 4.0, 1.0);
    EXPECT_NEAR(dialog.height(), 61 * metrics.height() / 8.0, 1.0);

    QString long_path = "Replaced /" + QString(300, 'p') + "/README.TXT";
    dialog.set_lower(long_path);
    EXPECT_EQ(lower->toolTip(), long_path);
    EXPECT_LE(lower->fontMetrics().horizontalAdvance(lower->text()), lower->width());
    EXPECT_TRUE(lower->text().endsWith("README.TXT"));
}

TEST_F(MessageBoxes, ProgressDialogCannotBeClosedWhileTheRunGoesOn) {
    ProgressDialog dialog;
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    dialog.close();
    EXPECT_TRUE(dialog.isVisible());
    dialog.close_when_done();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

struct SeenBox {
    std::string text;
    MessageKind kind = MessageKind::information;
    bool dialog_visible = false;
    QString upper;
    QString lower;
};

// A whole run with the dialog; boxes are answered by a handler installed
// through the platform hook, which records what the dialog showed then.
class DialogRun : public ::testing::Test, protected testing::UpdateFolders {
  protected:
    void SetUp() override {
        application();
        write_file(update / "plugin.dll", "new plug-in");
        m_previous = platform::set_message_box_handler(
            [this](const std::string& title, const std::string& text, MessageKind kind) {
                EXPECT_EQ(title, "Talvane Mini Installer");
                SeenBox seen;
                seen.text = text;
                seen.kind = kind;
                if (QDialog* dialog = open_dialog("Talvane Mini Installer")) {
                    seen.dialog_visible = true;
                    seen.upper = dialog->findChild<QLabel*>("1000")->toolTip();
                    seen.lower = dialog->findChild<QLabel*>("1001")->toolTip();
                }
                m_seen.push_back(seen);
                return kind == MessageKind::question ? m_answer : MessageAnswer::ok;
            });
    }
    void TearDown() override { platform::set_message_box_handler(m_previous); }

    int run(std::initializer_list<std::string> commands) {
        script(commands);
        SessionSettings settings;
        settings.update_path = update.string();
        settings.registry = registry();
        settings.search_roots = std::vector<std::string>{};
        return run_with_dialog(std::move(settings));
    }

    MessageAnswer m_answer = MessageAnswer::ok;
    std::vector<SeenBox> m_seen;
    platform::MessageBoxHandler m_previous;
};

TEST_F(DialogRun, RunsTheCommandsWhileTheDialogShowsThem) {
    int code = run({"C,{KDRDIR}/,plugin.dll", "C,{KDRDIR}/,missing.dll"});
    EXPECT_EQ(code, 1);
    EXPECT_EQ(read_file(installation / "plugin.dll"), "new plug-in");
    ASSERT_EQ(m_seen.size(), 3u);
    EXPECT_EQ(m_seen[0].text, "Kaleidra 3.0.9");
    EXPECT_EQ(m_seen[0].kind, MessageKind::question);
    EXPECT_FALSE(m_seen[0].dialog_visible);

    EXPECT_EQ(m_seen[1].text, "File copy failed!");
    EXPECT_EQ(m_seen[1].kind, MessageKind::warning);
    EXPECT_TRUE(m_seen[1].dialog_visible);
    EXPECT_EQ(m_seen[1].upper, "Updating Files");
    EXPECT_EQ(m_seen[1].lower.toStdString(),
              "Copying missing.dll to " + installation.string() + "/");

    EXPECT_EQ(m_seen[2].text, "Update is complete.");
    EXPECT_FALSE(m_seen[2].dialog_visible) << "the dialog closes before the last box";
}

TEST_F(DialogRun, CancelShowsNoDialogAndChangesNothing) {
    m_answer = MessageAnswer::cancel;
    EXPECT_EQ(run({"C,{KDRDIR}/,plugin.dll"}), 3);
    EXPECT_EQ(m_seen.size(), 1u);
    EXPECT_FALSE(fs::exists(installation / "plugin.dll"));
}

}  // namespace
}  // namespace kdr::updater::gui
