#pragma once
// The update script "update.data": four header lines (registry key, a number,
// a text, the number N of commands) and up to N command lines such as
// "C,{KDRDIR}/,plugin.dll". Lines end with CR LF; text after the last CR LF
// is not a line. A command line is split at commas, runs of commas counting
// as one; in each argument "{KDRDIR}", "{WINDIR}" and "{SYSDIR}" (exact
// case) become the installation, Windows and system folders, and any other
// "{...}" group is dropped. The folders are asked for once line 2 is read.
//
// The parser allocates in proportion to its input: records exist only for
// lines present, however large N is, and the expanded arguments together are
// capped (a script that would exceed the cap is refused, never cut).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kaleidra/platform/result.h"

namespace kdr::updater {

// The folder texts that the macros expand to. `installation` is empty when
// the registry does not hold a usable installation folder.
struct FolderValues {
    std::optional<std::string> installation;
    std::string windows;
    std::string system;
};

using FolderFetcher = std::function<FolderValues(const std::string& key)>;

// One command line. A line that is too short or has no comma second holds
// letter 0 and no arguments.
struct CommandRecord {
    char letter = 0;
    std::vector<std::string> arguments;
    // The line named {KDRDIR} while the installation folder was unknown.
    bool needs_installation = false;
    // The line as written, for messages.
    std::string line;

    // The argument at `index`, or an empty text when the line had fewer.
    const std::string& argument(std::size_t index) const;
};

struct Script {
    std::string key;
    std::int32_t number = 0;
    std::string text;
    std::int32_t declared_count = 0;
    bool header_complete = false;
    std::vector<CommandRecord> records;
    std::size_t ignored_lines = 0;  // command lines beyond the N-th
    std::size_t ignored_bytes = 0;  // text after the last CR LF
};

struct ParseLimits {
    std::size_t expanded_bytes = std::size_t{64} << 20;
};

Result<Script> parse_script(std::string_view text, const FolderFetcher& fetch_folders,
                            const ParseLimits& limits = {});

// A decimal number read the old way: leading white space, a sign, digits up
// to the first other character; nothing readable is 0 and a value beyond the
// 32-bit range stops at its end, as the old runtime's reader did.
std::int32_t parse_decimal(std::string_view text);

}  // namespace kdr::updater
