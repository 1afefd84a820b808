#pragma once
// The library's state: one struct for the whole process, as the Overview
// keeps one per library. Its attach work runs at the first call from the
// calling thread (attach_library in selection.h); its detach work when the
// library is unloaded (the struct's destructor). The Qt application the
// library may have made is never destroyed: hosts may call again later, and
// Qt cannot make a second one in the same process.

#include <filesystem>
#include <string>

#include "kaleidra/gui/dialog_hook.h"
#include "kaleidra/platform/message_box.h"

namespace kdr::gui {

struct LibraryState {
    bool attached = false;
    std::filesystem::path help_file;  // HELP/KDRSlct.html, empty when unknown
    bool dialog_open = false;         // one dialog at a time
    DialogShownHook shown_hook;
    bool own_message_boxes = false;  // the library installed the Qt message boxes

    LibraryState();
    ~LibraryState();
};

LibraryState& library_state();

// Makes sure a Qt application exists and that this thread is its thread;
// false with the reason otherwise.
bool ensure_application(std::string& reason);

// Runs attach_library() when it has not run yet.
void ensure_attached();

// Whether a process of this file name gets no catalogue progress window
// (the vxDLL host runs the library inside a window-less render loop).
bool process_wants_no_progress_window(const std::string& process_file_name);

}  // namespace kdr::gui
