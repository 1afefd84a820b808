#pragma once
// "Reelbench Settings": the project's output settings. A Preview group
// (width 1006, height 1007, Keep Width/Height Ratio 1008, Compression 1009),
// an Output group (width 1012, height 1013, ratio 1014, Compression 1015,
// rate 1016), the Frame/Field radio buttons (1027 Frame, 1028 Odd First,
// 1029 Even First), OK (1), Cancel (2) and Help (9).
//
// The dialog edits a working copy: every change to a box is checked at
// once (settings_rules.h), a refused value puts the stored one back, and a
// kept ratio rewrites the partner box. OK hands the copy back; Cancel
// leaves the project as it was. F1 or the context menu on a control opens
// its help topic. GUI thread only.

#include <QDialog>

#include "kaleidra/editor/output_settings.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace kdr::editor::window {

class SettingsDialog : public QDialog {
  public:
    SettingsDialog(QWidget* parent, const OutputSettings& settings);

    const OutputSettings& settings() const { return m_settings; }

    // The help context of a control id (200 .. 204), 1 for the dialog.
    static int help_context(int control_id);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    enum class Box { preview_width, preview_height, final_width, final_height };
    QLineEdit* make_box(const char* id, std::int32_t value);
    void box_changed(Box box);
    void rate_changed();
    void write_box(QLineEdit* box, std::int32_t value);
    void help_for(QWidget* widget);

    OutputSettings m_settings;
    double m_preview_ratio = 0;
    double m_final_ratio = 0;
    bool m_writing = false;
    QLineEdit* m_preview_width = nullptr;
    QLineEdit* m_preview_height = nullptr;
    QLineEdit* m_final_width = nullptr;
    QLineEdit* m_final_height = nullptr;
    QLineEdit* m_rate = nullptr;
    QCheckBox* m_preview_ratio_box = nullptr;
    QCheckBox* m_final_ratio_box = nullptr;
};

}  // namespace kdr::editor::window
