#pragma once
// The open-file dialog with a preview that picks video clips and pictures:
// Qt's own file dialog (never the desktop's, so that it can hold the
// panel) with a side panel showing the current file's first frame (an AVI
// or any other movie the video services read) or picture (BMP, Targa),
// decoded through the package's readers off the GUI thread so that a large
// or damaged file never holds the dialog up. The Objects page maps a file
// onto an object with it; programs such as the timeline editor insert
// clips with it.
//
// The dialog is shown to the dialog hook (DialogKind::file_dialog) before
// it runs, so tests answer it without a person. GUI thread only.

#include <QString>
#include <QStringList>

class QWidget;

namespace kdr::gui {

struct VideoFileDialog {
    QString title;          // "Select Video Clip(s) To Insert"
    QString folder;         // where it starts; empty: the current folder
    QString name;           // the file-name field's start: "*.avi"
    QStringList filters;    // "AVI Video Clips (*.avi)", ...; the first is chosen
    QString suffix;         // added to a name typed without one: "avi"
    bool multiple = false;  // several files may be chosen at once
};

// Runs the dialog modally over `parent`. The chosen files, each an
// existing file given by its full path, in the order chosen; empty when
// the dialog was cancelled.
QStringList choose_video_files(QWidget* parent, const VideoFileDialog& dialog);

}  // namespace kdr::gui
