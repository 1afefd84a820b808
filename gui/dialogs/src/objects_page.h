#pragma once
// The Objects page (dialog 104): the values of one video of the effect at
// a time (the group shown), which file the user maps onto that video, its
// envelopes, its object's morph envelope and path. Values and the mapping
// are written straight into the host's record after every command (not
// after opening the path editor or the file dialog, which store what they
// change themselves). The group shown goes back to the first video when
// the effect changes.

#include "option_page.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace kdr::gui {

class TrackbarValue;

class ObjectsPage : public OptionPage {
    Q_OBJECT

  public:
    explicit ObjectsPage(SelectionSession& session);

    int group() const { return m_group; }
    // Shows group o (remembered also while the page has no controls).
    void show_group(int group);
    void fill();
    void store();

    void effect_changed() override;

  protected:
    void create_page_controls() override;
    void page_activated() override;

  private:
    void set_markers();
    void enable_mapping(bool on);
    void envelope_clicked(int button_id);
    void morph_clicked();
    void path_clicked();
    void select_clicked();
    void command();

    int m_group = 0;
    bool m_filling = false;
    QComboBox* m_videos = nullptr;
    QComboBox* m_mapping = nullptr;
    QLabel* m_file_name = nullptr;
    QLineEdit* m_frame_offset = nullptr;
    TrackbarValue* m_luminosity = nullptr;
    TrackbarValue* m_shine = nullptr;
    TrackbarValue* m_transparency = nullptr;
    TrackbarValue* m_direction = nullptr;
    TrackbarValue* m_trail_count = nullptr;
    TrackbarValue* m_trail_spacing = nullptr;
};

}  // namespace kdr::gui
