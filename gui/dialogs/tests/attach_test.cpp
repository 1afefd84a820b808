// The library's attach work: the catalogue refresh with its progress
// window, and the processes that get none.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QProgressBar>
#include <QTimer>

#include "kaleidra/gui/catalogue.h"
#include "kaleidra/gui/catalogue_file.h"
#include "kaleidra/gui/catalogue_refresh.h"
#include "kaleidra/gui/selection.h"
#include "kaleidra/gui/testing/test_installation.h"
#include "library_state.h"

namespace kdr::gui::test {
namespace {

TEST(AttachTest, TheFirstUseRebuildsTheCatalogueUnderAProgressWindow) {
    TestInstallation install;
    Catalogue master;
    ASSERT_TRUE(read_catalogue(master, install.folder("EFFECTS") / "Master.lst"));
    QString title;
    int bar_maximum = -1;
    int bar_last = -1;
    QProgressBar* watched = nullptr;
    QTimer watcher;
    // Once the window shows (it waits half a second before it rebuilds),
    // follow its bar.
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* bar = window->findChild<QProgressBar*>("1084");
            if (window->objectName() != "124" || !window->isVisible() || bar == nullptr ||
                bar == watched) {
                continue;
            }
            title = window->windowTitle();
            watched = bar;
            QObject::connect(bar, &QProgressBar::valueChanged, [&, bar](int value) {
                bar_maximum = std::max(bar_maximum, bar->maximum());
                bar_last = value;
            });
        }
    });
    watcher.start(20);
    attach_library();
    watcher.stop();
    EXPECT_EQ(title, "Updating FX List, Please Wait...");
    EXPECT_EQ(bar_maximum, static_cast<int>(master.item_total()));
    EXPECT_EQ(bar_last, static_cast<int>(master.item_total())) << "the bar ends full";
    Catalogue current;
    ASSERT_TRUE(read_catalogue(current, install.folder("orgs") / "current.org"));
    EXPECT_EQ(current, master);
    EXPECT_EQ(install.number(effect_count_value), count_effect_files());
}

TEST(AttachTest, AnUpToDateCatalogueShowsNoWindow) {
    TestInstallation install;
    ASSERT_EQ(refresh_catalogue(), RefreshResult::rebuilt);
    bool shown = false;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            shown = shown || (window->objectName() == "124" && window->isVisible());
        }
    });
    watcher.start(10);
    attach_library();
    EXPECT_FALSE(shown);
}

TEST(AttachTest, TheVideoEditorHostGetsNoProgressWindow) {
    EXPECT_TRUE(process_wants_no_progress_window("veditor.exe"));
    EXPECT_TRUE(process_wants_no_progress_window("VEDITOR.EXE"));
    EXPECT_TRUE(process_wants_no_progress_window("my-veditor"));
    EXPECT_FALSE(process_wants_no_progress_window("kaleidra-select"));
    EXPECT_FALSE(process_wants_no_progress_window("editor"));
}

}  // namespace
}  // namespace kdr::gui::test
