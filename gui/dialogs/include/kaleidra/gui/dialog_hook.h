#pragma once
// Answering the library's dialogs without a person: for tests, and for the
// simulated hosts of the adapters, which call KDRGUI_Select as a host does
// and must not wait for a click.
//
// 1. The dialog script. When the environment variable KALEIDRA_DIALOG_SCRIPT
//    is set as the selection sheet (or the about box of KDRGUI_About) is
//    shown, the library runs it on that dialog, one command after another
//    while the dialog's event loop runs. Commands are separated by new
//    lines or ';'; "@FILE" as the whole value reads the script from FILE.
//    Control ids are the dialogs' control numbers (each control's objectName),
//    looked up on the page shown (then on the sheet itself):
//
//      page ID            show the page of dialog ID (102 FX, 114 Settings)
//      click ID           click a push button, radio button or check box
//      choose ID N        choose entry N (from 0) of a drop-down list
//      choose-text ID T   choose the entry whose text is T
//      slide ID N         move a trackbar to N, as a keyboard step would
//      type ID TEXT       replace the text of an edit and leave it
//      wait-preview       wait (up to 60 s) until no preview render runs
//                         or is waiting to start
//      wait MS            let MS milliseconds pass
//      shot FILE          save a picture of the dialog shown on top (PNG)
//      close              press OK of the dialog on top of the sheet (the
//                         about box opened by "About Kaleidra")
//      ok | cancel        press OK or Cancel of the sheet (or the about box)
//
//    A command that cannot be carried out writes "dialog script: line N:
//    ..." to standard error and cancels the dialog, so the caller sees 1.
//    Example:
//      KALEIDRA_DIALOG_SCRIPT='choose 1026 1; click 1003; wait-preview; ok'
//
//    Dialogs that a page opens over the sheet (the envelope and path
//    editors, the copy-key box, the file dialogs) lie on top while they
//    run: "click", "type", "slide", "drag" and "shot" then act on them,
//    "close" presses their OK.
//
//      file PATH          choose PATH in the file dialog on top and press
//                         its OK (a file to open must exist, a file to
//                         save must have its folder)
//      drag ID DX DY [right] [shift]
//                         press the left (or right) mouse button in the
//                         middle of control ID, move it by DX, DY pixels in
//                         steps and let go (the path editor's view)
//
// 2. In-process tests that link the dialogs' static library install a hook
//    that the library calls with every dialog it shows (the sheet, the
//    about box, also when the Settings page opens it, the editors and
//    the file dialogs), before the dialog's event loop starts; it may start
//    timers that drive the real widgets and press OK or Cancel. The hook
//    runs on the GUI thread.

#include <QDialog>

#include <functional>

namespace kdr::gui {

enum class DialogKind {
    selection_sheet,
    about_box,
    envelope_editor,
    path_editor,
    copy_key,
    file_dialog,
};

using DialogShownHook = std::function<void(QDialog& dialog, DialogKind kind)>;

// Installs `hook` (an empty function removes it) and returns the previous
// one. GUI thread only.
DialogShownHook set_dialog_shown_hook(DialogShownHook hook);

// Runs the hook and, for the outermost dialog, the script (library use).
void dialog_shown(QDialog& dialog, DialogKind kind, bool outermost);

}  // namespace kdr::gui
