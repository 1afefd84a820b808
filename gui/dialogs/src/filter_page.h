#pragma once
// The Filter Options page (dialog 113, shown as "Filter Options", filter
// mode only): which video of the effect the filter shows, where in the
// effect and over how many frames, and how the picture is turned and how
// far away it stands. Every store also sets the filter placement switch.

#include "option_page.h"

class QComboBox;

namespace kdr::gui {

class TrackbarValue;

class FilterPage : public OptionPage {
    Q_OBJECT

  public:
    explicit FilterPage(SelectionSession& session);

    void fill();
    void store();

  protected:
    void create_page_controls() override;
    void page_activated() override;

  private:
    void command();

    bool m_filling = false;
    QComboBox* m_source = nullptr;
    TrackbarValue* m_percent = nullptr;
    TrackbarValue* m_frames = nullptr;
    TrackbarValue* m_rotate_x = nullptr;
    TrackbarValue* m_rotate_y = nullptr;
    TrackbarValue* m_rotate_z = nullptr;
    TrackbarValue* m_distance = nullptr;
};

}  // namespace kdr::gui
