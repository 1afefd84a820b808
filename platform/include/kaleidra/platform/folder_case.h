#pragma once
// Names inside the installation folder are written in fixed spellings
// ("EFFECTS", "Textures", "LIBS") that came from a file system without case.
// These helpers find what actually exists whatever its case.

#include <filesystem>
#include <string_view>

namespace kdr::platform {

// `folder / name` when it exists; otherwise the one entry of `folder` whose
// name equals `name` without regard to ASCII case (the first in sorted order
// when several do); otherwise `folder / name` unchanged.
std::filesystem::path resolve_entry(const std::filesystem::path& folder, std::string_view name);

// Resolves every component of `relative` below `base` in turn.
std::filesystem::path resolve_below(const std::filesystem::path& base,
                                    const std::filesystem::path& relative);

}  // namespace kdr::platform
