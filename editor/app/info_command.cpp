#include <cstdio>

#include "commands.h"

namespace kdr::editor::app {

int info_command(const CommandLine& line) {
    Project project;
    if (Status loaded = load_project_file(project, line.project); !loaded) {
        std::fprintf(stderr, "reelbench: %s\n", loaded.error().c_str());
        return 1;
    }
    const OutputSettings& output = project.output;
    int effects = 0;
    for (const auto& item : project.items()) {
        effects += item->kind == ItemKind::effect ? 1 : 0;
    }
    std::printf(
        "frames %d\nrate %d\nfinal %dx%d\npreview %dx%d\nfields %d\nitems %d\n"
        "effects %d\n",
        project.project_length, output.rate, output.final_width, output.final_height,
        output.preview_width, output.preview_height, output.field_mode, project.item_count(),
        effects);
    return 0;
}

}  // namespace kdr::editor::app
