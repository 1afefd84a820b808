// The Objects page: one video's values at a time, the user's mapping of a
// file onto it, its envelopes and the morph envelope, and the file dialog
// with the preview that "&Select" opens.

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QSlider>
#include <QTest>

#include <cstring>
#include <filesystem>

#include "file_preview.h"
#include "kaleidra/gui/option_values.h"
#include "kaleidra/scene/scene.h"
#include "kaleidra/testing/temp_folder.h"
#include "objects_page.h"
#include "option_page.h"
#include "pages_test_support.h"
#include "selection_session.h"
#include "selection_sheet.h"

namespace kdr::gui::test {
namespace {

namespace fs = std::filesystem;

class ObjectsPageTest : public PagesTest {
  protected:
    static scene::Surface& map_file(EffectSettings& record, int group, std::uint16_t kind,
                                    const char* name, float offset) {
        auto surface = std::make_unique<scene::Surface>();
        surface->id = static_cast<std::uint16_t>(group + 1);
        surface->source_kind = kind;
        surface->video_number = static_cast<std::uint16_t>(group);
        surface->set_name(name);
        surface->frame_offset_or_smoothing = offset;
        scene::Surface& kept = *surface;
        settings_scene(record)->surfaces.push_back(std::move(surface));
        return kept;
    }
};

QStringList entries(const QWidget* page, int id) {
    QStringList texts;
    const auto* list = page->findChild<QComboBox*>(QString::number(id));
    for (int i = 0; list != nullptr && i < list->count(); ++i) {
        texts.append(list->itemText(i));
    }
    return texts;
}

TEST_F(ObjectsPageTest, ShowsOneVideoAtATimeAndStoresIntoItsGroup) {
    TestRecord record("Windows3");  // three videos
    record.value.video_values[1][video_shine] = 40;
    record.value.video_values[1][video_direction] = 90;
    record.value.video_values[1][video_trail_count] = 5;
    record.value.video_values[1][video_follows_direction] = 1;
    run_page(record.value, 104, [&](SelectionSheet&, OptionPage& page) {
        EXPECT_EQ(entries(&page, 1300).size(), 3);
        EXPECT_EQ(entries(&page, 1309),
                  (QStringList{"Timeline/Multisaver", "Video For Windows (AVI)",
                               "Bitmap Sequence (BMP)", "Targa Sequence (TGA)"}));
        EXPECT_EQ(static_cast<ObjectsPage&>(page).group(), 0);
        EXPECT_EQ(text_of(&page, 1304), "0%");
        choose(&page, 1300, 1);
        EXPECT_EQ(static_cast<ObjectsPage&>(page).group(), 1);
        EXPECT_EQ(text_of(&page, 1304), "40%");
        EXPECT_EQ(text_of(&page, 1120), "90") << "0 to 360: a plain number";
        EXPECT_EQ(text_of(&page, 1308), "5") << "0 to 20: a plain number";
        EXPECT_TRUE(control<QCheckBox>(&page, 1312)->isChecked());
        slide(&page, 1301, 70);
        slide(&page, 1320, 12);
        EXPECT_EQ(record.value.video_values[1][video_luminosity], 70);
        EXPECT_EQ(record.value.video_values[1][video_trail_spacing], 12);
        EXPECT_EQ(record.value.video_values[0][video_luminosity], 0) << "group 0 untouched";
        choose(&page, 1300, 2);
        EXPECT_EQ(text_of(&page, 1302), "0%");
        EXPECT_EQ(record.value.video_values[1][video_luminosity], 70);
    });
}

TEST_F(ObjectsPageTest, TimelineMultisaverRemovesAMappedAviFile) {
    TestRecord record("Globe");
    map_file(record.value, 0, source_avi, "/clips/holiday.avi", 25);
    run_page(record.value, 104, [&](SelectionSheet&, OptionPage& page) {
        EXPECT_EQ(control<QComboBox>(&page, 1309)->currentIndex(), 1);
        EXPECT_EQ(text_of(&page, 1134), "/clips/holiday.avi");
        EXPECT_EQ(text_of(&page, 1135), "25");
        EXPECT_TRUE(enabled(&page, 1131));
        choose(&page, 1309, 0);
        EXPECT_EQ(find_mapping(record.value, 0), nullptr);
        EXPECT_FALSE(enabled(&page, 1131));
        EXPECT_FALSE(enabled(&page, 1134));
        EXPECT_FALSE(enabled(&page, 1135));
    });
    EXPECT_TRUE(settings_scene(record.value)->surfaces.empty());
}

TEST_F(ObjectsPageTest, ChangingAMappingFromAviToBmpEmptiesTheName) {
    TestRecord record("Globe");
    map_file(record.value, 1, source_avi, "/clips/holiday.avi", 0);
    run_page(record.value, 104, [&](SelectionSheet&, OptionPage& page) {
        choose(&page, 1300, 1);
        EXPECT_EQ(text_of(&page, 1134), "/clips/holiday.avi");
        choose(&page, 1309, 2);
        EXPECT_EQ(text_of(&page, 1134), "");
        const scene::Surface* mapping = find_mapping(record.value, 1);
        ASSERT_NE(mapping, nullptr);
        EXPECT_EQ(mapping->source_kind, source_bitmap_sequence);
        EXPECT_STREQ(mapping->name.data(), "");
        EXPECT_EQ(mapping->video_number, 1);
    });
}

TEST_F(ObjectsPageTest, AFrameOffsetStoresItsLeadingDigits) {
    TestRecord record("Globe");
    map_file(record.value, 0, source_avi, "/clips/a.avi", 0);
    run_page(record.value, 104, [&](SelectionSheet&, OptionPage& page) {
        auto* edit = control<QLineEdit>(&page, 1135);
        edit->setText("12ab");  // pasted past the digits-only filter
        emit edit->textEdited(edit->text());
        EXPECT_EQ(find_mapping(record.value, 0)->frame_offset_or_smoothing, 12);
        type_into(&page, 1135, "");
        EXPECT_EQ(find_mapping(record.value, 0)->frame_offset_or_smoothing, 0);
        type_into(&page, 1135, "7");
        EXPECT_EQ(find_mapping(record.value, 0)->frame_offset_or_smoothing, 7);
    });
}

TEST_F(ObjectsPageTest, TheMorphEnvelopeIsForVideosWithMorphTargetsOnly) {
    TestRecord record("Globe");  // its outgoing picture morphs into the globe
    run_page(record.value, 104, [&](SelectionSheet& sheet, OptionPage& page) {
        EXPECT_TRUE(enabled(&page, 1130));
        const Scene& effect = sheet.session().selected().scene;
        const scene::Object* morphing = morph_object(effect, 0);
        ASSERT_NE(morphing, nullptr);
        expect_dialog(DialogKind::envelope_editor, [&](QDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "Object Morph Envelope");
            const Scene& user = *settings_scene(record.value);
            ASSERT_EQ(user.envelopes.size(), 1u);
            const scene::Envelope& copy = *user.envelopes[0];
            EXPECT_EQ(copy.link_id, morphing->id);
            EXPECT_EQ(copy.parameter, 1);
            bool same_id = false;
            for (const auto& own : effect.envelopes) {
                same_id = same_id || (own->id == copy.id && own->link_id == copy.link_id);
            }
            EXPECT_TRUE(same_id) << "a copy of the effect's own morph envelope";
            EXPECT_EQ(text_of(&dialog, 1100), QString::number(morphing->morph_target_count));
            click(&dialog, 1);
        });
        click(&page, 1130);
        EXPECT_TRUE(all_dialogs_shown());
        choose(&page, 1300, 1);
        EXPECT_FALSE(enabled(&page, 1130)) << "the incoming picture does not morph";
    });
    EXPECT_EQ(settings_scene(record.value)->envelopes.size(), 1u);
}

TEST_F(ObjectsPageTest, AnEnvelopeOnAVideosValueMarksItsButtonForThatGroupOnly) {
    TestRecord record("Windows3");
    add_settings_envelope(record.value, 40001, 203, 0, 5);  // video 2 trail count
    run_page(record.value, 104, [&](SelectionSheet&, OptionPage& page) {
        EXPECT_EQ(text_of(&page, 1127), "E");
        EXPECT_TRUE(enabled(&page, 1307));
        choose(&page, 1300, 1);
        EXPECT_EQ(text_of(&page, 1127), "E*");
        EXPECT_FALSE(enabled(&page, 1307));
        expect_dialog(DialogKind::envelope_editor, [&](QDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "Trail Spacing Envelope");
            click(&dialog, 1);
        });
        click(&page, 1128);
        EXPECT_NE(envelope_of(record.value, 207), nullptr);
        EXPECT_FALSE(enabled(&page, 1320));
    });
}

TEST_F(ObjectsPageTest, FlyingOnWithAutoreverseTheIncomingVideoIsShownFirst) {
    install.set_number("Eff_Autoreverse", 1);
    TestRecord record("Globe");
    record.value.globals[global_fly_direction] = 1;
    run_page(record.value, 104, [&](SelectionSheet& sheet, OptionPage& page) {
        EXPECT_EQ(static_cast<ObjectsPage&>(page).group(), 1);
        EXPECT_EQ(control<QComboBox>(&page, 1300)->currentIndex(), 1);
        // Another effect starts again at the first video.
        ASSERT_TRUE(sheet.show_page(102));
        choose(sheet.current_page(), 1026, 1);
        click(sheet.current_page(), 1004);  // Scroll
        ASSERT_TRUE(sheet.show_page(104));
        EXPECT_EQ(static_cast<ObjectsPage&>(page).group(), 1) << "shown again flying on";
        static_cast<ObjectsPage&>(page).effect_changed();
        EXPECT_EQ(static_cast<ObjectsPage&>(page).group(), 0);
    });
}

TEST_F(ObjectsPageTest, SelectMapsAFileChosenInTheDialogWithItsPreview) {
    TestRecord record("Globe");
    const fs::path clip = fs::path(KALEIDRA_CONTENT_STAGE) / "Samples" / "clip_a.avi";
    run_page(record.value, 104, [&](SelectionSheet&, OptionPage& page) {
        EXPECT_FALSE(enabled(&page, 1131)) << "no mapping yet";
        choose(&page, 1309, 1);
        EXPECT_TRUE(enabled(&page, 1131));
        expect_dialog(DialogKind::file_dialog, [&](QDialog& dialog) {
            auto& files = static_cast<QFileDialog&>(dialog);
            EXPECT_EQ(files.windowTitle(), "Select video to map onto object");
            // The AVI filter first, every movie the video services read
            // beside it.
            ASSERT_EQ(files.nameFilters().size(), 2);
            EXPECT_EQ(files.nameFilters()[0], "AVI Video Clips (*.avi)");
            EXPECT_TRUE(files.nameFilters()[1].startsWith("All videos (*.avi *.mp4"))
                << files.nameFilters()[1].toStdString();
            EXPECT_EQ(files.defaultSuffix(), "AVI");
            EXPECT_EQ(files.fileMode(), QFileDialog::ExistingFile);
            EXPECT_TRUE(files.testOption(QFileDialog::DontUseNativeDialog));
            auto* name = files.findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(name, nullptr);
            EXPECT_EQ(name->text(), "*.AVI");
            auto* preview = files.findChild<FilePreviewPanel*>();
            ASSERT_NE(preview, nullptr);
            // Clicking the clip in the list, once the folder is read.
            files.setDirectory(QString::fromStdString(clip.parent_path().string()));
            auto* list = files.findChild<QListView*>("listView");
            ASSERT_NE(list, nullptr);
            auto* model = qobject_cast<QFileSystemModel*>(list->model());
            ASSERT_NE(model, nullptr);
            const QString path = QString::fromStdString(clip.string());
            ASSERT_TRUE(eventually([&] { return model->index(path).isValid(); }, "the folder"));
            const QModelIndex item = model->index(path);
            list->scrollTo(item);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualRect(item).center());
            EXPECT_EQ(name->text(), "clip_a.avi");
            EXPECT_TRUE(eventually([&] { return !preview->picture().isNull(); }, "the preview"));
            EXPECT_TRUE(preview->description().startsWith("320 x 240, "))
                << preview->description().toStdString();
            dialog.accept();
        });
        click(&page, 1131);
        EXPECT_TRUE(all_dialogs_shown());
        EXPECT_EQ(text_of(&page, 1134).toStdString(), clip.string());
    });
    const scene::Surface* mapping = find_mapping(record.value, 0);
    ASSERT_NE(mapping, nullptr);
    EXPECT_EQ(mapping->source_kind, source_avi);
    EXPECT_EQ(std::string(mapping->name.data()), clip.string());
}

TEST_F(ObjectsPageTest, APathLongerThanTheRecordKeepsIsRefusedAndTheMappingStays) {
    TestRecord record("Globe");
    map_file(record.value, 0, source_avi, "kept.avi", 0);
    kdr::test::TempFolder folder;
    const fs::path deep = folder.path() / std::string(120, 'a') / std::string(120, 'b');
    fs::create_directories(deep);
    const fs::path clip = deep / "clip.avi";
    fs::copy_file(fs::path(KALEIDRA_CONTENT_STAGE) / "Samples" / "clip_a.avi", clip);
    ASSERT_GT(clip.string().size(), 255u);
    run_page(record.value, 104, [&](SelectionSheet&, OptionPage& page) {
        expect_dialog(DialogKind::file_dialog, [&](QDialog& dialog) {
            static_cast<QFileDialog&>(dialog).selectFile(QString::fromStdString(clip.string()));
            dialog.accept();
        });
        click(&page, 1131);
        EXPECT_TRUE(all_dialogs_shown());
        EXPECT_EQ(text_of(&page, 1134), "kept.avi");
    });
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0], "File Error: The file's path is longer than 255 characters");
    const scene::Surface* mapping = find_mapping(record.value, 0);
    ASSERT_NE(mapping, nullptr);
    EXPECT_STREQ(mapping->name.data(), "kept.avi") << "never a cut path naming another file";
}

TEST_F(ObjectsPageTest, GroupsBeyondTheRecordShowZeroAndStoreNothing) {
    TestRecord record("Globe");
    run_page(record.value, 104, [&](SelectionSheet&, OptionPage& page) {
        auto& objects = static_cast<ObjectsPage&>(page);
        objects.show_group(25);
        EXPECT_EQ(text_of(&page, 1302), "0%");
        slide(&page, 1303, 80);
        EXPECT_EQ(control<QComboBox>(&page, 1300)->currentIndex(), -1);
    });
    for (const auto& group : record.value.video_values) {
        EXPECT_EQ(group[video_shine], 0);
    }
}

}  // namespace
}  // namespace kdr::gui::test
