// The envelope editor over a real sheet: the key tools and the key
// display, typing, the mouse on the graph, envelope files, and the live
// preview inside the editor.

#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QSlider>
#include <QTest>

#include <fstream>

#include "envelope_editor.h"
#include "envelope_graph.h"
#include "kaleidra/scene/item_files.h"
#include "kaleidra/scene/scene.h"
#include "option_page.h"
#include "pages_test_support.h"
#include "selection_session.h"
#include "selection_sheet.h"

namespace kdr::gui::test {
namespace {

namespace fs = std::filesystem;

class EnvelopeEditorTest : public PagesTest {
  protected:
    // Opens the editor of Options button `button` and runs `body` in it; the
    // editor is closed with OK afterwards unless the body closed it.
    void edit(EffectSettings& record, int button,
              const std::function<void(EnvelopeEditorPage&, QDialog&)>& body) {
        run_page(record, 103, [&](SelectionSheet&, OptionPage& page) {
            expect_dialog(DialogKind::envelope_editor, [&](QDialog& dialog) {
                auto& editor = static_cast<EnvelopeEditor&>(dialog);
                body(*editor.editor_page(), dialog);
                if (dialog.isVisible()) {
                    click(&dialog, 1);
                }
            });
            click(&page, button);
            EXPECT_TRUE(all_dialogs_shown());
        });
    }

    // Answers the next file dialog with `file`.
    void answer_file_dialog(const fs::path& file, const char* title) {
        expect_dialog(DialogKind::file_dialog, [file, title](QDialog& dialog) {
            auto& files = static_cast<QFileDialog&>(dialog);
            EXPECT_EQ(files.windowTitle(), title);
            EXPECT_EQ(files.nameFilters(), QStringList{"Kaleidra Envelopes (*.env)"});
            EXPECT_EQ(files.defaultSuffix(), "env");
            files.selectFile(QString::fromStdString(file.string()));
            dialog.accept();
        });
    }
};

TEST_F(EnvelopeEditorTest, TheEndKeysCannotBeDeletedAndTheKeyToolsFollowTheTime) {
    TestRecord record("Globe");
    record.value.globals[global_shadows] = 20;
    edit(record.value, 1132, [&](EnvelopeEditorPage& page, QDialog&) {
        EXPECT_FALSE(enabled(&page, 7)) << "&Delete Key at 0";
        EXPECT_FALSE(enabled(&page, 5)) << "&Previous Key at the first key";
        EXPECT_FALSE(enabled(&page, 6)) << "a key sits here";
        EXPECT_EQ(control<QGroupBox>(&page, 1091)->title(), "Value at 0% * KEY *");
        slide(&page, 1201, 30);
        EXPECT_EQ(text_of(&page, 1202), "30%");
        EXPECT_EQ(control<QGroupBox>(&page, 1091)->title(), "Value at 30%");
        EXPECT_TRUE(enabled(&page, 6));
        EXPECT_FALSE(enabled(&page, 7));
        type_into(&page, 1092, "45");
        click(&page, 6);
        EXPECT_EQ(control<QGroupBox>(&page, 1091)->title(), "Value at 30% * KEY *");
        EXPECT_TRUE(enabled(&page, 7));
        EXPECT_EQ(page.envelope().keys.size(), 3u);
        slide(&page, 1201, 100);
        EXPECT_FALSE(enabled(&page, 7)) << "&Delete Key at 100";
        EXPECT_FALSE(enabled(&page, 4)) << "&Next Key at the last key";
        click(&page, 5);
        EXPECT_EQ(control<QSlider>(&page, 1201)->value(), 30) << "back to the key at 30";
        click(&page, 7);
        EXPECT_EQ(page.envelope().keys.size(), 2u);
        click(&page, 5);
        EXPECT_EQ(control<QSlider>(&page, 1201)->value(), 0);
    });
    ASSERT_NE(envelope_of(record.value, global_shadows), nullptr);
    EXPECT_EQ(envelope_of(record.value, global_shadows)->keys.size(), 2u);
}

TEST_F(EnvelopeEditorTest, AValueOutsideTheRangeIsRefusedAndTextIsReadAsANumber) {
    TestRecord record("Globe");
    edit(record.value, 1132, [&](EnvelopeEditorPage& page, QDialog&) {
        slide(&page, 1201, 50);
        type_into(&page, 1092, "150");
        click(&page, 6);
        EXPECT_EQ(page.envelope().keys.size(), 2u) << "no key made";
        type_into(&page, 1092, "abc");
        click(&page, 6);
        ASSERT_EQ(page.envelope().keys.size(), 3u);
        EXPECT_EQ(page.envelope().keys[1].value, 0) << "a text that is not a number reads as 0";
    });
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0], "Problem with value: Value must be between 0% and 100%");

    TestRecord light("Globe");
    edit(light.value, 1133, [&](EnvelopeEditorPage& page, QDialog&) {
        slide(&page, 1201, 40);
        type_into(&page, 1092, "400");
        click(&page, 6);
    });
    EXPECT_EQ(messages().back(), "Problem with value: Value must be between 0 and 360");
}

TEST_F(EnvelopeEditorTest, EditsAtAKeyCommitWhenTheyAreLeft) {
    TestRecord record("Globe");
    edit(record.value, 1132, [&](EnvelopeEditorPage& page, QDialog& dialog) {
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        slide(&page, 1201, 100);
        auto* value = control<QLineEdit>(&page, 1092);
        value->setFocus();
        QTest::keyClick(value, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(value, "80");
        EXPECT_EQ(page.envelope().keys[1].value, 0) << "not before the edit is left";
        control<QLineEdit>(&page, 1093)->setFocus();  // leaving for the tension
        EXPECT_EQ(page.envelope().keys[1].value, 80);
        type_into(&page, 1093, "0.5");
        EXPECT_EQ(page.envelope().keys[1].tension, 0.5f);
        click(&page, 1099);
        EXPECT_EQ(page.envelope().keys[1].linear, 1) << "Linear at a key stores it";
        slide(&page, 1201, 50);
        type_into(&page, 1092, "70");
        EXPECT_EQ(page.envelope().keys.size(), 2u) << "away from a key typing makes none";
    });
}

TEST_F(EnvelopeEditorTest, ClickingNearAKeyMovesItAndAwayFromKeysAddsOne) {
    TestRecord record("Globe");
    edit(record.value, 1132, [&](EnvelopeEditorPage& page, QDialog&) {
        EnvelopeGraph* graph = page.graph();
        // Near the end key at 100 %, a little higher: the key moves up.
        QTest::mouseClick(graph, Qt::LeftButton, {}, graph->pixel_of(0.99f, 3));
        ASSERT_EQ(page.envelope().keys.size(), 2u);
        EXPECT_NEAR(page.envelope().keys[1].value, 3, 1.01);
        EXPECT_EQ(control<QSlider>(&page, 1201)->value(), 100);
        // Away from any key: a new key where the click was.
        QTest::mouseClick(graph, Qt::LeftButton, {}, graph->pixel_of(0.5f, 75));
        ASSERT_EQ(page.envelope().keys.size(), 3u);
        EXPECT_EQ(page.envelope().keys[1].time, 0.5f);
        EXPECT_NEAR(page.envelope().keys[1].value, 75, 1.01)
            << "percent channels count from the bottom";
        EXPECT_EQ(control<QSlider>(&page, 1201)->value(), 50);
        // Dragging it: the value follows the mouse, the time stays.
        const QPoint from = graph->pixel_of(0.5f, page.envelope().keys[1].value);
        QTest::mousePress(graph, Qt::LeftButton, {}, from);
        QTest::mouseMove(graph, graph->pixel_of(0.6f, 40));
        QTest::mouseRelease(graph, Qt::LeftButton, {}, graph->pixel_of(0.6f, 40));
        EXPECT_EQ(page.envelope().keys[1].time, 0.5f);
        EXPECT_NEAR(page.envelope().keys[1].value, 40, 1.01);
        EXPECT_EQ(text_of(&page, 1092).back(), '%');
    });
}

TEST_F(EnvelopeEditorTest, TheGraphDrawsTheCurveInBlueAndTheKeysInBlack) {
    TestRecord record("Globe");
    add_settings_envelope(record.value, 40001, global_shadows, 0, 100).keys[1].linear = 1;
    edit(record.value, 1132, [&](EnvelopeEditorPage& page, QDialog&) {
        slide(&page, 1201, 50);
        const QImage picture = page.graph()->grab().toImage();
        const QPoint middle = page.graph()->pixel_of(0.25f, 25);
        bool blue = false;
        for (int dy = -2; dy <= 2; ++dy) {
            blue = blue || picture.pixelColor(middle.x(), middle.y() + dy) == QColor(Qt::blue);
        }
        EXPECT_TRUE(blue) << "the straight curve passes 25 % at a quarter";
        const QPoint key = page.graph()->pixel_of(1, 100);
        EXPECT_EQ(picture.pixelColor(key.x() - 2, key.y() + 2), QColor(Qt::black));
        const QPoint marker = page.graph()->pixel_of(0.5f, 20);
        EXPECT_NE(picture.pixelColor(marker), picture.pixelColor(marker.x() + 8, marker.y()))
            << "the time marker at 50 %";
    });
}

TEST_F(EnvelopeEditorTest, AShadowsFileLoadedIntoABlurEnvelopeKeepsTheBlurIds) {
    const fs::path folder = install.root() / "Envelopes";
    fs::create_directories(folder);
    const fs::path file = folder / "rise.env";
    TestRecord record("Globe");
    add_settings_envelope(record.value, 40001, global_shadows, 10, 90);
    add_settings_envelope(record.value, 40002, global_blur_percent, 5, 5);
    edit(record.value, 1132, [&](EnvelopeEditorPage& page, QDialog&) {
        slide(&page, 1201, 40);
        type_into(&page, 1092, "60");
        click(&page, 6);
        answer_file_dialog(folder / "rise", "Save An Envelope");  // the extension is added
        click(&page, 9);
    });
    ASSERT_TRUE(fs::exists(file));
    edit(record.value, 1134, [&](EnvelopeEditorPage& page, QDialog&) {
        answer_file_dialog(file, "Load An Envelope");
        click(&page, 8);
        EXPECT_EQ(page.envelope().keys.size(), 3u);
    });
    const scene::Envelope* blur = envelope_of(record.value, global_blur_percent);
    ASSERT_NE(blur, nullptr);
    EXPECT_EQ(blur->id, 40002);
    EXPECT_EQ(blur->parameter, global_blur_percent);
    ASSERT_EQ(blur->keys.size(), 3u);
    EXPECT_EQ(blur->keys[0].value, 10);
    EXPECT_EQ(blur->keys[1].value, 60);
    EXPECT_EQ(blur->keys[2].value, 90);
    EXPECT_TRUE(messages().empty());
}

TEST_F(EnvelopeEditorTest, FilesThatAreNoEnvelopesAreRefusedOrPassedOverAndFailedSavesSaySo) {
    const fs::path path_file = install.root() / "a.env";
    scene::Path path;
    path.keys.resize(1);
    ASSERT_TRUE(write_path_file(path_file, path).ok());  // form KPTH: not an envelope file
    const fs::path other_chunk = install.root() / "b.env";
    {
        std::ofstream out(other_chunk, std::ios::binary);
        out.write("KENVNAME\x01\0\0\0x", 13);
    }
    TestRecord record("Globe");
    add_settings_envelope(record.value, 40001, global_shadows, 10, 90);
    edit(record.value, 1132, [&](EnvelopeEditorPage& page, QDialog&) {
        answer_file_dialog(path_file, "Load An Envelope");
        click(&page, 8);
        answer_file_dialog(other_chunk, "Load An Envelope");
        click(&page, 8);
        EXPECT_EQ(page.envelope().keys[1].value, 90);
        answer_file_dialog(install.root() / "no such folder" / "lost.env", "Save An Envelope");
        click(&page, 9);
    });
    ASSERT_EQ(messages().size(), 2u);
    EXPECT_EQ(messages()[0], "File Error: Could not read envelope from disk");
    EXPECT_EQ(messages()[1], "File Error: Could not write envelope to disk");
}

TEST_F(EnvelopeEditorTest, ThePreviewFollowsTheEditsInsideTheEditor) {
    TestRecord record("Globe");
    edit(record.value, 1132, [&](EnvelopeEditorPage& page, QDialog&) {
        EXPECT_NE(page.findChild<QWidget*>("1042"), nullptr) << "the preview picture";
        EXPECT_NE(page.findChild<QWidget*>("1078"), nullptr) << "the Render button";
        ASSERT_TRUE(eventually([&] { return engine_renders(install).size() >= 1; }, "a render"));
        const std::size_t before = engine_renders(install).size();
        slide(&page, 1201, 100);
        type_into(&page, 1092, "100");
        EXPECT_TRUE(eventually([&] { return engine_renders(install).size() > before; },
                               "a render of the edited envelope"));
    });
}

}  // namespace
}  // namespace kdr::gui::test
