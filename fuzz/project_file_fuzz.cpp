// Reads arbitrary bytes as a project file ("KDRP"): the output settings,
// parameter blocks, view values and items with their embedded settings
// blocks, through the editor's loader with an opener that touches no file.
// What was loaded is then stored again, its derived values computed and its
// first frames planned, so hostile numbers reach everything that uses them.
#include <algorithm>
#include <cstring>
#include <vector>

#include "kaleidra/editor/frame_plan.h"
#include "kaleidra/editor/project_file.h"
#include "kaleidra/platform/message_box.h"
#include "scene_fuzz_support.h"

using namespace kdr;
using namespace kdr::editor;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::use_private_registry();
    platform::set_message_box_handler(
        [](const std::string&, const std::string&, platform::MessageKind) {
            return platform::MessageAnswer::ok;
        });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The memory form of the container: its total size, then the file's
    // bytes (form identifier and chunks).
    std::vector<std::uint8_t> block(size + 4);
    const auto total = static_cast<std::uint32_t>(block.size());
    std::memcpy(block.data(), &total, 4);
    if (size > 0) {
        std::memcpy(block.data() + 4, data, size);
    }
    chunks::ChunkStream stream = chunks::ChunkStream::open_memory_reader(block.data(), block.size(),
                                                                         chunks::make_id("KDRP"));

    Project project;
    project.clear(default_output_settings(), "fuzz.kdp");
    const ItemOpener accept = [](TimelineItem&) { return Status::success(); };
    (void)load_project_chunks(project, stream, accept);

    (void)encode_output_settings(project.output);
    for (const auto& item : project.items()) {
        const std::vector<std::uint8_t> stored = encode_item(*item);
        if (stored.size() < item_chunk_header_size || item->length <= 0 || item->start < 0) {
            __builtin_trap();  // refused values never reach the project
        }
    }
    project.recompute();
    project.recompute_view({52, 37, 851, 500});
    FramePlanner planner(project.items());
    const std::int32_t frames = std::min<std::int32_t>(project.project_length, 64);
    for (std::int32_t f = 0; f < frames; ++f) {
        (void)planner.plan(f);
    }
    return 0;
}
