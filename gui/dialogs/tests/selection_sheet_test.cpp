// The property sheet as KDRGUI_Select runs it: its pages and buttons, the
// results, Cancel restoring the record, filter mode, and the calls that
// cannot show a sheet.

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

#include <thread>

#include "dialog_test_support.h"
#include "effect_page.h"
#include "kaleidra/gui/dialog_hook.h"
#include "kaleidra/gui/selection.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/scene/scene.h"
#include "option_page.h"
#include "selection_session.h"
#include "selection_sheet.h"

namespace kdr::gui::test {
namespace {

class SelectionSheetTest : public DialogTest {};

TEST_F(SelectionSheetTest, ShowsTheBuiltPagesInOrderWithOkCancelAndHelp) {
    TestRecord record("Globe");
    const int result = run_sheet(record.value, [](SelectionSheet& sheet) {
        EXPECT_EQ(sheet.windowTitle(), "Kaleidra - Selection Dialog");
        QTabWidget* tabs = sheet.tabs();
        ASSERT_EQ(tabs->count(), 4) << "no Filter Options page outside filter mode";
        EXPECT_EQ(tabs->tabText(0), "   FX");
        EXPECT_EQ(tabs->tabText(1), "Options");
        EXPECT_EQ(tabs->tabText(2), "Objects");
        EXPECT_EQ(tabs->tabText(3), "Settings");
        EXPECT_EQ(tabs->currentIndex(), 0) << "the sheet starts on the first page";
        EXPECT_EQ(sheet.current_page()->dialog_id(), 102);
        auto* box = sheet.findChild<QDialogButtonBox*>();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->standardButtons(),
                  QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help)
            << "no Apply button";
        EXPECT_NE(sheet.findChild<QAbstractButton*>("1"), nullptr);
        EXPECT_NE(sheet.findChild<QAbstractButton*>("2"), nullptr);
        EXPECT_NE(sheet.findChild<QAbstractButton*>("9"), nullptr);
        sheet.findChild<QAbstractButton*>("1")->click();
    });
    EXPECT_EQ(result, dialog_ok);
}

TEST_F(SelectionSheetTest, OkWithoutEditsLeavesTheRecordAsItWas) {
    TestRecord record("PageTurn");
    record.value.globals[global_shadows] = 60;
    record.add_user_items();
    const std::vector<std::uint8_t> before = record.stored();
    const int result = run_sheet(record.value, [](SelectionSheet& sheet) {
        ASSERT_TRUE(eventually(
            [&] {
                return !sheet.session().renderer()->rendering() &&
                       sheet.session().renderer()->renders_completed() > 0;
            },
            "the first preview"));
        QTest::keyClick(&sheet, Qt::Key_Return);
    });
    EXPECT_EQ(result, dialog_ok);
    EXPECT_EQ(record.stored(), before);
}

TEST_F(SelectionSheetTest, CancelAfterEditsRestoresTheWholeRecord) {
    TestRecord record("PageTurn");
    record.value.globals[global_shadows] = 60;
    record.add_user_items();
    const std::vector<std::uint8_t> before = record.stored();
    const int result = run_sheet(record.value, [&](SelectionSheet& sheet) {
        auto* page = static_cast<EffectPage*>(sheet.page(102));
        page->show_group(2);
        control<QAbstractButton>(page, 1002)->click();  // another effect, paths emptied
        EXPECT_STRNE(record.value.name, "PageTurn");
        EXPECT_TRUE(settings_scene(record.value)->paths.empty());
        record.value.globals[global_blur_count] = 4;  // as a page would store it
        sheet.show_page(114);
        control<QAbstractButton>(sheet.current_page(), 1501)->click();
        QTest::keyClick(&sheet, Qt::Key_Escape);
    });
    EXPECT_EQ(result, dialog_cancelled);
    EXPECT_EQ(record.stored(), before);
    EXPECT_EQ(settings_scene(record.value)->paths.size(), 1u);
    EXPECT_EQ(settings_scene(record.value)->envelopes.size(), 1u);
    EXPECT_EQ(settings_scene(record.value)->surfaces.size(), 1u);
    EXPECT_EQ(install.number("Eff_Display"), 1u) << "preferences are kept either way";
}

TEST_F(SelectionSheetTest, ClosingTheWindowCancels) {
    TestRecord record("Globe");
    const std::vector<std::uint8_t> before = record.stored();
    const int result = run_sheet(record.value, [&](SelectionSheet& sheet) {
        std::strcpy(record.value.name, "Scroll");
        sheet.close();
    });
    EXPECT_EQ(result, dialog_cancelled);
    EXPECT_EQ(record.stored(), before);
}

TEST_F(SelectionSheetTest, FilterModeGivesAnUnsetFilterOneHundredFramesAndHidesTheSpeed) {
    TestRecord record("Windows3");
    const int result = run_sheet(
        record.value,
        [&](SelectionSheet& sheet) {
            EXPECT_EQ(record.value.globals[global_filter_frames], 100.0f);
            EXPECT_EQ(record.value.globals[global_filter_placement], 1.0f);
            EXPECT_TRUE(sheet.session().filter_mode());
            auto* speed = control<QSlider>(sheet.current_page(), 1062);
            EXPECT_FALSE(speed->isVisible());
            EXPECT_FALSE(speed->isEnabled());
            QTabWidget* tabs = sheet.tabs();
            ASSERT_EQ(tabs->count(), 5);
            EXPECT_EQ(tabs->tabText(1), "Options");
            EXPECT_EQ(tabs->tabText(2), "Filter Options");
            EXPECT_EQ(tabs->tabText(3), "Objects");
            EXPECT_EQ(tabs->tabText(4), "Settings");
            sheet.accept();
        },
        1);
    EXPECT_EQ(result, dialog_ok);
    EXPECT_EQ(record.value.globals[global_filter_frames], 100.0f);

    TestRecord counted("Windows3");
    counted.value.globals[global_filter_frames] = 40;
    run_sheet(
        counted.value,
        [&](SelectionSheet& sheet) {
            EXPECT_EQ(counted.value.globals[global_filter_frames], 40.0f);
            EXPECT_EQ(counted.value.globals[global_filter_placement], 0.0f);
            sheet.accept();
        },
        1);
}

TEST_F(SelectionSheetTest, WithoutFilterModeTheSpeedTrackbarFollowsThePreference) {
    TestRecord record("Globe");
    run_sheet(record.value, [](SelectionSheet& sheet) {
        auto* speed = control<QSlider>(sheet.current_page(), 1062);
        EXPECT_TRUE(speed->isVisible());
        EXPECT_EQ(speed->minimum(), 1);
        EXPECT_EQ(speed->maximum(), 30);
        EXPECT_EQ(speed->pageStep(), 10);
        EXPECT_EQ(speed->value(), 15);
        sheet.accept();
    });
}

TEST_F(SelectionSheetTest, ASecondDialogWhileOneIsOpenIsRefused) {
    TestRecord record("Globe");
    TestRecord inner("Globe");
    int inner_result = -1;
    int about_result = -1;
    run_sheet(record.value, [&](SelectionSheet& sheet) {
        inner_result = select_effect(0, &inner.value, 0);
        about_result = show_about(0, nullptr, nullptr);
        sheet.accept();
    });
    EXPECT_EQ(inner_result, dialog_not_shown);
    EXPECT_EQ(about_result, dialog_not_shown);
}

TEST_F(SelectionSheetTest, CallsThatCannotShowASheetReturnTwo) {
    EXPECT_EQ(select_effect(0, nullptr, 0), dialog_not_shown);
    TestRecord record("Globe");
    const std::vector<std::uint8_t> before = record.stored();
    int from_thread = -1;
    std::thread other([&] { from_thread = select_effect(0, &record.value, 0); });
    other.join();
    EXPECT_EQ(from_thread, dialog_not_shown) << "only the GUI thread may show the sheet";
    EXPECT_EQ(record.stored(), before);
}

TEST_F(SelectionSheetTest, AWidgetOfThisProgramAsOwnerBecomesTheParent) {
    QWidget owner;
    owner.show();
    TestRecord record("Globe");
    QWidget* parent = nullptr;
    set_dialog_shown_hook([&](QDialog& dialog, DialogKind) {
        parent = dialog.parentWidget();
        QTimer::singleShot(0, &dialog, [&dialog] { dialog.accept(); });
    });
    EXPECT_EQ(select_effect(static_cast<std::uintptr_t>(owner.winId()), &record.value, 0),
              dialog_ok);
    EXPECT_EQ(parent, &owner);
}

}  // namespace
}  // namespace kdr::gui::test
