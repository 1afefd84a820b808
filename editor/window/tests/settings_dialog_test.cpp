// The Settings dialog and the compression dialog with real widgets.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

#include <functional>

#include "help_viewer.h"
#include "kaleidra/editor/window/compression_dialog.h"
#include "kaleidra/editor/window/settings_dialog.h"
#include "window_fixture.h"

namespace kdr::editor::window::test {
namespace {

template <typename Widget>
Widget* control(QWidget& dialog, const char* id) {
    auto* found = dialog.findChild<Widget*>(QString::fromLatin1(id));
    EXPECT_NE(found, nullptr) << id;
    return found;
}

QString text(QWidget& dialog, const char* id) {
    QLineEdit* box = control<QLineEdit>(dialog, id);
    return box != nullptr ? box->text() : QString();
}

// Types `value` into a box the way a paste or a selection replaced by
// typing does: the whole text changes at once.
void type(QWidget& dialog, const char* id, const QString& value) {
    control<QLineEdit>(dialog, id)->setText(value);
}

// Runs `act` on the modal dialog named `name` once it shows.
void when_shown(const char* name, std::function<void(QDialog&)> act) {
    QTimer::singleShot(0, [name, act = std::move(act)] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == name && widget->isVisible()) {
                act(*static_cast<QDialog*>(widget));
                return;
            }
        }
        ADD_FAILURE() << "no dialog " << name;
    });
}

class Settings : public WindowTest {
  protected:
    OutputSettings settings = default_output_settings();
};

TEST_F(Settings, AKeptRatioTurnsWidth100Into75AndHeight50Into66) {
    SettingsDialog dialog(&window(), settings);
    EXPECT_EQ(dialog.windowTitle(), "Reelbench Settings");
    EXPECT_TRUE(control<QCheckBox>(dialog, "1008")->isChecked());
    EXPECT_TRUE(control<QCheckBox>(dialog, "1014")->isChecked());
    EXPECT_EQ(text(dialog, "1006"), "64");
    EXPECT_EQ(text(dialog, "1007"), "48");
    type(dialog, "1006", "100");
    EXPECT_EQ(text(dialog, "1007"), "75");
    type(dialog, "1007", "50");
    EXPECT_EQ(text(dialog, "1006"), "66");
    EXPECT_EQ(dialog.settings().preview_width, 66);
    EXPECT_EQ(dialog.settings().preview_height, 50);
    // The final group keeps its own ratio (160 x 120).
    EXPECT_EQ(dialog.settings().final_width, 160);
}

TEST_F(Settings, TypingKeyByKeyRecomputesThePartnerEachTime) {
    SettingsDialog dialog(&window(), settings);
    QLineEdit* width = control<QLineEdit>(dialog, "1012");
    width->selectAll();
    QTest::keyClicks(width, "320");
    EXPECT_EQ(text(dialog, "1012"), "320");
    EXPECT_EQ(text(dialog, "1013"), "240");
}

TEST_F(Settings, Typing5000PutsTheFinalWidthBackNotThePreviewWidth) {
    SettingsDialog dialog(&window(), settings);
    type(dialog, "1012", "5000");
    EXPECT_EQ(text(dialog, "1012"), "160");
    EXPECT_EQ(dialog.settings().final_width, 160);
    type(dialog, "1013", "0");
    EXPECT_EQ(text(dialog, "1013"), "120");
    type(dialog, "1006", "abc");
    EXPECT_EQ(text(dialog, "1006"), "64");
}

TEST_F(Settings, WithoutTheRatioTheOtherSizeStays) {
    SettingsDialog dialog(&window(), settings);
    QTest::mouseClick(control<QCheckBox>(dialog, "1014"), Qt::LeftButton);
    ASSERT_FALSE(control<QCheckBox>(dialog, "1014")->isChecked());
    type(dialog, "1012", "333");
    EXPECT_EQ(text(dialog, "1013"), "120");
    EXPECT_EQ(dialog.settings().final_width, 333);
}

TEST_F(Settings, TheRateTakesOneTo999AndRefusesZero) {
    SettingsDialog dialog(&window(), settings);
    type(dialog, "1016", "25");
    EXPECT_EQ(dialog.settings().rate, 25);
    type(dialog, "1016", "0");
    EXPECT_EQ(text(dialog, "1016"), "25");
    type(dialog, "1016", "1000");
    EXPECT_EQ(text(dialog, "1016"), "25");
    type(dialog, "1016", "999");
    EXPECT_EQ(dialog.settings().rate, 999);
}

TEST_F(Settings, OkKeepsTheEditsAndCancelLeavesTheProject) {
    when_shown("settings", [](QDialog& dialog) {
        type(dialog, "1016", "25");
        QTest::mouseClick(control<QRadioButton>(dialog, "1029"), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>(dialog, "2"), Qt::LeftButton);
    });
    trigger("107");
    EXPECT_EQ(project().output.rate, 30);
    EXPECT_FALSE(project().modified);

    when_shown("settings", [](QDialog& dialog) {
        EXPECT_TRUE(control<QRadioButton>(dialog, "1027")->isChecked());
        type(dialog, "1016", "25");
        type(dialog, "1006", "128");
        QTest::mouseClick(control<QRadioButton>(dialog, "1029"), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>(dialog, "1"), Qt::LeftButton);
    });
    trigger("107");
    EXPECT_EQ(project().output.rate, 25);
    EXPECT_EQ(project().output.preview_width, 128);
    EXPECT_EQ(project().output.preview_height, 96);
    EXPECT_EQ(project().output.field_mode, field_mode_even_first);
    EXPECT_TRUE(project().modified) << "changed settings are unsaved changes";
}

TEST_F(Settings, SaveDefaultsThenNewGivesTheSavedSettings) {
    project().output.rate = 24;
    project().output.final_width = 640;
    project().output.final_height = 480;
    project().output.final_options.handler = video::make_fourcc("MJPG");
    trigger("113");
    trigger("101");
    EXPECT_EQ(project().output.rate, 24);
    EXPECT_EQ(project().output.final_width, 640);
    EXPECT_EQ(project().output.final_options.handler, video::make_fourcc("MJPG"));
}

TEST_F(Settings, HelpOpensTheTopicOfTheControl) {
    SettingsDialog dialog(&window(), settings);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QLineEdit* rate = control<QLineEdit>(dialog, "1016");
    rate->setFocus();
    QTest::keyClick(rate, Qt::Key_F1);
    gui::HelpViewer* viewer = gui::HelpViewer::of(&dialog);
    ASSERT_EQ(gui::HelpViewer::of(&window()), nullptr) << "F1 went to the main window";
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->anchor(), "203");
    QTest::mouseClick(control<QPushButton>(dialog, "9"), Qt::LeftButton);
    EXPECT_EQ(viewer->anchor(), "1");
    EXPECT_EQ(SettingsDialog::help_context(1008), 200);
    EXPECT_EQ(SettingsDialog::help_context(1009), 201);
    EXPECT_EQ(SettingsDialog::help_context(1014), 202);
    EXPECT_EQ(SettingsDialog::help_context(1015), 204);
}

TEST_F(Settings, TheCompressionDialogEditsTheOptionsBlock) {
    video::CompressOptions options = default_compress_options();
    when_shown("compression", [](QDialog& dialog) {
        QComboBox* compressor = control<QComboBox>(dialog, "compressor");
        EXPECT_TRUE(compressor->currentText().contains("MSVC"))
            << compressor->currentText().toStdString();
        EXPECT_EQ(control<QLineEdit>(dialog, "parameters")->text(), "4B 00 00 00");
        EXPECT_TRUE(control<QCheckBox>(dialog, "key-frames")->isChecked());
        EXPECT_EQ(control<QSpinBox>(dialog, "key-frame-every")->value(), 7);
        const int mjpeg = compressor->findData(video::make_fourcc("MJPG"));
        ASSERT_GE(mjpeg, 0);
        compressor->setCurrentIndex(mjpeg);
        EXPECT_EQ(control<QLineEdit>(dialog, "parameters")->text(), "")
            << "the old compressor's data does not travel";
        control<QSpinBox>(dialog, "quality")->setValue(90);
        control<QCheckBox>(dialog, "data-rate")->click();
        control<QSpinBox>(dialog, "data-rate-value")->setValue(300);
        control<QCheckBox>(dialog, "key-frames")->click();
        control<QLineEdit>(dialog, "parameters")->setText("01 02 ff");
        QTest::mouseClick(control<QPushButton>(dialog, "1"), Qt::LeftButton);
    });
    ASSERT_TRUE(choose_compression(&window(), options, 64, 48, 30));
    EXPECT_EQ(options.handler, video::make_fourcc("MJPG"));
    EXPECT_EQ(options.flags & compress_flag_valid, compress_flag_valid);
    EXPECT_EQ(options.quality, 9000u);
    EXPECT_EQ(options.bytes_per_second, 300u * 1024);
    EXPECT_EQ(options.flags & compress_flag_data_rate, compress_flag_data_rate);
    EXPECT_EQ(options.flags & compress_flag_key_frames, 0u);
    EXPECT_EQ(options.parameters, (std::vector<std::uint8_t>{1, 2, 0xFF}));
    EXPECT_EQ(options.parameter_size, 3u);
    EXPECT_TRUE(std::filesystem::exists(work() / "TMP.AVI")) << "the trial movie stays";
    EXPECT_TRUE(messages.empty());
}

TEST_F(Settings, CancelLeavesTheOptionsAsTheyWere) {
    video::CompressOptions options = default_compress_options();
    when_shown("compression", [](QDialog& dialog) {
        control<QComboBox>(dialog, "compressor")->setCurrentIndex(0);
        QTest::mouseClick(control<QPushButton>(dialog, "2"), Qt::LeftButton);
    });
    EXPECT_FALSE(choose_compression(&window(), options, 64, 48, 30));
    EXPECT_EQ(options, default_compress_options());
}

TEST_F(Settings, OptionsNoCompressorTakesAreReplacedByTheDefaults) {
    video::CompressOptions options = default_compress_options();
    options.handler = video::make_fourcc("ZZZZ");
    when_shown("compression", [](QDialog& dialog) {
        QTest::mouseClick(control<QPushButton>(dialog, "1"), Qt::LeftButton);
    });
    EXPECT_TRUE(choose_compression(&window(), options, 64, 48, 30));
    EXPECT_TRUE(said("AVI Error.",
                     "Unable to use current AVI settings.  Reverting to default AVI settings."));
    EXPECT_EQ(options, default_compress_options()) << "OK without changes keeps the block";
}

TEST_F(Settings, CompressorDataIsHexadecimalBytes) {
    EXPECT_EQ(parameters_text({0x4B, 0, 0, 0}), "4B 00 00 00");
    EXPECT_EQ(parse_parameters("4b000000"), (std::vector<std::uint8_t>{0x4B, 0, 0, 0}));
    EXPECT_EQ(parse_parameters(""), std::vector<std::uint8_t>{});
    EXPECT_FALSE(parse_parameters("4"));
    EXPECT_FALSE(parse_parameters("zz"));
    EXPECT_FALSE(parse_parameters("+1"));
}

TEST_F(Settings, BadCompressorDataIsRefusedAndTheDialogStays) {
    CompressionDialog dialog(&window(), default_compress_options());
    dialog.show();
    control<QLineEdit>(dialog, "parameters")->setText("xyz");
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(control<QLineEdit>(dialog, "parameters")->text(), "4B 00 00 00");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Video Compression");
}

}  // namespace
}  // namespace kdr::editor::window::test
