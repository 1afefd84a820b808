#pragma once
// The file dialogs the pages and editors open: Qt's own dialog (not the
// desktop's), so that the video picker can hold its preview panel and
// every dialog behaves alike everywhere. Each is shown to the dialog hook
// (DialogKind::file_dialog) before it runs.

#include <QString>

#include <filesystem>
#include <optional>

class QWidget;

namespace kdr::gui {

// Envelope and path files under the installation folder.
struct ItemFileDialog {
    const char* title;   // "Load An Envelope"
    const char* folder;  // "Envelopes", found without regard to case
    const char* name;    // the file-name field's start: "*.env"
    const char* filter;  // "Kaleidra Envelopes (*.env)"
    const char* suffix;  // added to a name typed without one: "env"
    bool save = false;   // saving: the folder must exist; opening: the file too
};

std::optional<std::filesystem::path> choose_item_file(QWidget* parent,
                                                      const ItemFileDialog& dialog);

// The Objects page's "&Select" for mapping-list entry 1 (AVI), 2 (BMP
// sequence) or 3 (TGA sequence): "Select video to map onto object", with
// the entry's filter and default extension, the file-name field starting
// with the pattern, the file required to exist, and the preview panel
// (choose_video_files). Nothing for other entries or when cancelled.
std::optional<QString> choose_video_file(QWidget* parent, int entry);

}  // namespace kdr::gui
