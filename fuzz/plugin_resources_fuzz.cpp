// Reads arbitrary bytes as a plug-in's library file (an ELF file with the
// resource section), as a resource table on its own, as a bitmap resource
// and as a resource list; what reads as a table must write back to the
// same table.
#include <cstdint>
#include <string_view>

#include "kaleidra/plugin_resources/bitmap_resource.h"
#include "kaleidra/plugin_resources/elf_section.h"
#include "kaleidra/plugin_resources/resource_list.h"
#include "kaleidra/plugin_resources/resource_table.h"

using namespace kdr::plugin_resources;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    (void)library_resources(bytes);
    (void)describe_bitmap(bytes);
    // Files named by the list are looked for in a folder that does not
    // exist, so the fuzzer reads nothing of the machine.
    (void)parse_resource_list(std::string_view(reinterpret_cast<const char*>(data), size),
                              "/nonexistent-kaleidra-fuzz");

    auto table = read_resource_table(bytes);
    if (table) {
        auto written = write_resource_table(*table);
        if (!written) {
            __builtin_trap();  // whatever the reader accepts, the writer can write
        }
        auto again = read_resource_table(*written);
        if (!again || *again != *table) {
            __builtin_trap();
        }
    }
    return 0;
}
