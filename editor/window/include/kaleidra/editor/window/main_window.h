#pragma once
// Reelbench's main window: the timeline of the one project of the run, the
// menus and accelerators of the editor's commands, the status bar (1006)
// and the render started from it. The window owns the project, the private
// clipboard (one item, kind none while empty), the editor's preferences and
// recent values, and the renderer with its progress dialog.
//
// Menu entries are found by objectName: the help context of the entry
// ("101" New ... "126" About), with the entry's number after a dash where
// several share a context ("114-1" .. "114-4" recent projects, "123-1" ..
// "123-7" and "123-0" the zoom entries, "124-1" Last Preview, "124-2" Last
// Final). Every command is also a public function, which the menus call.
//
// Every question and message goes through the platform message hook, the
// file dialogs through file_dialogs.h, the selection dialog and the about
// box through the library Kaleidra30: tests answer all of them. GUI thread
// only.

#include <QMainWindow>

#include <memory>

#include "kaleidra/editor/movie_renderer.h"
#include "kaleidra/editor/preferences.h"
#include "kaleidra/editor/project.h"
#include "kaleidra/editor/window/timeline_geometry.h"
#include "kaleidra/editor/window/timeline_view.h"

class QAction;
class QLabel;
class QMenu;

namespace kdr::editor::window {

class ProgressDialog;

class MainWindow : public QMainWindow, private TimelineHost {
  public:
    MainWindow(Preferences preferences, RecentValues recent);
    ~MainWindow() override;

    Project& project() { return m_project; }
    const TimelineItem& clipboard() const { return *m_clipboard; }
    const RecentValues& recent() const { return m_recent; }
    TimelineView* timeline() const { return m_timeline; }
    ProgressDialog* progress_dialog() const { return m_progress; }
    // The text the status bar shows.
    QString status_text() const;
    // A menu entry by its objectName (see above); null when there is none.
    QAction* action(const QString& name) const;

    // File menu.
    void new_project();
    void open_project();
    bool save_project();
    bool save_project_as();
    void open_recent(int slot);  // 0 .. 3
    // Opens `path` as Open does after its dialog (the command line's
    // project).
    void open_project_file(const std::string& path);
    void make_preview();
    void make_final();
    void show_settings();
    void save_defaults();
    // Edit menu.
    void cut();
    void copy();
    void paste();
    void delete_item();
    // Insert menu.
    void insert_effect();
    void insert_video();
    void insert_bitmap();
    // View menu.
    void zoom(ZoomEntry entry);
    void play_last_preview();
    void play_last_final();
    // Help menu.
    void help_topics();
    void about();

    // The save-changes question when the project is modified: true when the
    // command may go on (saved, or the user said No).
    bool may_discard_changes();
    bool rendering() const { return m_progress != nullptr; }
    // Ends a render: what the progress dialog's timer does once the render
    // thread has ended (the player is started on the movie).
    void render_ended();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // TimelineHost
    void show_status(const QString& text) override;
    void selection_changed() override;
    void effect_activated(TimelineItem& effect) override;
    void timeline_redrawn() override;

    void build_menus();
    QAction* add_entry(QMenu* menu, const QString& name, const QString& text, const char* help,
                       int context, QKeySequence key = {});
    void rebuild_recent_menu();
    void update_edit_menu();
    void refresh_title();
    void project_changed();
    void set_commands_enabled(bool enabled);
    void remember_recent(const std::string& path);
    bool load_into_project(const std::string& path);
    void insert_files(bool video);
    void start_render(const RenderRequest& request, const QString& title);
    std::uintptr_t owner_id();

    Preferences m_preferences;
    RecentValues m_recent;
    Project m_project;
    std::unique_ptr<TimelineItem> m_clipboard;
    TimelineView* m_timeline = nullptr;
    QLabel* m_status = nullptr;
    MovieRenderer m_renderer;
    ProgressDialog* m_progress = nullptr;
    QAction* m_recent_entries[recent_project_count] = {};
    QAction* m_highlighted = nullptr;  // the menu entry under the mouse, for F1
    bool m_preview_render = false;
    bool m_close_after_render = false;  // the window was closed while rendering
};

// The program's window part: the start-up with its error codes, the window
// shown maximised (with `project` opened when it is not empty) and the
// event loop. Returns the exit status.
int run_main_window(int argc, char** argv, const std::string& project = {});

}  // namespace kdr::editor::window
