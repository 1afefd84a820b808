#include "selection_sheet.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QEvent>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

#include "context_help.h"
#include "option_page.h"
#include "selection_session.h"
#include "sheet_pages.h"

namespace kdr::gui {

SelectionSheet::SelectionSheet(SelectionSession& session, QWidget* parent)
    : QDialog(parent), m_session(session) {
    setObjectName("sheet");
    setWindowTitle("Kaleidra - Selection Dialog");
    setWindowFlag(Qt::WindowContextHelpButtonHint, true);
    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName("pages");
    layout->addWidget(m_tabs);
    for (std::unique_ptr<OptionPage>& page : make_sheet_pages(session)) {
        OptionPage* raw = page.release();
        m_tabs->addTab(raw, raw->title());  // the tab widget owns the page now
    }
    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("1");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("2");
    buttons->button(QDialogButtonBox::Help)->setObjectName("9");
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { open_help(this, 0); });
    auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
    connect(f1, &QShortcut::activated, this, [this] {
        QWidget* focus = QApplication::focusWidget();
        const int topic = focus != nullptr ? help_topic(control_id_of(focus)) : 0;
        open_help(this, topic);
    });
    m_tabs->setCurrentIndex(0);
    m_shown = current_page();
    connect(m_tabs, &QTabWidget::currentChanged, this, &SelectionSheet::page_changed);
}

SelectionSheet::~SelectionSheet() {
    if (m_shown != nullptr) {
        m_shown->deactivate();
    }
    m_session.set_current_page(nullptr);
}

OptionPage* SelectionSheet::current_page() const {
    return qobject_cast<OptionPage*>(m_tabs->currentWidget());
}

OptionPage* SelectionSheet::page(int dialog_id) const {
    for (int i = 0; i < m_tabs->count(); ++i) {
        auto* page = qobject_cast<OptionPage*>(m_tabs->widget(i));
        if (page != nullptr && page->dialog_id() == dialog_id) {
            return page;
        }
    }
    return nullptr;
}

bool SelectionSheet::show_page(int dialog_id) {
    OptionPage* wanted = page(dialog_id);
    if (wanted == nullptr) {
        return false;
    }
    m_tabs->setCurrentWidget(wanted);
    return true;
}

void SelectionSheet::reject() {
    m_session.set_cancelled();
    QDialog::reject();
}

void SelectionSheet::page_changed(int) {
    if (m_shown != nullptr) {
        m_shown->deactivate();
    }
    m_shown = current_page();
    if (m_shown != nullptr && isVisible()) {
        m_shown->activate();
    }
}

void SelectionSheet::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_shown != nullptr && !m_shown->active()) {
        m_shown->activate();
    }
}

void SelectionSheet::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || m_shown == nullptr || !isVisible()) {
        return;
    }
    if (isActiveWindow()) {
        if (!m_shown->active()) {
            m_shown->activate(Activation::window_activated);
        }
    } else {
        m_shown->deactivate();
    }
}

}  // namespace kdr::gui
