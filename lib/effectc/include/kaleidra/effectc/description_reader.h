#pragma once
// Reads an effect description: a line-oriented text in which each line is a
// header value ("effect Ballsplt", "videos \"Outgoing\" \"Incoming\""), a
// named value ("let D = 4"), a loop ("repeat i 0 11" ... "end"), an item
// ("camera 1", "surface 2 video 1", "object 10") or a clause of the item
// declared last ("at 0 0 -D", "mesh quad width W height H", "key 1 pos 0 0 -9").
// content/README.md describes the language.
//
// Every failure, from a stray character to a morph target of the wrong
// size, is reported as "file:line: message" and nothing is returned.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "kaleidra/effectc/description.h"

namespace kdr::effectc {

struct ReadResult {
    std::optional<EffectSource> effect;
    std::string error;  // "file:line: message" when effect is empty
};

ReadResult read_description(const std::filesystem::path& file);
// `file_name` is only used in messages and locations.
ReadResult read_description_text(std::string_view text, const std::string& file_name);

}  // namespace kdr::effectc
