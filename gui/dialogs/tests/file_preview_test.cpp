// The preview panel of the video picker: first frames and pictures read
// through the package's readers, damaged files, and decoding that never
// holds up the GUI thread.

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <QThreadPool>
#include <QTimer>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>

#include "dialog_test_support.h"
#include "file_preview.h"
#include "kaleidra/gui/dialog_hook.h"
#include "kaleidra/gui/video_file_dialog.h"
#include "kaleidra/testing/temp_folder.h"
#include "kaleidra/video/movie_writer.h"
#include "kaleidra/video/output_codecs.h"

namespace kdr::gui::test {
namespace {

namespace fs = std::filesystem;

fs::path sample(const char* name) {
    return fs::path(KALEIDRA_CONTENT_STAGE) / "Samples" / name;
}

TEST(FilePreviewTest, ShowsAnAvisFirstFrameAndBmpAndTargaPictures) {
    const FilePreview clip = decode_file_preview(sample("clip_a.avi"), 160);
    ASSERT_FALSE(clip.picture.isNull()) << clip.description.toStdString();
    EXPECT_EQ(clip.picture.size(), QSize(160, 120)) << "320 x 240 fitted into 160";
    EXPECT_TRUE(clip.description.startsWith("320 x 240, ")) << clip.description.toStdString();
    EXPECT_TRUE(clip.description.endsWith(" frames"));

    const FilePreview bitmap = decode_file_preview(sample("picture_mountains.bmp"), 160);
    ASSERT_FALSE(bitmap.picture.isNull()) << bitmap.description.toStdString();
    const FilePreview targa = decode_file_preview(sample("picture_wheel.tga"), 1000);
    ASSERT_FALSE(targa.picture.isNull()) << targa.description.toStdString();
    EXPECT_EQ(targa.description,
              QString("%1 x %2").arg(targa.picture.width()).arg(targa.picture.height()))
        << "small enough to be shown as it is";
    // Not one colour: the picture's own pixels arrived.
    bool varied = false;
    for (int x = 1; x < targa.picture.width() && !varied; ++x) {
        varied = targa.picture.pixel(x, targa.picture.height() / 2) !=
                 targa.picture.pixel(0, targa.picture.height() / 2);
    }
    EXPECT_TRUE(varied);
}

TEST(FilePreviewTest, AnyMovieTheVideoServicesReadShowsItsFirstFrame) {
    kdr::test::TempFolder folder;
    const fs::path movie = folder.path() / "Red Then Blue.MP4";
    video::MovieSettings settings;
    settings.container = *video::container_for(movie);
    settings.width = 96;
    settings.height = 64;
    Result<video::VideoEncoding> encoding = video::choose_video_encoding(settings.container, {});
    ASSERT_TRUE(encoding.ok()) << encoding.error();
    settings.video = *encoding;
    {
        Result<video::MovieWriter> writer = video::MovieWriter::create(movie, settings);
        ASSERT_TRUE(writer.ok()) << writer.error();
        // Two red frames, then blue ones: the preview is the first.
        for (int frame = 0; frame < 6; ++frame) {
            std::vector<std::uint8_t> pixels(video::MovieWriter::frame_size(96, 64), 0);
            for (std::size_t i = 0; i + 2 < pixels.size(); i += 3) {
                pixels[i + (frame < 2 ? 2 : 0)] = 230;
            }
            ASSERT_TRUE(writer->write_frame(pixels.data(), pixels.size()).ok());
        }
        ASSERT_TRUE(writer->close().ok());
    }
    const FilePreview preview = decode_file_preview(movie, 160);
    ASSERT_FALSE(preview.picture.isNull()) << preview.description.toStdString();
    EXPECT_EQ(preview.description, "96 x 64, 6 frames");
    const QColor middle = preview.picture.pixelColor(48, 32);
    EXPECT_GT(middle.red(), 180);
    EXPECT_LT(middle.blue(), 60);
}

TEST(FilePreviewTest, DamagedAndForeignFilesGiveNoPictureAndSayWhy) {
    kdr::test::TempFolder folder;
    std::ofstream(folder.path() / "cut.avi") << "RIFF\x10\0\0\0AVI LIST";
    std::ofstream(folder.path() / "cut.bmp") << "BM\x36\0\0\0";
    std::ofstream(folder.path() / "notes.txt") << "text";
    for (const char* name : {"cut.avi", "cut.bmp", "notes.txt", "missing.tga"}) {
        const FilePreview preview = decode_file_preview(folder.path() / name, 160);
        EXPECT_TRUE(preview.picture.isNull()) << name;
        EXPECT_FALSE(preview.description.isEmpty()) << name;
    }
}

// A decoder that blocks until the test lets it go, counting its calls.
struct HeldDecoder {
    std::mutex mutex;
    std::condition_variable changed;
    bool released = false;
    std::atomic<int> started{0};
    std::atomic<int> finished{0};
    std::atomic<bool> on_gui_thread{false};
    std::thread::id gui_thread = std::this_thread::get_id();

    PreviewDecoder decoder() {
        return [this](const fs::path& file, int fit) {
            on_gui_thread = on_gui_thread || std::this_thread::get_id() == gui_thread;
            ++started;
            if (file.filename() == "slow.avi") {
                std::unique_lock<std::mutex> lock(mutex);
                changed.wait(lock, [this] { return released; });
            }
            FilePreview preview = decode_file_preview(file, fit);
            ++finished;
            return preview;
        };
    }
    void release() {
        std::lock_guard<std::mutex> lock(mutex);
        released = true;
        changed.notify_all();
    }
};

TEST(FilePreviewTest, ASlowFileNeitherHoldsTheDialogNorOvertakesALaterChoice) {
    kdr::test::TempFolder folder;
    fs::copy_file(sample("clip_b.avi"), folder.path() / "slow.avi");
    HeldDecoder held;
    auto panel = std::make_unique<FilePreviewPanel>(nullptr, held.decoder());
    panel->show_file(QString::fromStdString((folder.path() / "slow.avi").string()));
    EXPECT_TRUE(panel->decoding());
    EXPECT_EQ(panel->description(), "Reading...");
    // The event loop runs on while the decode is held.
    bool ticked = false;
    QTimer::singleShot(10, [&] { ticked = true; });
    EXPECT_TRUE(eventually([&] { return ticked && held.started == 1; }, "the GUI thread's timer"));

    panel->show_file(QString::fromStdString(sample("picture_bars.bmp").string()));
    EXPECT_TRUE(eventually([&] { return !panel->decoding(); }, "the later picture"));
    const QImage bars = panel->picture();
    ASSERT_FALSE(bars.isNull());
    held.release();
    // The slow decode ends and is dropped: the later choice stays.
    QTest::qWait(300);
    EXPECT_EQ(panel->picture(), bars);
    EXPECT_FALSE(held.on_gui_thread) << "files are decoded on workers";
}

TEST(FilePreviewTest, APanelClosedWhileAFileIsReadGoesSafely) {
    kdr::test::TempFolder folder;
    fs::copy_file(sample("clip_a.avi"), folder.path() / "slow.avi");
    HeldDecoder held;
    auto panel = std::make_unique<FilePreviewPanel>(nullptr, held.decoder());
    panel->show_file(QString::fromStdString((folder.path() / "slow.avi").string()));
    EXPECT_TRUE(eventually([&] { return held.started == 1; }, "the decode"));
    panel.reset();
    held.release();
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    // The decode ran to its end and handed nothing to the panel that went
    // (AddressSanitizer would see a use of it).
    EXPECT_EQ(held.finished, 1);
}

TEST(FilePreviewTest, AFolderOrNothingClearsThePanel) {
    FilePreviewPanel panel(nullptr);
    panel.show_file(QString::fromStdString(sample("picture_bars.bmp").string()));
    ASSERT_TRUE(eventually([&] { return !panel.picture().isNull(); }, "the picture"));
    panel.show_file(QString::fromStdString(sample("").string()));
    EXPECT_TRUE(panel.picture().isNull());
    EXPECT_FALSE(panel.decoding());
}

// Clicks `file` in the dialog's list once the folder is read or, with
// `add`, adds it to the files chosen and makes it the current one, as a
// click with Ctrl held does.
void click_file(QFileDialog& dialog, const QString& file, bool add = false) {
    auto* list = dialog.findChild<QListView*>("listView");
    ASSERT_NE(list, nullptr);
    auto* model = qobject_cast<QFileSystemModel*>(list->model());
    ASSERT_NE(model, nullptr);
    ASSERT_TRUE(eventually([&] { return model->index(file).isValid(); }, "the folder"));
    const QModelIndex item = model->index(file);
    list->scrollTo(item);
    if (add) {
        list->selectionModel()->setCurrentIndex(
            item, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    } else {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(item).center());
    }
}

// Runs the video picker with `answer` acting on it once it is shown.
QStringList run_picker(const VideoFileDialog& request, std::function<void(QFileDialog&)> answer) {
    bool shown = false;
    set_dialog_shown_hook([&](QDialog& dialog, DialogKind kind) {
        EXPECT_EQ(kind, DialogKind::file_dialog);
        shown = true;
        QTimer::singleShot(0, &dialog, [&] { answer(static_cast<QFileDialog&>(dialog)); });
        QTimer::singleShot(60000, &dialog, [&dialog] {
            ADD_FAILURE() << "the picker was still open after 60 s";
            dialog.reject();
        });
    });
    QStringList chosen = choose_video_files(nullptr, request);
    set_dialog_shown_hook({});
    EXPECT_TRUE(shown);
    return chosen;
}

TEST(VideoPickerTest, SeveralClipsAreChosenWithThePreviewFollowingTheCurrentOne) {
    const QString samples = QString::fromStdString(sample("").parent_path().string());
    // The second filter lets the clips' pictures show too, so that the
    // current file can be told.
    const QStringList filters{"AVI Video Clips (*.avi)", "Clips and pictures (*.avi *.bmp)"};
    const VideoFileDialog request{
        "Select Video Clip(s) To Insert", samples, "*.avi", filters, "avi", true};
    const QStringList chosen = run_picker(request, [&](QFileDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Select Video Clip(s) To Insert");
        EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFiles);
        EXPECT_EQ(dialog.nameFilters(), filters);
        EXPECT_EQ(dialog.selectedNameFilter(), filters[0]);
        EXPECT_EQ(dialog.defaultSuffix(), "avi");
        EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
        EXPECT_EQ(QDir(dialog.directory()).canonicalPath(), QDir(samples).canonicalPath());
        auto* name = dialog.findChild<QLineEdit*>("fileNameEdit");
        auto* preview = dialog.findChild<FilePreviewPanel*>();
        if (name == nullptr || preview == nullptr) {
            ADD_FAILURE() << "no file-name field or no preview";
            static_cast<QDialog&>(dialog).reject();
            return;
        }
        EXPECT_EQ(name->text(), "*.avi");
        dialog.selectNameFilter(filters[1]);
        // Two clips, the second chosen with Ctrl held and so the current one.
        click_file(dialog, samples + "/clip_a.avi");
        click_file(dialog, samples + "/picture_bars.bmp", true);
        // A picture says its size only, a clip its frames too.
        EXPECT_TRUE(eventually(
            [&] {
                return !preview->picture().isNull() && !preview->description().endsWith(" frames");
            },
            "the picture chosen last"));
        click_file(dialog, samples + "/clip_c.avi");
        click_file(dialog, samples + "/clip_a.avi", true);
        EXPECT_TRUE(eventually([&] { return preview->description().endsWith(" frames"); },
                               "the clip's first frame"));
        EXPECT_TRUE(preview->description().startsWith("320 x 240, "));
        static_cast<QDialog&>(dialog).accept();
    });
    ASSERT_EQ(chosen.size(), 2) << chosen.join(", ").toStdString();
    EXPECT_EQ(QFileInfo(chosen[0]).canonicalFilePath(),
              QFileInfo(samples + "/clip_c.avi").canonicalFilePath());
    EXPECT_EQ(QFileInfo(chosen[1]).canonicalFilePath(),
              QFileInfo(samples + "/clip_a.avi").canonicalFilePath());
    EXPECT_TRUE(QFileInfo(chosen[0]).isAbsolute());
}

TEST(VideoPickerTest, OneFileOnlyWhenNotSeveralAndNothingWhenCancelled) {
    const QString samples = QString::fromStdString(sample("").parent_path().string());
    VideoFileDialog request{"Pick", samples, "*.TGA", {"Targa Images (*.tga)"}, "TGA", false};
    const QStringList one = run_picker(request, [&](QFileDialog& dialog) {
        EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
        click_file(dialog, samples + "/picture_wheel.tga");
        static_cast<QDialog&>(dialog).accept();
    });
    ASSERT_EQ(one.size(), 1);
    EXPECT_TRUE(one[0].endsWith("/picture_wheel.tga")) << one[0].toStdString();
    const QStringList none = run_picker(request, [&](QFileDialog& dialog) {
        dialog.selectFile(samples + "/picture_wheel.tga");
        static_cast<QDialog&>(dialog).reject();
    });
    EXPECT_TRUE(none.isEmpty());
}

}  // namespace
}  // namespace kdr::gui::test
