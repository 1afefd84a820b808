// The Insert and Edit menus: inserting effects, clips and bitmaps, and the
// private clipboard (one item) with Cut, Copy, Paste and Delete.

#include <QApplication>

#include <filesystem>

#include "kaleidra/editor/item_opening.h"
#include "kaleidra/editor/placement.h"
#include "kaleidra/editor/window/file_dialogs.h"
#include "kaleidra/editor/window/main_window.h"
#include "kaleidra/editor/window/placement_rules.h"
#include "kaleidra/host/starting_settings.h"
#include "kaleidra/install/install_paths.h"
#include "kaleidra/kdrgui.h"
#include "kaleidra/platform/folder_case.h"
#include "kaleidra/platform/message_box.h"
#include "kaleidra/video/video_files.h"
#include "wait_cursor.h"

namespace kdr::editor::window {
namespace {

constexpr std::int32_t new_effect_length = 15;

// The filters of the clip dialog: AVI first, as the editor always offered,
// and every movie the video services read beside it.
QString video_filters() {
    QStringList filters;
    for (const video::FileFilter& filter : video::video_file_filters()) {
        filters << QString::fromStdString(filter.dialog_text());
    }
    return filters.join(QStringLiteral(";;"));
}

// "Samples" in the installation folder, with or without a trailing '/'.
QString samples_folder(bool trailing_separator) {
    const std::optional<std::filesystem::path> root = install::install_folder();
    if (!root) {
        return QString();
    }
    QString folder = QString::fromStdString(platform::resolve_entry(*root, "Samples").string());
    if (trailing_separator) {
        folder += '/';
    }
    return folder;
}

}  // namespace

void MainWindow::insert_effect() {
    auto item = std::make_unique<TimelineItem>();
    (void)host::load_starting_settings(item->settings(), {});
    const std::int16_t result = KDRGUI_Select(owner_id(), &item->settings(), 0);
    if ((static_cast<std::uint16_t>(result) & 0xFFFF) != 0) {
        return;
    }
    {
        WaitCursor wait;
        item->kind = ItemKind::effect;
        item->track = 0;
        item->start = 0;
        item->length = new_effect_length;
        const std::optional<std::int32_t> start =
            find_free_start(m_project, *item, 0, 0, item->length);
        if (!start) {
            return;
        }
        item->start = *start;
        (void)open_item(*item, std::filesystem::path(m_project.file_name).parent_path());
        m_project.selected_item = &m_project.add_item(std::move(item));
    }
    project_changed();
}

void MainWindow::insert_video() {
    insert_files(true);
}

void MainWindow::insert_bitmap() {
    insert_files(false);
}

void MainWindow::insert_files(bool video) {
    std::int32_t track = first_insert_track(m_project.selected_track);
    FileRequest request;
    request.multiple = true;
    request.preview = true;
    if (video) {
        request.title = QStringLiteral("Select Video Clip(s) To Insert");
        request.filter = video_filters();
        request.name = QStringLiteral("*.avi");
        request.default_suffix = QStringLiteral("avi");
    } else {
        request.title = QStringLiteral("Select Bitmap(s) To Insert");
        request.filter = QStringLiteral("Windows Bitmaps (*.bmp)");
        request.name = QStringLiteral("*.bmp");
        request.default_suffix = QStringLiteral("bmp");
    }
    request.folder = m_recent.last_video.empty() ? samples_folder(video)
                                                 : QString::fromStdString(m_recent.last_video);
    // The dialog's own list of full paths: a path with spaces stays whole.
    const QStringList chosen = choose_files(this, request);
    if (chosen.isEmpty()) {
        return;
    }
    const std::filesystem::path base = std::filesystem::path(m_project.file_name).parent_path();
    TimelineItem* last_added = nullptr;
    {
        WaitCursor wait;
        m_project.recompute();
        for (const QString& file : chosen) {
            const std::string path = file.toStdString();
            auto item = std::make_unique<TimelineItem>();
            item->kind = video ? ItemKind::video : ItemKind::bitmap;
            if (path.size() <= max_item_name_size) {
                item->file_name = path;
            }
            item->start = 0;
            item->length = video ? 0 : 1;
            item->track = track;
            std::optional<std::int32_t> start;
            if (open_item(*item, base).ok()) {
                start = find_free_start(m_project, *item, 0, track, item->length);
            }
            if (!start) {
                if (video) {
                    platform::show_message_box("Insert AVI Error", "Error opening AVI file " + path,
                                               platform::MessageKind::warning);
                } else {
                    platform::show_message_box(
                        "Cannot load bitmap.",
                        "Sorry, Reelbench can only load 24-bit bitmap files.  Make sure bitmap is "
                        "a 24-bit bitmap.",
                        platform::MessageKind::warning);
                }
                continue;
            }
            item->start = *start;
            last_added = &m_project.add_item(std::move(item));
            track = next_insert_track(track, m_project.track_rows);
        }
        m_recent.last_video = std::filesystem::path(chosen.front().toStdString())
                                  .parent_path()
                                  .string()
                                  .substr(0, max_item_name_size);
        (void)m_preferences.write_recent(m_recent);
        if (last_added != nullptr) {
            m_project.selected_item = last_added;
        }
    }
    project_changed();
}

void MainWindow::copy() {
    const TimelineItem* selected = m_project.selected_item;
    if (selected == nullptr) {
        return;
    }
    auto copied = std::make_unique<TimelineItem>();
    if (!copied->copy_from(*selected)) {
        return;
    }
    (void)open_item(*copied, std::filesystem::path(m_project.file_name).parent_path());
    m_clipboard = std::move(copied);
    project_changed();
}

void MainWindow::delete_item() {
    TimelineItem* selected = m_project.selected_item;
    if (selected == nullptr) {
        return;
    }
    std::unique_ptr<TimelineItem> removed = m_project.remove_item(*selected);
    removed.reset();
    project_changed();
}

void MainWindow::cut() {
    if (m_project.selected_item == nullptr) {
        return;
    }
    copy();
    delete_item();
}

void MainWindow::paste() {
    if (m_clipboard->kind == ItemKind::none) {
        return;
    }
    auto item = std::make_unique<TimelineItem>();
    if (!item->copy_from(*m_clipboard)) {
        return;
    }
    (void)open_item(*item, std::filesystem::path(m_project.file_name).parent_path());
    const PastePlace place = paste_place(item->kind, m_project.mouse_row, m_project.mouse_frame,
                                         m_project.selected_track);
    const std::optional<std::int32_t> start =
        find_free_start(m_project, *item, place.start, place.track, item->length);
    if (!start) {
        return;
    }
    item->track = place.track;
    item->start = *start;
    m_project.add_item(std::move(item));
    project_changed();
}

}  // namespace kdr::editor::window
