#pragma once
// The dialog shown while an update runs: title "Talvane Mini Installer",
// 276 x 61 dialog units, two sunken texts, the upper one (control 1000) for
// the phase or the folder being searched, the lower one (1001) for the
// current action. Long texts are shortened in the middle; the whole text is
// the control's tool tip. It cannot be closed by the user while the run goes
// on. Lives on the application's thread.

#include <QDialog>
#include <QString>

class QLabel;

namespace kdr::updater::gui {

class ProgressDialog : public QDialog {
  public:
    explicit ProgressDialog(QWidget* parent = nullptr);

    void set_upper(const QString& text);
    void set_lower(const QString& text);
    // The run is over: the dialog closes.
    void close_when_done();

    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void show_text(QLabel* label, const QString& text);

    QLabel* m_upper;
    QLabel* m_lower;
    bool m_done = false;
};

}  // namespace kdr::updater::gui
