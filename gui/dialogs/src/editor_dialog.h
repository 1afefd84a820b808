#pragma once
// The frame of the envelope and path editors: a modal dialog over the
// sheet holding one page of its own, so the editor shares what every page
// does (the "Selected FX" panel with the live preview, the Render button,
// change detection). While the editor runs its page is the current page;
// the page that opened it stops its timers and takes over again after.
// "OK", "Cancel" and "Remove" end it with their end codes; Escape and
// closing the window cancel.

#include <QDialog>

#include "kaleidra/gui/dialog_hook.h"
#include "kaleidra/gui/envelope_editing.h"

namespace kdr::gui {

class OptionPage;
class SelectionSession;

class EditorDialog : public QDialog {
    Q_OBJECT

  public:
    EditorDialog(SelectionSession& session, QWidget* parent);

    // Runs the dialog modally and gives its end code.
    EditorEnd run(DialogKind kind);
    void finish(EditorEnd end);
    EditorEnd end_code() const { return m_end; }
    OptionPage* page() const { return m_page; }

    void accept() override;  // "OK"
    void reject() override;  // "Cancel"

  protected:
    // Puts `page` (made by the subclass) into the dialog.
    void set_page(OptionPage* page);
    SelectionSession& session() const { return m_session; }

  private:
    SelectionSession& m_session;
    OptionPage* m_page = nullptr;
    EditorEnd m_end = EditorEnd::cancel;
};

}  // namespace kdr::gui
