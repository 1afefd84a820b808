#pragma once
// The master list of the effect catalogue: named groups of at most sixteen
// effects, stored as a "KDRG" chunked file with one "OGRP" chunk per group
// (its name with the terminating zero) followed by one "OITM" chunk per
// effect name. Its source in the repository is a plain text file:
//
//   group "Turns and Flips"
//     FlipOver
//     CubeTurn
//
// Blank lines and "#" comments are ignored.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kdr::effectc {

struct CatalogueGroup {
    std::string name;
    std::vector<std::string> effects;
};
using Catalogue = std::vector<CatalogueGroup>;

inline constexpr std::size_t max_group_effects = 16;
inline constexpr std::size_t max_group_name_length = 41;
inline constexpr std::size_t max_effect_name_length = 40;

struct GroupListResult {
    std::optional<Catalogue> catalogue;
    std::string error;  // "file:line: message"
};

// Reads the text form. Fails on an effect before the first group, a group
// without effects, more than sixteen effects in a group, names that do not
// fit, and an effect listed twice.
GroupListResult read_group_list_text(std::string_view text, const std::string& file_name);
GroupListResult read_group_list(const std::filesystem::path& file);

// Writes the "KDRG" file; the target is replaced only when all was written.
// Returns an empty string on success, else a message.
std::string write_catalogue(const Catalogue& catalogue, const std::filesystem::path& file);

// Reads a "KDRG" file back as the catalogue does: "OGRP" starts a group,
// "OITM" adds to the latest one ("OITM" before any group is ignored), other
// chunks are skipped. Nothing when the file cannot be read to its end.
std::optional<Catalogue> read_catalogue(const std::filesystem::path& file);

}  // namespace kdr::effectc
