#include "kaleidra/editor/window/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>

#include "kaleidra/editor/item_opening.h"
#include "kaleidra/editor/window/desktop_services.h"
#include "kaleidra/editor/window/progress_dialog.h"
#include "kaleidra/editor/window/recent_projects.h"
#include "kaleidra/kdrgui.h"

namespace kdr::editor::window {
namespace {

const char* const welcome_text =
    "Welcome to Reelbench.  Use the File menu to open a project, or the Insert menu to add "
    "items to the timeline.";

struct ZoomMenuEntry {
    const char* name;
    const char* text;
    const char* help;
    ZoomEntry entry;
};

constexpr ZoomMenuEntry zoom_entries[] = {
    {"123-1", "&1  10 frames", "Display 10 frames in the timeline window.", ZoomEntry::ten_frames},
    {"123-2", "&2  1 second", "Display 1 second of frames in the timeline window.",
     ZoomEntry::one_second},
    {"123-3", "&3  5 seconds", "Display 5 seconds of frames in the timeline window.",
     ZoomEntry::five_seconds},
    {"123-4", "&4  30 seconds", "Display 30 seconds of frames in the timeline window.",
     ZoomEntry::thirty_seconds},
    {"123-5", "&5  1 minute", "Display 1 minute of frames in the timeline window.",
     ZoomEntry::one_minute},
    {"123-6", "&6  10 minutes", "Display 10 minutes of frames in the timeline window.",
     ZoomEntry::ten_minutes},
    {"123-7", "&7  30 minutes", "Display 30 minutes of frames in the timeline window.",
     ZoomEntry::thirty_minutes},
    {"123-0", "&0  Fit", "Fit the entire project within the timeline window.", ZoomEntry::fit},
};

}  // namespace

MainWindow::MainWindow(Preferences preferences, RecentValues recent)
    : m_preferences(std::move(preferences)),
      m_recent(std::move(recent)),
      m_clipboard(std::make_unique<TimelineItem>()) {
    setObjectName("REELBENCHCLASS");
    setWindowTitle(QStringLiteral("Reelbench"));
    setMinimumSize(minimum_window_width, minimum_window_height);
    clear_project(m_project, m_preferences);
    m_timeline = new TimelineView(m_project, *this, this);
    setCentralWidget(m_timeline);
    statusBar()->setObjectName("1006");
    statusBar()->setSizeGripEnabled(true);
    build_menus();
    m_timeline->set_status_height(statusBar()->sizeHint().height());
    show_status(QString::fromLatin1(welcome_text));
    auto* help_key = new QShortcut(QKeySequence(Qt::Key_F1), this);
    // Not in the window's dialogs: they open help topics of their own.
    help_key->setContext(Qt::WidgetWithChildrenShortcut);
    connect(help_key, &QShortcut::activated, this, [this] { help_topics(); });
    update_edit_menu();
}

MainWindow::~MainWindow() {
    if (m_progress != nullptr) {
        m_renderer.stop();
        (void)m_renderer.finish();
    }
}

QAction* MainWindow::add_entry(QMenu* menu, const QString& name, const QString& text,
                               const char* help, int context, QKeySequence key) {
    auto* entry = new QAction(text, this);
    entry->setObjectName(name);
    if (help != nullptr) {
        entry->setStatusTip(QString::fromLatin1(help));
    }
    entry->setProperty("help_context", context);
    if (!key.isEmpty()) {
        entry->setShortcut(key);
    }
    menu->addAction(entry);
    return entry;
}

void MainWindow::build_menus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    connect(add_entry(file, "101", "&New...",
                      "Clears the current project and starts with a clean timeline.", 101,
                      QKeySequence(Qt::CTRL | Qt::Key_N)),
            &QAction::triggered, this, [this] { new_project(); });
    connect(add_entry(file, "102", "&Open...", "Opens a previously saved project.", 102,
                      QKeySequence(Qt::CTRL | Qt::Key_O)),
            &QAction::triggered, this, [this] { open_project(); });
    connect(add_entry(file, "103", "&Save", "Saves the current project to disk.", 103,
                      QKeySequence(Qt::CTRL | Qt::Key_S)),
            &QAction::triggered, this, [this] { (void)save_project(); });
    connect(
        add_entry(file, "104", "Save &As...", "Saves the current project with a new name.", 104),
        &QAction::triggered, this, [this] { (void)save_project_as(); });
    file->addSeparator();
    connect(add_entry(file, "105", "Make &Preview", "Renders a preview of the current project.",
                      105, QKeySequence(Qt::CTRL | Qt::Key_P)),
            &QAction::triggered, this, [this] { make_preview(); });
    connect(
        add_entry(file, "106", "Make &Final", "Renders a final AVI movie of the current project.",
                  106, QKeySequence(Qt::CTRL | Qt::Key_F)),
        &QAction::triggered, this, [this] { make_final(); });
    file->addSeparator();
    connect(add_entry(file, "107", "Settings...",
                      "Allows you to set options for preview and final output.", 107),
            &QAction::triggered, this, [this] { show_settings(); });
    connect(add_entry(file, "113", "Save Defaults",
                      "Saves the current settings as the defaults for new projects.", 113),
            &QAction::triggered, this, [this] { save_defaults(); });
    file->addSeparator();
    for (int slot = 0; slot < recent_project_count; ++slot) {
        m_recent_entries[slot] = add_entry(file, QStringLiteral("114-%1").arg(slot + 1), QString(),
                                           "Opens a recently used project.", 114);
        connect(m_recent_entries[slot], &QAction::triggered, this,
                [this, slot] { open_recent(slot); });
    }
    rebuild_recent_menu();
    file->addSeparator();
    QAction* exit =
        add_entry(file, "115", "E&xit", "Exits Reelbench and closes the current project.", 115,
                  QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(exit, &QAction::triggered, this, [this] { close(); });

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    connect(add_entry(edit, "116", "Cu&t",
                      "Removes the selected item from the timeline, and places it in the "
                      "clipboard.",
                      116, QKeySequence(Qt::CTRL | Qt::Key_X)),
            &QAction::triggered, this, [this] { cut(); });
    connect(add_entry(edit, "117", "&Copy",
                      "Copies the selected item from the timeline into the clipboard.", 117,
                      QKeySequence(Qt::CTRL | Qt::Key_C)),
            &QAction::triggered, this, [this] { copy(); });
    connect(add_entry(edit, "118", "&Paste",
                      "Pastes the contents of the clipboard to the selected track in the "
                      "timeline.",
                      118, QKeySequence(Qt::CTRL | Qt::Key_V)),
            &QAction::triggered, this, [this] { paste(); });
    connect(add_entry(edit, "119", "&Delete", "Removes the selected item from the timeline.", 119,
                      QKeySequence(Qt::Key_Delete)),
            &QAction::triggered, this, [this] { delete_item(); });

    QMenu* insert = menuBar()->addMenu(QStringLiteral("&Insert"));
    connect(add_entry(insert, "120", "Insert &FX", "Insert a Kaleidra effect into the timeline.",
                      120, QKeySequence(Qt::CTRL | Qt::Key_E)),
            &QAction::triggered, this, [this] { insert_effect(); });
    connect(add_entry(insert, "121", "Insert &Video",
                      "Insert one or more video clips into the timeline.", 121,
                      QKeySequence(Qt::CTRL | Qt::Key_I)),
            &QAction::triggered, this, [this] { insert_video(); });
    connect(add_entry(insert, "122", "Insert &Bitmap",
                      "Insert one or more bitmap images into the timeline.", 122,
                      QKeySequence(Qt::CTRL | Qt::Key_B)),
            &QAction::triggered, this, [this] { insert_bitmap(); });

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    QMenu* zoom_menu = view->addMenu(QStringLiteral("&Zoom"));
    zoom_menu->setObjectName("zoom");
    for (const ZoomMenuEntry& entry : zoom_entries) {
        QAction* action = add_entry(zoom_menu, entry.name, entry.text, entry.help, 123);
        action->setCheckable(true);
        action->setChecked(entry.entry == ZoomEntry::fit);
        const ZoomEntry chosen = entry.entry;
        connect(action, &QAction::triggered, this, [this, chosen] { zoom(chosen); });
    }
    QMenu* play = view->addMenu(QStringLiteral("&Play"));
    play->setObjectName("play");
    connect(add_entry(play, "124-1", "Last &Preview",
                      "Load the Media Player to display the last preview rendered.", 124),
            &QAction::triggered, this, [this] { play_last_preview(); });
    connect(
        add_entry(play, "124-2", "Last &Final",
                  "Load the Media Player to display the last final made for this project.", 124),
        &QAction::triggered, this, [this] { play_last_final(); });

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    connect(add_entry(help, "125", "&Help Topics", nullptr, 125), &QAction::triggered, this,
            [this] { help_topics(); });
    connect(add_entry(help, "126", "&About Reelbench...", nullptr, 126), &QAction::triggered, this,
            [this] { about(); });

    for (QMenu* menu : menuBar()->findChildren<QMenu*>()) {
        menu->installEventFilter(this);
        connect(menu, &QMenu::hovered, this, [this](QAction* entry) { m_highlighted = entry; });
    }
}

QAction* MainWindow::action(const QString& name) const {
    return findChild<QAction*>(name);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
        if (auto* menu = qobject_cast<QMenu*>(watched)) {
            QAction* entry = menu->activeAction() != nullptr ? menu->activeAction() : m_highlighted;
            const int context = entry != nullptr ? entry->property("help_context").toInt() : 0;
            for (QWidget* open = QApplication::activePopupWidget(); open != nullptr;
                 open = QApplication::activePopupWidget()) {
                open->close();
            }
            open_help(this, context);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

QString MainWindow::status_text() const {
    return statusBar()->currentMessage();
}

void MainWindow::show_status(const QString& text) {
    if (statusBar()->currentMessage() != text) {
        statusBar()->showMessage(text);
    }
}

void MainWindow::selection_changed() {
    update_edit_menu();
}

void MainWindow::timeline_redrawn() {
    refresh_title();
}

void MainWindow::refresh_title() {
    const QString title = QStringLiteral("Reelbench - %1%2")
                              .arg(QString::fromStdString(m_project.file_name),
                                   m_project.modified ? QStringLiteral("*") : QString());
    if (windowTitle() != title) {
        setWindowTitle(title);
    }
}

void MainWindow::update_edit_menu() {
    const bool selected = m_project.selected_item != nullptr;
    action("116")->setEnabled(selected && !rendering());
    action("117")->setEnabled(selected && !rendering());
    action("119")->setEnabled(selected && !rendering());
    action("118")->setEnabled(m_clipboard->kind != ItemKind::none && !rendering());
}

void MainWindow::rebuild_recent_menu() {
    for (int slot = 0; slot < recent_project_count; ++slot) {
        const std::string& path = m_recent.projects[static_cast<std::size_t>(slot)];
        m_recent_entries[slot]->setText(QString::fromStdString(recent_menu_text(slot, path)));
        m_recent_entries[slot]->setEnabled(!path.empty() && !rendering());
    }
}

void MainWindow::remember_recent(const std::string& path) {
    if (add_recent_project(m_recent, path)) {
        (void)m_preferences.write_recent(m_recent);
        rebuild_recent_menu();
    }
}

void MainWindow::project_changed() {
    m_timeline->forget_pictures();
    m_timeline->redraw();
    update_edit_menu();
}

void MainWindow::set_commands_enabled(bool enabled) {
    for (QAction* entry : findChildren<QAction*>()) {
        if (!entry->objectName().isEmpty()) {
            entry->setEnabled(enabled);
        }
    }
    menuBar()->setEnabled(enabled);
    m_timeline->setEnabled(enabled);
    if (enabled) {
        update_edit_menu();
        rebuild_recent_menu();
    }
}

std::uintptr_t MainWindow::owner_id() {
    return static_cast<std::uintptr_t>(winId());
}

void MainWindow::effect_activated(TimelineItem& effect) {
    const std::int16_t result = KDRGUI_Select(owner_id(), &effect.settings(), 0);
    if ((static_cast<std::uint16_t>(result) & 0xFFFF) != 0) {
        return;
    }
    (void)open_item(effect, std::filesystem::path(m_project.file_name).parent_path());
    // The effect's options are part of the project: leaving them unsaved
    // unnoticed would lose them.
    m_project.modified = true;
    project_changed();
}

void MainWindow::zoom(ZoomEntry entry) {
    for (const ZoomMenuEntry& item : zoom_entries) {
        action(QString::fromLatin1(item.name))->setChecked(item.entry == entry);
    }
    m_project.zoom = zoom_seconds(entry, m_project.output.rate);
    m_timeline->redraw();
}

void MainWindow::help_topics() {
    open_help(this, 0);
}

void MainWindow::about() {
    (void)KDRGUI_About(owner_id(), "Reelbench", "Version 3.0.9");
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (rendering()) {
        // The movie is written by a thread that reads the project: stop it,
        // and close once it has ended.
        m_close_after_render = true;
        m_progress->press_stop();
        event->ignore();
        return;
    }
    if (!may_discard_changes()) {
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace kdr::editor::window
