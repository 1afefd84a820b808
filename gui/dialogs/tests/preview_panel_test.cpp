// The "Selected FX" panel on a running sheet: automatic previews, the
// Render button's texts, the progress bar, the speed trackbar and the
// display timer.

#include <QAbstractButton>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <cstdlib>
#include <set>

#include "dialog_test_support.h"
#include "effect_page.h"
#include "icon_button.h"
#include "kaleidra/gui/selection.h"
#include "option_page.h"
#include "selected_fx_panel.h"
#include "selection_session.h"
#include "selection_sheet.h"

namespace kdr::gui::test {
namespace {

class PreviewPanelTest : public DialogTest {};

TEST_F(PreviewPanelTest, OpeningRendersAndAnimatesThePreview) {
    TestRecord record("Globe");
    run_sheet(record.value, [&](SelectionSheet& sheet) {
        PreviewRenderer* renderer = sheet.session().renderer();
        ASSERT_TRUE(eventually([&] { return renderer->renders_completed() == 1; }, "the preview"));
        OptionPage* page = sheet.current_page();
        PreviewView* view = page->panel()->preview();
        ASSERT_TRUE(eventually([&] { return !view->frame().isNull(); }, "a frame on screen"));
        EXPECT_EQ(view->frame().size(), QSize(64, 64));
        // Frames follow one another: the recording engine paints each
        // frame's number into it.
        std::set<int> shown;
        ASSERT_TRUE(eventually(
            [&] {
                shown.insert(qBlue(view->frame().pixel(0, 0)));
                return shown.size() >= 3;
            },
            "three different frames"));
        EXPECT_EQ(page->display_timer().interval(), 1000 / 15);
        EXPECT_EQ(page->state_timer().interval(), 100);
        sheet.accept();
    });
    const std::vector<std::string> renders = engine_renders(install);
    ASSERT_EQ(renders.size(), 30u);
    EXPECT_EQ(renders[0], "render 0/29 64x64 images 2 effect Globe");
    EXPECT_EQ(renders[29], "render 29/29 64x64 images 2 effect Globe");
}

TEST_F(PreviewPanelTest, RenderWhileRenderingShowsWaitThenRender) {
    install.set_engine_delay(150);
    TestRecord record("Globe");
    run_sheet(record.value, [&](SelectionSheet& sheet) {
        SelectedFxPanel* panel = sheet.current_page()->panel();
        QPushButton* render = panel->render();
        ASSERT_TRUE(eventually([&] { return render->text() == "Stop"; }, "the render to start"));
        ASSERT_TRUE(eventually([&] { return panel->progress()->value() > 0; }, "progress"));
        QTest::mouseClick(render, Qt::LeftButton);
        EXPECT_EQ(render->text(), "Wait...");
        ASSERT_TRUE(eventually([&] { return render->text() == "Render"; }, "the render to stop"));
        EXPECT_EQ(panel->progress()->value(), 0);
        EXPECT_EQ(sheet.session().renderer()->renders_completed(), 0);
        install.set_engine_delay(0);
        // Pressed again, it renders.
        QTest::mouseClick(render, Qt::LeftButton);
        ASSERT_TRUE(eventually([&] { return sheet.session().renderer()->renders_completed() == 1; },
                               "a render from the button"));
        EXPECT_TRUE(eventually([&] { return render->text() == "Render"; }, "the text after it"));
        sheet.accept();
    });
}

TEST_F(PreviewPanelTest, WithoutAutomaticRenderEditsWaitForTheButton) {
    install.set_number("Prev_Render", 0);
    TestRecord record("Globe");
    run_sheet(record.value, [&](SelectionSheet& sheet) {
        auto* page = static_cast<EffectPage*>(sheet.page(102));
        PreviewRenderer* renderer = sheet.session().renderer();
        QTest::mouseClick(page->button(1), Qt::LeftButton);  // another effect
        QTest::qWait(300);
        EXPECT_FALSE(renderer->rendering());
        EXPECT_FALSE(renderer->render_pending());
        EXPECT_TRUE(engine_renders(install).empty());
        QTest::mouseClick(page->panel()->render(), Qt::LeftButton);
        ASSERT_TRUE(eventually([&] { return renderer->renders_completed() == 1; }, "the render"));
        sheet.accept();
    });
    ASSERT_EQ(engine_renders(install).size(), 30u);
    EXPECT_TRUE(engine_renders(install)[0].ends_with(std::string("effect ") + record.value.name));
}

TEST_F(PreviewPanelTest, AnEditDuringARenderStartsOverWithTheNewSettings) {
    install.set_engine_delay(100);
    TestRecord record("Globe");
    std::string chosen;
    run_sheet(record.value, [&](SelectionSheet& sheet) {
        auto* page = static_cast<EffectPage*>(sheet.page(102));
        PreviewRenderer* renderer = sheet.session().renderer();
        ASSERT_TRUE(eventually([&] { return renderer->rendering(); }, "the first render"));
        install.set_engine_delay(0);
        QTest::mouseClick(page->button(0), Qt::LeftButton);
        chosen = record.value.name;
        ASSERT_TRUE(
            eventually([&] { return renderer->renders_completed() == 1; }, "the new render"));
        sheet.accept();
    });
    const std::vector<std::string> renders = engine_renders(install);
    ASSERT_GE(renders.size(), 30u);
    EXPECT_EQ(renders.back(), "render 29/29 64x64 images 2 effect " + chosen);
    EXPECT_TRUE(renders.front().ends_with("effect Globe aborted")) << renders.front();
}

TEST_F(PreviewPanelTest, TheSpeedTrackbarRestartsTheDisplayTimerInMemoryOnly) {
    TestRecord record("Globe");
    run_sheet(record.value, [&](SelectionSheet& sheet) {
        OptionPage* page = sheet.current_page();
        QSlider* speed = page->panel()->speed();
        speed->setValue(4);
        EXPECT_EQ(page->display_timer().interval(), 250);
        EXPECT_TRUE(page->display_timer().isActive());
        EXPECT_EQ(sheet.session().preferences().prev_speed, 4u);
        sheet.accept();
    });
    EXPECT_EQ(install.number("Prev_Speed"), 15u) << "the panel's trackbar writes no preference";
}

TEST_F(PreviewPanelTest, ASpeedOfZeroCountsAsOne) {
    install.remove_value("Prev_Speed");
    TestRecord record("Globe");
    run_sheet(record.value, [&](SelectionSheet& sheet) {
        OptionPage* page = sheet.current_page();
        EXPECT_EQ(page->display_timer().interval(), 1000);
        EXPECT_EQ(page->panel()->speed()->value(), 1);
        sheet.accept();
    });
}

TEST_F(PreviewPanelTest, ChangingPagesStopsTheTimersOfTheOldPage) {
    TestRecord record("Globe");
    run_sheet(record.value, [&](SelectionSheet& sheet) {
        OptionPage* fx = sheet.page(102);
        OptionPage* settings = sheet.page(114);
        EXPECT_TRUE(fx->state_timer().isActive());
        EXPECT_FALSE(settings->created()) << "pages are made when first shown";
        sheet.show_page(114);
        EXPECT_TRUE(settings->created());
        EXPECT_FALSE(fx->state_timer().isActive());
        EXPECT_FALSE(fx->display_timer().isActive());
        EXPECT_TRUE(settings->display_timer().isActive());
        EXPECT_EQ(sheet.session().current_page(), settings);
        EXPECT_EQ(settings->panel()->speed(), nullptr) << "the Settings page has its own";
        sheet.accept();
    });
}

class MissingEnginePanelTest : public DialogTest {
  protected:
    MissingEnginePanelTest()
        : DialogTest(
              InstallationContents{.recording_engine = true, .preview_engine = "Rnd_Vanished"}) {}
};

TEST_F(MissingEnginePanelTest, PreviewsStayGreyAndRenderKeepsItsText) {
    TestRecord record("Globe");
    EXPECT_EQ(run_sheet(record.value,
                        [&](SelectionSheet& sheet) {
                            PreviewRenderer* renderer = sheet.session().renderer();
                            ASSERT_TRUE(
                                eventually([&] { return renderer->engine_tried(); }, "the engine"));
                            SelectedFxPanel* panel = sheet.current_page()->panel();
                            QTest::mouseClick(panel->render(), Qt::LeftButton);
                            QTest::qWait(300);
                            EXPECT_EQ(panel->render()->text(), "Render");
                            const QImage frame = panel->preview()->frame();
                            ASSERT_FALSE(frame.isNull());
                            EXPECT_EQ(QColor(frame.pixel(5, 5)), QColor(192, 192, 192));
                            sheet.accept();
                        }),
              dialog_ok);
}

}  // namespace
}  // namespace kdr::gui::test
