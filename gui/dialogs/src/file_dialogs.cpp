#include "file_dialogs.h"

#include <QFileDialog>
#include <QGridLayout>

#include "file_preview.h"
#include "kaleidra/gui/dialog_hook.h"
#include "kaleidra/gui/video_file_dialog.h"
#include "kaleidra/install/install_paths.h"
#include "kaleidra/platform/folder_case.h"
#include "kaleidra/video/video_files.h"

namespace kdr::gui {
namespace {

struct VideoEntry {
    const char* filter;
    const char* pattern;  // the file-name field's start
    const char* suffix;
};

constexpr VideoEntry video_entries[] = {
    {"AVI Video Clips (*.avi)", "*.AVI", "AVI"},
    {"Windows Bitmaps (*.bmp)", "*.BMP", "BMP"},
    {"Targa Images (*.tga)", "*.TGA", "TGA"},
};

std::optional<QString> run_file_dialog(QFileDialog& dialog) {
    dialog_shown(dialog, DialogKind::file_dialog, false);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.front().isEmpty()) {
        return std::nullopt;
    }
    return files.front();
}

void prepare(QFileDialog& dialog, const QStringList& filters, const QString& name,
             const QString& suffix) {
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setObjectName("file-dialog");
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(suffix);
    dialog.selectFile(name);
}

}  // namespace

std::optional<std::filesystem::path> choose_item_file(QWidget* parent,
                                                      const ItemFileDialog& request) {
    QFileDialog dialog(parent, request.title);
    if (std::optional<std::filesystem::path> install = install::install_folder()) {
        const std::filesystem::path folder = platform::resolve_entry(*install, request.folder);
        dialog.setDirectory(QString::fromStdString(folder.string()));
    }
    if (request.save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    prepare(dialog, {request.filter}, request.name, request.suffix);
    std::optional<QString> chosen = run_file_dialog(dialog);
    if (!chosen) {
        return std::nullopt;
    }
    return std::filesystem::path(chosen->toStdString());
}

QStringList choose_video_files(QWidget* parent, const VideoFileDialog& request) {
    QFileDialog dialog(parent, request.title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    if (!request.folder.isEmpty()) {
        dialog.setDirectory(request.folder);
    }
    prepare(dialog, request.filters, request.name, request.suffix);
    // The preview beside the file list, over the whole height; it follows
    // the file under the cursor, also while several are chosen.
    auto* preview = new FilePreviewPanel(&dialog);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
    }
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview, &FilePreviewPanel::show_file);
    dialog_shown(dialog, DialogKind::file_dialog, false);
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    QStringList files = dialog.selectedFiles();
    files.removeAll(QString());
    return files;
}

std::optional<QString> choose_video_file(QWidget* parent, int entry) {
    if (entry < 1 || entry > 3) {
        return std::nullopt;
    }
    const VideoEntry& kind = video_entries[entry - 1];
    QStringList filters{kind.filter};
    if (entry == 1) {
        // Mapped movies are read by the video services, which read every
        // everyday movie: "All videos" stands beside the AVI filter.
        filters.clear();
        for (const video::FileFilter& filter : video::video_file_filters()) {
            filters << QString::fromStdString(filter.dialog_text());
        }
    }
    const QStringList files = choose_video_files(
        parent, {"Select video to map onto object", {}, kind.pattern, filters, kind.suffix});
    if (files.isEmpty()) {
        return std::nullopt;
    }
    return files.front();
}

}  // namespace kdr::gui
