#include "kaleidra/editor/window/file_dialogs.h"

#include <QFileDialog>

#include "kaleidra/gui/video_file_dialog.h"

namespace kdr::editor::window {
namespace {

FileDialogAnswer& installed_answer() {
    static FileDialogAnswer answer;
    return answer;
}

void prepare(QFileDialog& dialog, const FileRequest& request) {
    dialog.setObjectName(request.kind == FileRequest::Kind::open ? "open-dialog" : "save-dialog");
    dialog.setWindowTitle(request.title);
    dialog.setNameFilter(request.filter);
    dialog.setDirectory(request.folder);
    dialog.setDefaultSuffix(request.default_suffix);
    // The dialogs of the desktop cannot be driven by tests and differ from
    // one desktop to the next.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (!request.name.isEmpty() && !request.name.contains('*')) {
        dialog.selectFile(request.name);
    }
}

}  // namespace

QStringList run_open_dialog(QWidget* parent, const FileRequest& request) {
    QFileDialog dialog(parent);
    prepare(dialog, request);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    return dialog.selectedFiles();
}

QStringList run_save_dialog(QWidget* parent, const FileRequest& request) {
    QFileDialog dialog(parent);
    prepare(dialog, request);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwrite_prompt);
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    QStringList chosen = dialog.selectedFiles();
    if (chosen.size() > 1) {
        chosen = chosen.mid(0, 1);
    }
    return chosen;
}

QStringList run_preview_dialog(QWidget* parent, const FileRequest& request) {
    gui::VideoFileDialog dialog;
    dialog.title = request.title;
    dialog.folder = request.folder;
    dialog.name = request.name;
    dialog.filters = request.filter.split(QStringLiteral(";;"));
    dialog.suffix = request.default_suffix;
    dialog.multiple = request.multiple;
    return gui::choose_video_files(parent, dialog);
}

QStringList choose_files(QWidget* parent, const FileRequest& request) {
    if (const FileDialogAnswer& answer = installed_answer()) {
        return answer(request);
    }
    if (request.kind == FileRequest::Kind::save) {
        return run_save_dialog(parent, request);
    }
    return request.preview ? run_preview_dialog(parent, request) : run_open_dialog(parent, request);
}

FileDialogAnswer set_file_dialog_answer(FileDialogAnswer answer) {
    FileDialogAnswer previous = std::move(installed_answer());
    installed_answer() = std::move(answer);
    return previous;
}

}  // namespace kdr::editor::window
