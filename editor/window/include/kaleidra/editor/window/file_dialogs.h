#pragma once
// The open and save dialogs of the editor's commands, behind one small
// interface: a request (title, filter, folder, proposed name, default
// extension) in, the chosen paths out. The clip and picture dialogs of
// Insert Video and Insert Bitmap are the selection library's picker, with
// the preview of the file under the cursor beside the list. GUI thread
// only.
//
// Tests answer the dialogs without showing them through
// set_file_dialog_answer(); the answer sees every request.

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

namespace kdr::editor::window {

struct FileRequest {
    enum class Kind { open, save };
    Kind kind = Kind::open;
    QString title;
    QString filter;  // "AVI Video Clips (*.avi)"
    QString folder;  // where the dialog starts
    QString name;    // the file name proposed
    QString default_suffix;
    bool multiple = false;          // open: several files at once
    bool preview = false;           // open: the picture of the file under the cursor
    bool overwrite_prompt = false;  // save: ask before replacing a file
};

// The chosen paths, full; empty when the dialog was cancelled. A save
// dialog gives at most one.
QStringList choose_files(QWidget* parent, const FileRequest& request);

// Replaces the dialogs (an empty function brings them back); returns the
// previous answer.
using FileDialogAnswer = std::function<QStringList(const FileRequest&)>;
FileDialogAnswer set_file_dialog_answer(FileDialogAnswer answer);

// The file dialogs as widgets, for choose_files() and its tests; the
// preview dialog is the selection library's clip and picture picker.
QStringList run_open_dialog(QWidget* parent, const FileRequest& request);
QStringList run_preview_dialog(QWidget* parent, const FileRequest& request);
QStringList run_save_dialog(QWidget* parent, const FileRequest& request);

}  // namespace kdr::editor::window
