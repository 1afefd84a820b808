#pragma once
// The property sheet "Kaleidra - Selection Dialog": the pages of the
// session as tabs, in order, starting on the first, with OK (1), Cancel (2)
// and Help (9) and no Apply. Enter presses OK and Escape Cancel; Cancel,
// Escape and closing the window set the session's cancelled flag. Help
// opens the help file's contents, F1 the topic of the control with the
// focus. Window activation activates and deactivates the page shown.

#include <QDialog>

#include <memory>
#include <vector>

class QTabWidget;

namespace kdr::gui {

class OptionPage;
class SelectionSession;

class SelectionSheet : public QDialog {
    Q_OBJECT

  public:
    explicit SelectionSheet(SelectionSession& session, QWidget* parent = nullptr);
    ~SelectionSheet() override;

    SelectionSession& session() const { return m_session; }
    QTabWidget* tabs() const { return m_tabs; }
    OptionPage* current_page() const;
    // The page made from dialog `dialog_id`, or null when the sheet has none.
    OptionPage* page(int dialog_id) const;
    // Shows that page; false when the sheet has none.
    bool show_page(int dialog_id);

    void reject() override;

  protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void page_changed(int index);

    SelectionSession& m_session;
    QTabWidget* m_tabs = nullptr;
    OptionPage* m_shown = nullptr;
};

}  // namespace kdr::gui
