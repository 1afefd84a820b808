#include "editor_dialog.h"

#include <QVBoxLayout>

#include "option_page.h"
#include "selection_session.h"

namespace kdr::gui {

EditorDialog::EditorDialog(SelectionSession& session, QWidget* parent)
    : QDialog(parent), m_session(session) {
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void EditorDialog::set_page(OptionPage* page) {
    m_page = page;
    layout()->addWidget(page);
    page->ensure_created();
    setFixedSize(page->minimumSize());
}

EditorEnd EditorDialog::run(DialogKind kind) {
    OptionPage* opener = m_session.current_page();
    const bool opener_active = opener != nullptr && opener->active();
    if (opener_active) {
        opener->deactivate();
    }
    m_page->activate();
    dialog_shown(*this, kind, false);
    exec();
    m_page->deactivate();
    if (m_session.current_page() == m_page) {
        m_session.set_current_page(nullptr);
    }
    if (opener != nullptr) {
        // The opener's window is active again; its own page work stays as
        // it was.
        if (opener_active || opener->isVisible()) {
            opener->activate(Activation::window_activated);
        } else {
            m_session.set_current_page(opener);
        }
    }
    return m_end;
}

void EditorDialog::finish(EditorEnd end) {
    m_end = end;
    QDialog::done(end == EditorEnd::cancel ? QDialog::Rejected : QDialog::Accepted);
}

void EditorDialog::accept() {
    finish(EditorEnd::ok);
}

void EditorDialog::reject() {
    finish(EditorEnd::cancel);
}

}  // namespace kdr::gui
