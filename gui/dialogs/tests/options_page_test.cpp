// The Options page: values shown and stored straight into the record, the
// "E" markers and the envelopes behind them, and the exchange of the first
// two videos when a two-video transition changes its fly direction.

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>

#include "envelope_editor.h"
#include "kaleidra/scene/scene.h"
#include "option_page.h"
#include "pages_test_support.h"
#include "selection_session.h"
#include "selection_sheet.h"

namespace kdr::gui::test {
namespace {

class OptionsPageTest : public PagesTest {};

TEST_F(OptionsPageTest, ShowsTheValuesWithTheirRangesAndStatics) {
    TestRecord record("Globe");
    record.value.globals[global_render_style] = 2;
    record.value.globals[global_light_direction] = 90;
    record.value.globals[global_shadows] = 40;
    record.value.globals[global_blur_count] = 3;
    record.value.globals[global_transition_period] = 25;
    record.value.globals[global_antialias] = 5;  // more than on
    run_page(record.value, 103, [&](SelectionSheet&, OptionPage& page) {
        EXPECT_TRUE(control<QRadioButton>(&page, 1105)->isChecked());
        EXPECT_TRUE(control<QRadioButton>(&page, 1100)->isChecked());
        EXPECT_EQ(text_of(&page, 1122), "90") << "0 to 360: a plain number";
        EXPECT_EQ(text_of(&page, 1602), "40%") << "0 to 100: with a percent sign";
        EXPECT_EQ(text_of(&page, 1118), "3") << "0 to 10: a plain number";
        EXPECT_EQ(text_of(&page, 1640), "25%");
        EXPECT_EQ(text_of(&page, 1116), "0%");
        auto* direction = control<QSlider>(&page, 1121);
        EXPECT_EQ(direction->maximum(), 360);
        EXPECT_EQ(direction->pageStep(), 45);
        EXPECT_EQ(control<QSlider>(&page, 1117)->maximum(), 10);
        EXPECT_EQ(control<QSlider>(&page, 1601)->pageStep(), 10);
        EXPECT_EQ(record.value.globals[global_antialias], 1) << "stored as on when shown";
        EXPECT_TRUE(control<QCheckBox>(&page, 1114)->isChecked());
        EXPECT_EQ(text_of(&page, 1131), "E");
        EXPECT_TRUE(enabled(&page, 1100)) << "fly direction outside filter mode";
    });
}

TEST_F(OptionsPageTest, EveryCommandAndMovementStoresExceptWhileTheThumbIsDragged) {
    TestRecord record("Globe");
    run_page(record.value, 103, [&](SelectionSheet&, OptionPage& page) {
        click(&page, 1104);
        EXPECT_EQ(record.value.globals[global_render_style], 1);
        click(&page, 1107);
        click(&page, 1109);
        click(&page, 1114);
        click(&page, 1112);
        EXPECT_EQ(record.value.globals[global_render_quality], 1);
        EXPECT_EQ(record.value.globals[global_image_quality], 1);
        EXPECT_EQ(record.value.globals[global_antialias], 1);
        EXPECT_EQ(record.value.globals[global_lighting], 1);
        slide(&page, 1601, 70);
        EXPECT_EQ(record.value.globals[global_shadows], 70);
        slide(&page, 1639, 30);
        EXPECT_EQ(record.value.globals[global_transition_period], 30);

        auto* blur = control<QSlider>(&page, 1115);
        blur->setSliderDown(true);
        blur->setValue(60);
        EXPECT_EQ(text_of(&page, 1116), "60%") << "the number follows the thumb";
        EXPECT_EQ(record.value.globals[global_blur_percent], 0) << "not stored while dragged";
        blur->setSliderDown(false);
        EXPECT_EQ(record.value.globals[global_blur_percent], 60) << "stored on release";
    });
}

TEST_F(OptionsPageTest, AStoredValueOutOfRangeShowsAsStoredAndTheNextStoreWritesTheEnd) {
    TestRecord record("Globe");
    record.value.globals[global_shadows] = 150;
    record.value.globals[global_light_direction] = -20;
    run_page(record.value, 103, [&](SelectionSheet&, OptionPage& page) {
        EXPECT_EQ(text_of(&page, 1602), "150%");
        EXPECT_EQ(control<QSlider>(&page, 1601)->value(), 100);
        EXPECT_EQ(text_of(&page, 1122), "-20");
        EXPECT_EQ(control<QSlider>(&page, 1121)->value(), 0);
        EXPECT_EQ(record.value.globals[global_shadows], 150) << "showing stores nothing";
        click(&page, 1114);
        EXPECT_EQ(record.value.globals[global_shadows], 100);
        EXPECT_EQ(record.value.globals[global_light_direction], 0);
    });
}

// A two-video transition whose first two videos have values and envelopes
// of their own.
struct TwoVideos {
    TestRecord record{"Globe"};  // type 1
    TwoVideos() {
        for (int j = 0; j < video_value_count; ++j) {
            record.value.video_values[0][j] = static_cast<float>(10 + j);
            record.value.video_values[1][j] = static_cast<float>(50 + j);
        }
        add_settings_envelope(record.value, 40001, 102, 0, 100);  // video 1 luminosity
        add_settings_envelope(record.value, 40002, 207, 0, 20);   // video 2 trail spacing
        add_settings_envelope(record.value, 40003, 6, 0, 100);    // shadows
    }
};

TEST_F(OptionsPageTest, FlyOffToFlyOnExchangesTheFirstTwoVideosAndBackAgain) {
    install.set_number("Eff_Autoreverse", 1);
    TwoVideos videos;
    EffectSettings& record = videos.record.value;
    run_page(record, 103, [&](SelectionSheet&, OptionPage& page) {
        click(&page, 1101);
        EXPECT_EQ(record.globals[global_fly_direction], 1);
        EXPECT_EQ(record.video_values[0][video_luminosity], 52);
        EXPECT_EQ(record.video_values[1][video_luminosity], 12);
        EXPECT_NE(envelope_of(record, 202), nullptr) << "video 1's envelope now drives video 2";
        EXPECT_NE(envelope_of(record, 107), nullptr);
        EXPECT_NE(envelope_of(record, 6), nullptr) << "global envelopes stay";
        EXPECT_EQ(envelope_of(record, 102), nullptr);

        click(&page, 1101);  // the same direction again: nothing changes
        EXPECT_EQ(record.video_values[0][video_luminosity], 52);

        click(&page, 1100);
        EXPECT_EQ(record.globals[global_fly_direction], 0);
        EXPECT_EQ(record.video_values[0][video_luminosity], 12);
        EXPECT_NE(envelope_of(record, 102), nullptr);
        EXPECT_NE(envelope_of(record, 207), nullptr);
    });
}

TEST_F(OptionsPageTest, WithoutAutoreverseOrForOtherEffectsNothingIsExchanged) {
    install.set_number("Eff_Autoreverse", 0);
    TwoVideos videos;
    run_page(videos.record.value, 103,
             [&](SelectionSheet&, OptionPage& page) { click(&page, 1101); });
    EXPECT_EQ(videos.record.value.globals[global_fly_direction], 1);
    EXPECT_EQ(videos.record.value.video_values[0][video_luminosity], 12);
    EXPECT_NE(envelope_of(videos.record.value, 102), nullptr);

    install.set_number("Eff_Autoreverse", 1);
    TestRecord wall("VideoWall");  // type 0: its videos never trade places
    wall.value.video_values[0][video_shine] = 33;
    run_page(wall.value, 103, [&](SelectionSheet&, OptionPage& page) { click(&page, 1101); });
    EXPECT_EQ(wall.value.video_values[0][video_shine], 33);
}

TEST_F(OptionsPageTest, AnEnvelopeOnBlurCountDisablesItsTrackbarAndRemoveEnablesIt) {
    TestRecord record("Globe");
    add_settings_envelope(record.value, 40001, global_blur_count, 0, 10);
    run_page(record.value, 103, [&](SelectionSheet&, OptionPage& page) {
        EXPECT_EQ(text_of(&page, 1135), "E*");
        EXPECT_FALSE(enabled(&page, 1117));
        EXPECT_TRUE(enabled(&page, 1115)) << "blur percent has no envelope";
        expect_dialog(DialogKind::envelope_editor, [&](QDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "Blur Count Envelope");
            click(&dialog, 3);  // "&Remove"
        });
        click(&page, 1135);
        EXPECT_TRUE(all_dialogs_shown());
        EXPECT_EQ(text_of(&page, 1135), "E");
        EXPECT_TRUE(enabled(&page, 1117));
        EXPECT_EQ(envelope_of(record.value, global_blur_count), nullptr);
    });
}

TEST_F(OptionsPageTest, AnEButtonWithoutEnvelopeMakesAFlatOneThatOkKeepsAndCancelDrops) {
    TestRecord record("Globe");
    record.value.globals[global_shadows] = 30;
    run_page(record.value, 103, [&](SelectionSheet& sheet, OptionPage& page) {
        expect_dialog(DialogKind::envelope_editor, [&](QDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "Shadows Envelope");
            const scene::Envelope* made = envelope_of(record.value, global_shadows);
            ASSERT_NE(made, nullptr) << "made when the editor opens";
            EXPECT_EQ(made->id, 40001);
            ASSERT_EQ(made->keys.size(), 2u);
            EXPECT_EQ(made->keys[0].value, 30);
            EXPECT_EQ(made->keys[1].value, 30);
            EXPECT_EQ(text_of(&dialog, 1092), "30%");
            EXPECT_EQ(text_of(&dialog, 1100), "100%");
            EXPECT_EQ(text_of(&dialog, 1101), "0%");
            auto& editor = static_cast<EnvelopeEditor&>(dialog);
            EXPECT_EQ(sheet.session().current_page(), editor.editor_page())
                << "the editor's panel is the current page";
            click(&dialog, 1);
        });
        click(&page, 1132);
        EXPECT_EQ(text_of(&page, 1132), "E*");
        EXPECT_FALSE(enabled(&page, 1601));
        EXPECT_EQ(sheet.session().current_page(), &page) << "the page takes over again";

        expect_dialog(DialogKind::envelope_editor, [&](QDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "Blur Percent Envelope");
            click(&dialog, 2);  // "&Cancel"
        });
        click(&page, 1134);
        EXPECT_EQ(envelope_of(record.value, global_blur_percent), nullptr) << "Cancel leaves none";
        EXPECT_EQ(text_of(&page, 1134), "E");
        EXPECT_TRUE(enabled(&page, 1115));
    });
    EXPECT_NE(envelope_of(record.value, global_shadows), nullptr);
}

TEST_F(OptionsPageTest, InFilterModeTheFlyDirectionIsDisabled) {
    TestRecord record("Windows3");
    run_page(
        record.value, 103,
        [&](SelectionSheet&, OptionPage& page) {
            EXPECT_FALSE(enabled(&page, 1089));
            EXPECT_FALSE(enabled(&page, 1100));
            EXPECT_FALSE(enabled(&page, 1101));
            EXPECT_TRUE(enabled(&page, 1103));
        },
        1);
}

}  // namespace
}  // namespace kdr::gui::test
