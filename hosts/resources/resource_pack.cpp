// kdr-resource-pack: turns a plug-in's resource list into the C++ source
// that puts its resource table into the plug-in's section (see
// lib/plugin_resources). A build step, not a tool for users.
// Usage: kdr-resource-pack LIST FILE_FOLDER OUTPUT.cpp

#include <cstdio>
#include <filesystem>
#include <string>

#include "kaleidra/platform/atomic_file.h"
#include "kaleidra/plugin_resources/embedded_source.h"
#include "kaleidra/plugin_resources/resource_list.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "Usage: kdr-resource-pack LIST FILE_FOLDER OUTPUT.cpp\n");
        return 2;
    }
    const std::filesystem::path list = argv[1];
    kdr::Result<std::string> text = kdr::platform::read_whole_file(list);
    if (!text) {
        std::fprintf(stderr, "kdr-resource-pack: %s\n", text.error().c_str());
        return 1;
    }
    auto resources = kdr::plugin_resources::parse_resource_list(*text, argv[2]);
    if (!resources) {
        std::fprintf(stderr, "kdr-resource-pack: %s: %s\n", list.string().c_str(),
                     resources.error().c_str());
        return 1;
    }
    auto table = kdr::plugin_resources::write_resource_table(*resources);
    if (!table) {
        std::fprintf(stderr, "kdr-resource-pack: %s: %s\n", list.string().c_str(),
                     table.error().c_str());
        return 1;
    }
    const std::string source =
        kdr::plugin_resources::embedded_table_source(*table, list.filename().string());
    if (kdr::Status written = kdr::platform::write_file_atomically(argv[3], source); !written) {
        std::fprintf(stderr, "kdr-resource-pack: %s\n", written.error().c_str());
        return 1;
    }
    return 0;
}
