// Parses arbitrary bytes as an update script (update.data): huge command
// counts, long fields, unclosed braces, lines without CR LF.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "kaleidra/updater/script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kdr::updater;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    // A long installation folder makes every {KDRDIR} expand 64-fold.
    const FolderValues known{std::string(512, 'k'), "/etc/xdg", "/usr/local/lib"};
    const FolderValues unknown{std::nullopt, "/etc/xdg", "/usr/local/lib"};
    ParseLimits limits;
    limits.expanded_bytes = std::size_t{1} << 20;
    for (const FolderValues* folders : {&known, &unknown}) {
        kdr::Result<Script> script = parse_script(
            text, [&](const std::string&) { return *folders; }, limits);
        if (!script) {
            continue;
        }
        std::size_t expanded = 0;
        for (const CommandRecord& record : script->records) {
            if ((record.line.size() <= 2 || record.line[1] != ',') && record.letter != 0) {
                __builtin_trap();  // a short or comma-less line leaves the record empty
            }
            if (record.needs_installation && folders == &known) {
                __builtin_trap();  // only an unknown folder is ever missing
            }
            for (const std::string& argument : record.arguments) {
                expanded += argument.size();
            }
        }
        // Records exist only for lines present and never beyond the count.
        if (script->records.size() > size / 2 ||
            static_cast<std::int64_t>(script->records.size()) >
                std::max<std::int64_t>(script->declared_count, 0) ||
            expanded > limits.expanded_bytes) {
            __builtin_trap();
        }
    }
    return 0;
}
