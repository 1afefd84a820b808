// kdr-resources: lists the plug-in resources that hosts read from a
// plug-in's library file without loading it (its section
// "kdr_resources"), and writes one of them to a file.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "kaleidra/platform/atomic_file.h"
#include "kaleidra/plugin_resources/bitmap_resource.h"
#include "kaleidra/plugin_resources/elf_section.h"
#include "resource_listing.h"

namespace {

namespace pr = kdr::plugin_resources;

void usage(std::FILE* to) {
    std::fprintf(to,
                 "Usage: kdr-resources LIBRARY\n"
                 "       kdr-resources --extract TYPE ID FILE LIBRARY\n"
                 "\n"
                 "Lists the resources a host reads from a plug-in's library file without\n"
                 "loading it: type, id (a number, or a name in quotes), size and bytes;\n"
                 "bitmaps by their size and depth.\n"
                 "\n"
                 "  --extract TYPE ID FILE  writes that resource's bytes to FILE; a BITMAP\n"
                 "                          becomes a BMP file people can open\n"
                 "  -h, --help              this text\n"
                 "\n"
                 "Exit status: 0 when the resources were listed or written, 1 when the\n"
                 "library cannot be read or carries no resources, 2 on a usage error.\n");
}

int fail(const std::string& message) {
    std::fprintf(stderr, "kdr-resources: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::string_view(argv[1]) == "-h" || std::string_view(argv[1]) == "--help")) {
        usage(stdout);
        return 0;
    }
    const bool extract = argc == 6 && std::string_view(argv[1]) == "--extract";
    if (argc != 2 && !extract) {
        usage(stderr);
        return 2;
    }
    const std::string library = argv[argc - 1];
    auto resources = pr::read_library_resources(library);
    if (!resources) {
        return fail(resources.error());
    }
    if (!extract) {
        std::fputs(kdr::tools::resource_listing(library, *resources).c_str(), stdout);
        return 0;
    }
    const pr::PluginResource* resource = kdr::tools::find_by_id(*resources, argv[2], argv[3]);
    if (resource == nullptr) {
        return fail(library + " has no resource " + argv[2] + " " + argv[3]);
    }
    std::vector<std::uint8_t> bytes = resource->data;
    if (resource->type == "BITMAP") {
        if (auto shape = pr::describe_bitmap(bytes); !shape) {
            return fail(std::string("the bitmap cannot be written as a BMP file: ") +
                        shape.error());
        }
        bytes = pr::bitmap_file(resource->data);
    }
    if (kdr::Status written =
            kdr::platform::write_file_atomically(argv[4], bytes.data(), bytes.size());
        !written) {
        return fail(written.error());
    }
    return 0;
}
