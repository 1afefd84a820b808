#pragma once
// The base of every page of the selection sheet. A page is an empty widget
// until the sheet first shows it; then it makes its own controls
// (create_page_controls) and the shared "Selected FX" panel. The base does
// what every page shares:
//
// - activation (the page is shown, or the sheet's window is activated
//   again): the page becomes the session's current page, the panel shows
//   the selected effect, timers 101 (100 ms) and 102 (1000 / preview speed)
//   start, and the speed trackbar follows the preference;
// - deactivation stops both timers;
// - timer 101 applies what the preview thread published (the Render
//   button's text, the progress bar) and runs change detection; timer 102
//   shows the next preview frame;
// - the speed trackbar, the Render button and context help (right click,
//   "?" mode; F1 is the sheet's).
//
// A page's own command handlers end with after_command(), which runs
// change detection as the shared handler does after every message. Pages
// are made on the GUI thread and live in the sheet.

#include <QTimer>
#include <QWidget>

#include <memory>

#include "dialog_units.h"
#include "selected_fx_panel.h"

namespace kdr::gui {

class SelectionSession;

inline constexpr int display_timer_period_ms = 100;  // timer 101

// A page's size in dialog units and where its "Selected FX" panel stands:
// the sheet's pages are 342 x 236 with the full panel at 205,5; the editors
// have sizes of their own and a compact panel 135 units high.
struct PageGeometry {
    QSize size{342, 236};
    PanelPlace panel{};
};

// Why a page becomes active: the sheet shows it (the page's own work runs
// too), or its window is activated again (the shared work only).
enum class Activation { page_shown, window_activated };

class OptionPage : public QWidget {
    Q_OBJECT

  public:
    OptionPage(SelectionSession& session, int dialog_id, const QString& title,
               const PageGeometry& geometry = {});
    ~OptionPage() override;

    int dialog_id() const { return m_dialog_id; }
    const QString& title() const { return m_title; }
    bool created() const { return m_created; }
    // Makes the controls when they do not exist yet.
    void ensure_created();

    void activate(Activation cause = Activation::page_shown);
    void deactivate();
    bool active() const { return m_active; }

    // The selected effect changed; pages without controls ignore it.
    virtual void effect_changed() {}

    SelectedFxPanel* panel() const { return m_panel.get(); }
    // Shows the selected effect's name and description in the panel.
    void refresh_panel();
    // Restarts timer 102 with the period of the current preview speed.
    void restart_display_timer();
    const QTimer& state_timer() const { return m_state_timer; }
    const QTimer& display_timer() const { return m_display_timer; }

  protected:
    SelectionSession& session() const { return m_session; }
    const DialogUnits& units() const { return *m_units; }

    virtual void create_page_controls() = 0;
    virtual bool has_speed_trackbar() const { return true; }
    // Runs after the shared activation work when the sheet shows the page.
    virtual void page_activated() {}

    // Change detection, after each command the page handled.
    void after_command();

    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void on_state_tick();
    void on_display_tick();
    void on_speed_moved(int value);
    void watch_for_help(QWidget* root);

    SelectionSession& m_session;
    int m_dialog_id;
    QString m_title;
    PageGeometry m_geometry;
    bool m_created = false;
    bool m_active = false;
    std::unique_ptr<DialogUnits> m_units;
    std::unique_ptr<SelectedFxPanel> m_panel;
    QTimer m_state_timer;    // 101
    QTimer m_display_timer;  // 102
    std::vector<std::uint8_t> m_frame_pixels;
};

}  // namespace kdr::gui
