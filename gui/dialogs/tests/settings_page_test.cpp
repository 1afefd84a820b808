// The Settings page: the engine lists, the preferences it writes, the
// preview renderer it remakes, "Save default options" and "About Kaleidra".

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include <filesystem>
#include <fstream>

#include "about_box.h"
#include "dialog_test_support.h"
#include "effect_page.h"
#include "kaleidra/gui/catalogue.h"
#include "kaleidra/gui/catalogue_file.h"
#include "kaleidra/gui/dialog_hook.h"
#include "kaleidra/gui/selection.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/scene/scene.h"
#include "option_page.h"
#include "selection_session.h"
#include "selection_sheet.h"

namespace kdr::gui::test {
namespace {

namespace fs = std::filesystem;

QStringList entries(const QComboBox* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        texts.append(list->itemText(i));
    }
    return texts;
}

void choose(QComboBox* list, const QString& text) {
    const int index = list->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    list->setCurrentIndex(index);
    emit list->activated(index);
}

class SettingsPageTest : public DialogTest {
  protected:
    SettingsPageTest() {
        // The two engines the package ships, by name only: the previews
        // here come from the recording engine.
        std::ofstream(install.folder("LIBS") / "Rnd_Hardware.so") << "not loaded here";
        std::ofstream(install.folder("LIBS") / "Rnd_Generic.so") << "not loaded here";
    }

    // Runs the sheet on the Settings page.
    int run_settings(EffectSettings& record,
                     const std::function<void(SelectionSheet&, OptionPage&)>& body) {
        return run_sheet(record, [&](SelectionSheet& sheet) {
            ASSERT_TRUE(sheet.show_page(114));
            body(sheet, *sheet.current_page());
        });
    }
};

TEST_F(SettingsPageTest, ShowsThePreferencesAndListsTheInstalledEngines) {
    install.set_number("Rnd_Logging", 2);
    install.set_number("Eff_Autoreverse", 1);
    TestRecord record("Globe");
    run_settings(record.value, [](SelectionSheet& sheet, OptionPage& page) {
        EXPECT_EQ(entries(control<QComboBox>(&page, 1511)),
                  (QStringList{"Rnd_Generic", "Rnd_Hardware", "Rnd_Recording"}));
        EXPECT_EQ(entries(control<QComboBox>(&page, 1504)),
                  (QStringList{"Rnd_Generic", "Rnd_Recording"}))
            << "the window engine makes no previews";
        EXPECT_EQ(control<QComboBox>(&page, 1504)->currentText(), "Rnd_Recording");
        EXPECT_EQ(control<QComboBox>(&page, 1511)->currentText(), "Rnd_Generic");
        EXPECT_TRUE(control<QRadioButton>(&page, 1502)->isChecked());
        EXPECT_TRUE(control<QRadioButton>(&page, 1516)->isChecked());
        EXPECT_TRUE(control<QRadioButton>(&page, 1514)->isChecked());
        EXPECT_TRUE(control<QCheckBox>(&page, 1080)->isChecked());
        EXPECT_TRUE(control<QCheckBox>(&page, 1081)->isChecked());
        EXPECT_TRUE(control<QCheckBox>(&page, 1082)->isEnabled());
        EXPECT_EQ(control<QSlider>(&page, 1505)->value(), 30);
        EXPECT_EQ(control<QLabel>(&page, 1506)->text(), "30");
        EXPECT_EQ(control<QSlider>(&page, 1505)->maximum(), 200);
        EXPECT_EQ(control<QSlider>(&page, 1509)->value(), 15);
        EXPECT_EQ(control<QSlider>(&page, 1509)->maximum(), 30);
        EXPECT_EQ(control<QLabel>(&page, 1510)->text(), "15");
        sheet.accept();
    });
}

TEST_F(SettingsPageTest, TheWindowEngineClearsMultithreadingAndTheMemoryEngineAllowsIt) {
    install.set_number("Rnd_Multi", 1);
    TestRecord record("Globe");
    run_settings(record.value, [&](SelectionSheet& sheet, OptionPage& page) {
        auto* multi = control<QCheckBox>(&page, 1082);
        EXPECT_TRUE(multi->isChecked());
        choose(control<QComboBox>(&page, 1511), "Rnd_Hardware");
        EXPECT_FALSE(multi->isChecked());
        EXPECT_FALSE(multi->isEnabled());
        EXPECT_EQ(install.text("Engine"), "Rnd_Hardware");
        EXPECT_EQ(install.number("Rnd_Multi"), 0u);
        choose(control<QComboBox>(&page, 1511), "Rnd_Generic");
        EXPECT_TRUE(multi->isEnabled());
        multi->click();
        EXPECT_EQ(install.number("Rnd_Multi"), 1u);
        sheet.accept();
    });
}

TEST_F(SettingsPageTest, EveryChangeWritesEveryPreference) {
    TestRecord record("Globe");
    run_settings(record.value, [&](SelectionSheet& sheet, OptionPage& page) {
        control<QAbstractButton>(&page, 1501)->click();
        EXPECT_EQ(install.number("Eff_Display"), 1u);
        EXPECT_EQ(install.text("OrgFile"), "") << "written back unchanged";
        EXPECT_EQ(install.text("Prev_Engine"), "Rnd_Recording");
        control<QAbstractButton>(&page, 1513)->click();
        EXPECT_EQ(install.number("Rnd_Logging"), 1u);
        control<QAbstractButton>(&page, 1081)->click();
        EXPECT_EQ(install.number("Prev_Render"), 0u);
        EXPECT_EQ(sheet.session().preferences().prev_render, 0u);
        sheet.accept();
    });
}

TEST_F(SettingsPageTest, DraggingATrackbarWritesOnlyWhenReleased) {
    TestRecord record("Globe");
    run_settings(record.value, [&](SelectionSheet& sheet, OptionPage& page) {
        auto* frames = control<QSlider>(&page, 1505);
        frames->setSliderDown(true);
        frames->setValue(50);
        EXPECT_EQ(control<QLabel>(&page, 1506)->text(), "50");
        EXPECT_EQ(install.number("Prev_Frames"), 30u) << "nothing is written while dragging";
        frames->setSliderDown(false);
        emit frames->sliderReleased();
        EXPECT_EQ(install.number("Prev_Frames"), 50u);
        sheet.accept();
    });
}

TEST_F(SettingsPageTest, ChangingOnlyTheSpeedKeepsTheRenderedFrames) {
    TestRecord record("Globe");
    run_settings(record.value, [&](SelectionSheet& sheet, OptionPage& page) {
        PreviewRenderer* renderer = sheet.session().renderer();
        ASSERT_TRUE(eventually([&] { return renderer->renders_completed() == 1; }, "the preview"));
        control<QSlider>(&page, 1509)->setValue(5);
        EXPECT_EQ(sheet.session().renderer(), renderer) << "the renderer was not remade";
        EXPECT_EQ(renderer->renders_completed(), 1);
        EXPECT_FALSE(renderer->render_pending());
        EXPECT_EQ(page.display_timer().interval(), 200);
        EXPECT_EQ(install.number("Prev_Speed"), 5u);
        sheet.accept();
    });
    EXPECT_EQ(engine_renders(install).size(), 30u);
}

TEST_F(SettingsPageTest, LowToHighRemakesTheRendererAndRendersAtOnce) {
    install.set_number("Prev_Quality", 0);
    TestRecord record("Globe");
    run_settings(record.value, [&](SelectionSheet& sheet, OptionPage& page) {
        ASSERT_TRUE(eventually([&] { return sheet.session().renderer()->renders_completed() == 1; },
                               "the first preview"));
        EXPECT_EQ(sheet.session().renderer()->size(), 32);
        control<QAbstractButton>(&page, 1517)->click();
        PreviewRenderer* remade = sheet.session().renderer();
        EXPECT_EQ(remade->size(), 128);
        ASSERT_TRUE(
            eventually([&] { return remade->renders_completed() == 1; }, "the 128 preview"));
        sheet.accept();
    });
    const std::vector<std::string> lines = engine_lines(install);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "prepare 32x32 images 2 effect Globe"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "prepare 128x128 images 2 effect Globe"), 1);
}

TEST_F(SettingsPageTest, AVanishedPreviewEngineKeepsItsStoredName) {
    install.set_string("Prev_Engine", "Rnd_Gone");
    TestRecord record("Globe");
    run_settings(record.value, [&](SelectionSheet& sheet, OptionPage& page) {
        EXPECT_EQ(control<QComboBox>(&page, 1504)->currentIndex(), -1);
        control<QAbstractButton>(&page, 1081)->click();
        EXPECT_EQ(install.text("Prev_Engine"), "Rnd_Gone");
        sheet.accept();
    });
}

TEST_F(SettingsPageTest, SavedDefaultsReachTheNextEmptyRecord) {
    const Catalogue catalogue = [&] {
        Catalogue c;
        EXPECT_TRUE(read_catalogue(c, install.folder("orgs") / "current.org"));
        return c;
    }();
    TestRecord record("PageTurn");
    record.value.globals[global_shadows] = 81;
    record.add_user_items();
    run_settings(record.value, [&](SelectionSheet& sheet, OptionPage& page) {
        control<QAbstractButton>(&page, 1088)->click();
        sheet.accept();
    });
    EXPECT_TRUE(messages().empty());
    EXPECT_TRUE(fs::exists(install.folder("Work") / "Defaults.KRI"));

    TestRecord empty;
    run_sheet(empty.value, [](SelectionSheet& sheet) { sheet.accept(); });
    EXPECT_EQ(empty.value.name, catalogue.groups()[0].items[0]);
    EXPECT_EQ(empty.value.globals[global_shadows], 81.0f);
    EXPECT_EQ(settings_scene(empty.value)->envelopes.size(), 1u);
}

TEST_F(SettingsPageTest, DefaultsThatCannotBeSavedAreReported) {
    TestRecord record("Globe");
    run_settings(record.value, [&](SelectionSheet& sheet, OptionPage& page) {
        fs::remove_all(install.folder("Work"));
        std::ofstream(install.folder("Work")) << "a file where the folder was";
        control<QAbstractButton>(&page, 1088)->click();
        install.remove_value("Path");
        control<QAbstractButton>(&page, 1088)->click();
        sheet.accept();
    });
    EXPECT_EQ(messages(), (std::vector<std::string>{
                              "Could not save defaults: Could not create defaults file.",
                              "Could not save defaults: Error settings filename for defaults."}));
}

TEST_F(SettingsPageTest, AboutKaleidraOpensTheAboutBoxWithItsOwnTexts) {
    TestRecord record("Globe");
    QString title, release;
    set_dialog_shown_hook([&](QDialog& dialog, DialogKind kind) {
        if (kind == DialogKind::selection_sheet) {
            QTimer::singleShot(0, &dialog, [&dialog] {
                auto& sheet = static_cast<SelectionSheet&>(dialog);
                sheet.show_page(114);
                control<QAbstractButton>(sheet.current_page(), 2001)->click();
                sheet.accept();
            });
        } else {
            title = control<QLabel>(&dialog, 1085)->text();
            release = control<QLabel>(&dialog, 1087)->text();
            QTimer::singleShot(0, &dialog, [&dialog] { QTest::keyClick(&dialog, Qt::Key_Escape); });
        }
    });
    EXPECT_EQ(select_effect(0, &record.value, 0), dialog_ok);
    EXPECT_EQ(title, "Kaleidra");
    EXPECT_EQ(release, "Release 3");
}

}  // namespace
}  // namespace kdr::gui::test
