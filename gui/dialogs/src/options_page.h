#pragma once
// The Options page (dialog 103): the global values that set the look of
// the whole render, written straight into the host's record after every
// command. The "E" buttons open the envelope editor for their value; while
// an envelope drives a value its button shows "E*" and its control is
// disabled. Flying the other way round, a two-video transition exchanges
// the first two videos' values and envelopes when "Eff_Autoreverse" is on.
// In filter mode the fly direction is disabled.

#include <array>

#include "option_page.h"

class QAbstractButton;

namespace kdr::gui {

class TrackbarValue;

class OptionsPage : public OptionPage {
    Q_OBJECT

  public:
    explicit OptionsPage(SelectionSession& session);

    // Record to controls, and the "E" markers.
    void fill();
    // Controls to record.
    void store();

  protected:
    void create_page_controls() override;

  private:
    void set_markers();
    void envelope_clicked(int button_id);
    void command();

    bool m_filling = false;
    TrackbarValue* m_light_direction = nullptr;
    TrackbarValue* m_shadows = nullptr;
    TrackbarValue* m_blur_percent = nullptr;
    TrackbarValue* m_blur_count = nullptr;
    TrackbarValue* m_transition = nullptr;
};

}  // namespace kdr::gui
