// kdr-sample-project: writes the sample project that ships in "Projects":
// two sample clips, a bitmap and two transitions between them. The items
// name their sources relative to the project's folder ("../Samples/..."), so
// the project works wherever the installation folder lies.
//
//   kdr-sample-project OUTPUT.kdp
//   kdr-sample-project --transition EFFECT A.avi B.avi FRAMES WxH RATE OUTPUT.kdp
//
// The second form writes the benchmark's project: one transition over two
// whole clips, with uncompressed output at the given size.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "kaleidra/editor/output_settings.h"
#include "kaleidra/editor/project.h"
#include "kaleidra/editor/project_file.h"
#include "kaleidra/host/starting_settings.h"

namespace {

using namespace kdr::editor;

std::unique_ptr<TimelineItem> source(ItemKind kind, const std::string& name, std::int32_t track,
                                     std::int32_t start, std::int32_t length) {
    auto item = std::make_unique<TimelineItem>();
    item->kind = kind;
    item->file_name = name;
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

void sample_project(Project& project, const char* file) {
    OutputSettings settings = default_output_settings();
    // The sample clips run at 25 frames a second, 320 x 240.
    settings.rate = 25;
    settings.final_width = 320;
    settings.final_height = 240;
    settings.preview_width = 160;
    settings.preview_height = 120;
    project.clear(settings, file);
    // Clip A, a cube turning to clip B, clip B, a page turning to the
    // mountains, the mountains: 130 frames, 5.2 seconds.
    project.add_item(source(ItemKind::video, "../Samples/clip_a.avi", 1, 0, 60));
    project.add_item(source(ItemKind::video, "../Samples/clip_b.avi", 2, 45, 60));
    project.add_item(transition("CubeTurn", 45, 15));
    project.add_item(source(ItemKind::bitmap, "../Samples/picture_mountains.bmp", 1, 90, 40));
    project.add_item(transition("PageTurn", 90, 15));
}

bool transition_project(Project& project, char** argv) {
    const std::int32_t frames = std::atoi(argv[4]);
    int width = 0;
    int height = 0;
    const std::int32_t rate = std::atoi(argv[6]);
    if (frames < 1 || std::sscanf(argv[5], "%dx%d", &width, &height) != 2 || width < 1 ||
        height < 1 || rate < 1) {
        return false;
    }
    OutputSettings settings = default_output_settings();
    settings.rate = rate;
    settings.final_width = width;
    settings.final_height = height;
    settings.final_options.handler = kdr::video::make_fourcc("DIB ");
    project.clear(settings, argv[7]);
    project.add_item(source(ItemKind::video, argv[2], 1, 0, frames));
    project.add_item(source(ItemKind::video, argv[3], 2, 0, frames));
    project.add_item(transition(argv[1], 0, frames));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Project project;
    bool made = false;
    if (argc == 2 && std::strcmp(argv[1], "--help") != 0) {
        sample_project(project, argv[1]);
        made = true;
    } else if (argc == 9 && std::strcmp(argv[1], "--transition") == 0) {
        made = transition_project(project, argv + 1);
    }
    if (!made) {
        std::fputs(
            "Usage: kdr-sample-project OUTPUT.kdp\n"
            "       kdr-sample-project --transition EFFECT A.avi B.avi FRAMES WxH RATE "
            "OUTPUT.kdp\n",
            argc == 2 ? stdout : stderr);
        return argc == 2 ? 0 : 2;
    }
    if (kdr::Status saved = save_project(project); !saved) {
        std::fprintf(stderr, "kdr-sample-project: %s\n", saved.error().c_str());
        return 1;
    }
    return 0;
}
