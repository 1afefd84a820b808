#pragma once
// The numbered settings files of the hosts that keep only a number for a
// transition (the vxDLL hosts: extension "HUL"; the PI_ hosts: "HMC"): in
// the installation's work folder, named by the decimal number and the
// extension ("1234.HUL"), each the settings as a chunk file of form "KDRR".
//
// Numbers count 1, 2, ... 99, 101, 102, ... (100 is never used: the vxDLL
// host shows a number as hundreds and units). A new transition claims the
// first number whose file does not exist by creating that file exclusively,
// so two hosts (or two instances) saving at once never share a number;
// every write goes to a temporary file renamed over the numbered one, so a
// reader sees the old settings or the new, never half of them.
//
// Reading treats the file as hostile: its size is limited, and a file of
// another form or one cut inside a chunk is refused whole. No state; any thread may call these.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>

#include "kaleidra/platform/result.h"
#include "kaleidra/records/layout.h"

namespace kdr::settings_files {

inline constexpr const char* vxdll_extension = "HUL";
inline constexpr const char* pi_extension = "HMC";

// Numbers above this are never claimed: a work folder that holds every
// number below it is full.
inline constexpr std::int32_t max_settings_number = 999999;

// The number after `number` in the order of new numbers (99 -> 101).
std::int32_t next_settings_number(std::int32_t number);

// The settings file of `number` in the work folder (found without regard to
// case), or nothing when the number is not positive or there is no
// installation folder.
std::optional<std::filesystem::path> settings_file_path(std::int32_t number, const char* extension);

// Replaces `settings` with the file's. False, `settings` as they were, when
// the file is missing, empty, too large, of another form, damaged (cut
// inside a chunk), or memory runs out.
[[nodiscard]] bool load_settings_file(EffectSettings& settings, const std::filesystem::path& file);
// The same for the bytes of a settings file in memory.
[[nodiscard]] bool load_settings_bytes(EffectSettings& settings, const void* data,
                                       std::size_t size);
// The file of `number`; false for a number that is not positive.
[[nodiscard]] bool load_numbered_settings(EffectSettings& settings, std::int32_t number,
                                          const char* extension);

// Claims the first free number in `folder` by creating its file (empty)
// exclusively. Fails, saying why, when the folder is missing or cannot be
// written, or every number up to max_settings_number is taken.
[[nodiscard]] Result<std::int32_t> claim_settings_number(const std::filesystem::path& folder,
                                                         const char* extension);

// Writes `settings` as the file of `number` in `folder`, or under a newly
// claimed number when `number` is not positive, and returns the number
// written. On failure the file of an existing number keeps its old
// settings, and a number claimed for the write is given up again.
[[nodiscard]] Result<std::int32_t> save_settings_file(const EffectSettings& settings,
                                                      const std::filesystem::path& folder,
                                                      std::int32_t number, const char* extension);
// The same in the installation's work folder.
[[nodiscard]] Result<std::int32_t> save_numbered_settings(const EffectSettings& settings,
                                                          std::int32_t number,
                                                          const char* extension);

}  // namespace kdr::settings_files
