#pragma once
// The Settings page (dialog 114): the user-interface preferences and the
// final engine's, written to the registry on every change, in their fixed
// order; "Save default options" and "About Kaleidra". A change of the
// preview's quality, length or engine makes a new preview renderer; a
// change of its speed only restarts the animation.

#include "option_page.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;

namespace kdr::gui {

class SettingsPage : public OptionPage {
    Q_OBJECT

  public:
    explicit SettingsPage(SelectionSession& session);

  protected:
    void create_page_controls() override;
    bool has_speed_trackbar() const override { return false; }

  private:
    void fill_engine_lists();
    void show_preferences();
    void write_preferences_from_controls();
    void trackbar_moved(QSlider* slider, QLabel* value);
    void save_defaults_clicked();
    void about_clicked();

    QSlider* m_frames = nullptr;
    QSlider* m_speed = nullptr;
    QLabel* m_frames_value = nullptr;
    QLabel* m_speed_value = nullptr;
    QComboBox* m_preview_engine = nullptr;
    QComboBox* m_final_engine = nullptr;
    QCheckBox* m_reverse = nullptr;
    QCheckBox* m_auto_render = nullptr;
    QCheckBox* m_multi = nullptr;
    bool m_showing = false;  // controls are being set from the preferences
};

}  // namespace kdr::gui
