// kdr-sample-project: writes the sample project that ships in "Projects":
// two sample clips, a bitmap and two transitions between them. The items
// name their sources relative to the project's folder ("../Samples/..."), so
// the project works wherever the installation folder lies.
//
//   kdr-sample-project OUTPUT.kdp

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "kaleidra/editor/output_settings.h"
#include "kaleidra/editor/project.h"
#include "kaleidra/editor/project_file.h"
#include "kaleidra/host/starting_settings.h"

namespace {

using namespace kdr::editor;

std::unique_ptr<TimelineItem> source(ItemKind kind, const char* name, std::int32_t track,
                                     std::int32_t start, std::int32_t length) {
    auto item = std::make_unique<TimelineItem>();
    item->kind = kind;
    item->file_name = std::string("../Samples/") + name;
    item->track = track;
    item->start = start;
    item->length = length;
    return item;
}

std::unique_ptr<TimelineItem> transition(const char* effect, std::int32_t start,
                                         std::int32_t length) {
    auto item = std::make_unique<TimelineItem>();
    item->kind = ItemKind::effect;
    item->track = 0;
    item->start = start;
    item->length = length;
    item->tracks_used = 2;
    item->effect_type = 1;
    kdr::host::apply_builtin_defaults(item->settings());
    std::strncpy(item->settings().name, effect, kdr::effect_name_size - 1);
    return item;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
        std::fputs("Usage: kdr-sample-project OUTPUT.kdp\n", argc == 2 ? stdout : stderr);
        return argc == 2 ? 0 : 2;
    }
    Project project;
    OutputSettings settings = default_output_settings();
    // The sample clips run at 25 frames a second, 320 x 240.
    settings.rate = 25;
    settings.final_width = 320;
    settings.final_height = 240;
    settings.preview_width = 160;
    settings.preview_height = 120;
    project.clear(settings, argv[1]);
    // Clip A, a cube turning to clip B, clip B, a page turning to the
    // mountains, the mountains: 130 frames, 5.2 seconds.
    project.add_item(source(ItemKind::video, "clip_a.avi", 1, 0, 60));
    project.add_item(source(ItemKind::video, "clip_b.avi", 2, 45, 60));
    project.add_item(transition("CubeTurn", 45, 15));
    project.add_item(source(ItemKind::bitmap, "picture_mountains.bmp", 1, 90, 40));
    project.add_item(transition("PageTurn", 90, 15));
    if (kdr::Status saved = save_project(project); !saved) {
        std::fprintf(stderr, "kdr-sample-project: %s\n", saved.error().c_str());
        return 1;
    }
    return 0;
}
