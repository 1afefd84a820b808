// Reads arbitrary bytes as a path file (form "KPTH") as the path editor's
// "Load Path" does, then checks that what was read can be edited (times
// in order within 0..1, the key display and a drag work on it) and that
// our writer gives it back identical.
#include <cstdint>

#include "item_file_fuzz_support.h"
#include "kaleidra/gui/envelope_editing.h"
#include "kaleidra/gui/path_editing.h"
#include "kaleidra/scene/item_files.h"

using namespace kdr;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path file = fuzz::item_scratch_file("kdr-path-fuzz");
    static const std::filesystem::path again = fuzz::item_scratch_file("kdr-path-fuzz-again");
    if (!fuzz::write_scratch(file, data, size)) {
        return 0;
    }
    scene::Path path;
    if (read_path_file(file, path) != ItemFileRead::read) {
        if (!path.keys.empty() || path.id != 0) {
            __builtin_trap();
        }
        return 0;
    }
    if (path.keys.empty()) {
        __builtin_trap();
    }
    fuzz::check_key_times(path.keys);
    if (!write_path_file(again, path).ok()) {
        return 0;
    }
    scene::Path back;
    if (read_path_file(again, back) != ItemFileRead::read || back.differs(path)) {
        __builtin_trap();
    }
    for (int percent = 0; percent <= 100; percent += 10) {
        const float time = gui::time_of_percent(percent);
        (void)gui::path_key_display(path.keys, time);
    }
    PathKey key = gui::path_at(path.keys, 0.5f);
    (void)gui::drag_key(key, gui::PathTool::rotate, gui::view_top, gui::AxisFlags{},
                        gui::DragButtons{true, false}, 3, -4);
    gui::put_path_key(path.keys, key);
    fuzz::check_key_times(path.keys);
    return 0;
}
