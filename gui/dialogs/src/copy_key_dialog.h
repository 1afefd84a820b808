#pragma once
// Dialog 123 "Copy Current Key": asks for the time (in percent) to copy
// the path editor's current key to. OK with a time outside 0 to 100 (or
// no whole number) says "Time must be between 0% and 100%" and stays open.

#include <QDialog>

#include <optional>

class QLineEdit;

namespace kdr::gui {

class CopyKeyDialog : public QDialog {
    Q_OBJECT

  public:
    CopyKeyDialog(int percent, QWidget* parent);
    int chosen_percent() const { return m_percent; }
    void accept() override;

  private:
    QLineEdit* m_time = nullptr;
    int m_percent = 0;
};

// Runs the dialog starting at `percent`; the time chosen, or nothing.
std::optional<int> ask_copy_time(int percent, QWidget* parent);

}  // namespace kdr::gui
