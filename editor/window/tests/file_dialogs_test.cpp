// The real open and save dialogs behind the commands, driven as a user
// does: several clips chosen at once from a folder whose name holds a
// space, the preview of the clip or picture under the cursor, and a
// final's name typed without its extension.

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QTimer>

#include <algorithm>
#include <functional>

#include "file_preview.h"
#include "kaleidra/editor/preferences.h"

#include "window_fixture.h"

namespace kdr::editor::window::test {
namespace {

// Runs `act` on the file dialog once it is shown, from the event loop the
// dialog runs; `seen` receives a copy of what it showed.
struct ShownDialog {
    QString title;
    QStringList filters;
    QString folder;
    QString suffix;
    QString typed_name;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    bool has_preview = false;
    bool preview_picture = false;
    QString preview_text;
};

// Clicks `file` (a full path) in the dialog's list and waits for its
// preview.
void look_at(QFileDialog& dialog, const QString& file, ShownDialog& seen) {
    auto* panel = dialog.findChild<gui::FilePreviewPanel*>();
    auto* list = dialog.findChild<QListView*>("listView");
    auto* model = list != nullptr ? qobject_cast<QFileSystemModel*>(list->model()) : nullptr;
    seen.has_preview = panel != nullptr;
    if (panel == nullptr || model == nullptr) {
        return;
    }
    // The list fills in the background.
    (void)QTest::qWaitFor([&] { return model->index(file).isValid(); }, 10000);
    const QModelIndex item = model->index(file);
    list->scrollTo(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(item).center());
    (void)QTest::qWaitFor([&] { return !panel->picture().isNull(); }, 10000);
    seen.preview_picture = !panel->picture().isNull();
    seen.preview_text = panel->description();
}

void when_dialog_shown(ShownDialog& seen, std::function<void(QFileDialog&)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, &seen, act] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        seen.title = dialog->windowTitle();
        seen.filters = dialog->nameFilters();
        seen.folder = dialog->directory().absolutePath();
        seen.suffix = dialog->defaultSuffix();
        seen.mode = dialog->fileMode();
        if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit")) {
            seen.typed_name = name->text();
        }
        act(*dialog);
    });
    timer->start();
}

void type_name(QFileDialog& dialog, const QString& text) {
    auto* name = dialog.findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name, nullptr);
    name->setText(text);
}

class RealDialogs : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        // The dialogs themselves, not the test's answers.
        m_answer = set_file_dialog_answer({});
    }
    void TearDown() override {
        set_file_dialog_answer(std::move(m_answer));
        WindowTest::TearDown();
    }

    // A new window whose recent values name these folders.
    void open_window_with_folders(const std::filesystem::path& video,
                                  const std::filesystem::path& output) {
        RecentValues recent = window().recent();
        recent.last_video = video.string();
        recent.last_output = output.string();
        ASSERT_TRUE(Preferences::open_default().write_recent(recent));
        open_window();
    }

  private:
    FileDialogAnswer m_answer;
};

TEST_F(RealDialogs, InsertVideoTakesEveryClipChosenEvenWithSpacesInTheirPaths) {
    const std::filesystem::path folder = media() / "my clips";
    std::filesystem::create_directories(folder);
    const auto first = write_clip("my clips/first clip.avi", 1, 10);
    const auto second = write_clip("my clips/second.avi", 2, 12);
    open_window_with_folders(folder, media());
    project().selected_track = 1;

    ShownDialog seen;
    when_dialog_shown(seen, [&seen, &first](QFileDialog& dialog) {
        look_at(dialog, text_of(first), seen);
        type_name(dialog, "\"first clip.avi\" \"second.avi\"");
        QTest::keyClick(dialog.findChild<QLineEdit*>("fileNameEdit"), Qt::Key_Return);
    });
    trigger("121");

    EXPECT_EQ(seen.title, "Select Video Clip(s) To Insert");
    ASSERT_FALSE(seen.filters.isEmpty());
    EXPECT_EQ(seen.filters.front(), "AVI Video Clips (*.avi)");
    ASSERT_EQ(seen.filters.size(), 2);
    EXPECT_TRUE(seen.filters[1].startsWith("All videos (*.avi *.mp4"))
        << seen.filters[1].toStdString();
    EXPECT_EQ(seen.folder, text_of(folder));
    EXPECT_EQ(seen.suffix, "avi");
    EXPECT_EQ(seen.mode, QFileDialog::ExistingFiles) << "several clips can be picked in the list";
    EXPECT_TRUE(seen.has_preview);
    EXPECT_TRUE(seen.preview_picture) << "the clip's first frame beside the list";
    EXPECT_TRUE(seen.preview_text.startsWith("16 x 12")) << seen.preview_text.toStdString();
    ASSERT_EQ(project().item_count(), 2) << "both clips, each path whole";
    std::vector<std::string> names;
    for (const auto& item : project().items()) {
        names.push_back(item->file_name);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{first.string(), second.string()}));
    EXPECT_TRUE(messages.empty());
}

TEST_F(RealDialogs, ThePictureDialogPreviewsAndACancelInsertsNothing) {
    const auto sky = write_bitmap("sky.bmp", {200, 100, 50}, 20, 10);
    open_window_with_folders(media(), media());
    ShownDialog seen;
    when_dialog_shown(seen, [&seen, &sky](QFileDialog& dialog) {
        look_at(dialog, text_of(sky), seen);
        dialog.reject();
    });
    trigger("122");
    EXPECT_EQ(seen.title, "Select Bitmap(s) To Insert");
    EXPECT_TRUE(seen.preview_picture);
    EXPECT_TRUE(seen.preview_text.startsWith("20 x 10")) << seen.preview_text.toStdString();
    EXPECT_EQ(project().item_count(), 0);
    EXPECT_TRUE(messages.empty());
}

TEST_F(RealDialogs, AFinalNamedWithoutItsExtensionGetsAvi) {
    open_window_with_folders(media(), media());
    const auto clip = write_clip("a.avi", 1, 5);
    add(clip_item(clip, 1, 0, 5));
    project().output.final_options.handler = video::make_fourcc("DIB ");

    ShownDialog seen;
    when_dialog_shown(seen, [](QFileDialog& dialog) {
        type_name(dialog, "my final");
        QTest::keyClick(dialog.findChild<QLineEdit*>("fileNameEdit"), Qt::Key_Return);
    });
    trigger("106");
    EXPECT_EQ(seen.title, "Select name for output file");
    EXPECT_EQ(seen.folder, text_of(media()));
    EXPECT_EQ(seen.typed_name, "Untitled.avi") << "the proposal";
    ASSERT_TRUE(wait_for_render_end());
    EXPECT_EQ(project().output.last_final, (media() / "my final.avi").string());
    EXPECT_TRUE(std::filesystem::exists(media() / "my final.avi"));
}

}  // namespace
}  // namespace kdr::editor::window::test
