// Effect descriptions and master-list sources as the effect compiler reads
// them: any text gives an effect or a message naming a line, in bounded time
// and memory.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "kaleidra/effectc/description_reader.h"
#include "kaleidra/effectc/master_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    kdr::effectc::ReadResult effect = kdr::effectc::read_description_text(text, "fuzz.kfx");
    if (!effect.effect && effect.error.rfind("fuzz.kfx:", 0) != 0) {
        __builtin_trap();  // every failure names the file and line
    }
    kdr::effectc::GroupListResult list = kdr::effectc::read_group_list_text(text, "fuzz.groups");
    if (!list.catalogue && list.error.rfind("fuzz.groups:", 0) != 0) {
        __builtin_trap();
    }
    return 0;
}
