// Reads arbitrary bytes as a catalogue file (form "KDRG"), from a file as
// the effect page and the refresh read them and as a memory block, then
// checks what was read keeps to the catalogue's limits and writes back to
// what was read.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/gui/catalogue_file.h"

using namespace kdr;

namespace {

std::string temporary_file() {
    static const std::string name = (std::filesystem::temp_directory_path() /
                                     ("kdr-catalogue-fuzz-" + std::to_string(::getpid())))
                                        .string();
    return name;
}

void check_limits(const gui::Catalogue& catalogue) {
    for (const gui::CatalogueGroup& group : catalogue.groups()) {
        if (group.name.size() > gui::Catalogue::group_name_length ||
            group.name.find('\0') != std::string::npos ||
            group.items.size() > gui::Catalogue::max_items) {
            __builtin_trap();
        }
        for (const std::string& item : group.items) {
            if (item.size() > gui::Catalogue::item_name_length ||
                item.find('\0') != std::string::npos) {
                __builtin_trap();
            }
        }
    }
}

void check_round_trip(const gui::Catalogue& catalogue) {
    const std::vector<std::uint8_t> block = gui::catalogue_to_block(catalogue);
    auto stream =
        chunks::ChunkStream::open_memory_reader(block.data(), block.size(), gui::catalogue_form);
    gui::Catalogue again;
    if (block.empty() || !gui::read_catalogue(again, stream) || !(again == catalogue)) {
        __builtin_trap();  // what we write must read back the same
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(temporary_file().c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    gui::Catalogue from_file;
    (void)gui::read_catalogue(from_file, temporary_file());
    check_limits(from_file);
    check_round_trip(from_file);

    // The same bytes after a size word, as a memory block.
    std::vector<std::uint8_t> block(size + 4);
    const std::uint32_t total = static_cast<std::uint32_t>(block.size());
    std::memcpy(block.data(), &total, 4);
    if (size > 0) {
        std::memcpy(block.data() + 4, data, size);
    }
    auto stream =
        chunks::ChunkStream::open_memory_reader(block.data(), block.size(), gui::catalogue_form);
    gui::Catalogue from_memory;
    (void)gui::read_catalogue(from_memory, stream);
    check_limits(from_memory);
    if (!(from_memory == from_file)) {
        __builtin_trap();  // file and memory readers agree
    }
    return 0;
}
