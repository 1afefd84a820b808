#pragma once
// The defaults file "Work/Defaults.KRI": a settings record saved by the
// Settings page's "Save default options" in its stored form (a chunked file
// of form "KDRR"), loaded into the record whenever a host opens the dialog
// with an empty record. Saving replaces the file atomically; loading reads
// into a scratch record first, so a damaged file leaves the host's record
// as it was.

#include <filesystem>
#include <optional>

#include "kaleidra/records/layout.h"

namespace kdr::gui {

enum class DefaultsSave {
    saved,
    no_file_name,   // the installation folder is unknown
    cannot_create,  // the file could not be created or written completely
};

std::optional<std::filesystem::path> defaults_file_path();

DefaultsSave save_defaults(const EffectSettings& record);

// Reads the file into `record` and empties the record's effect name. False,
// leaving the record untouched, when the file is missing or cannot be read
// to its end.
bool load_defaults(EffectSettings& record);

}  // namespace kdr::gui
