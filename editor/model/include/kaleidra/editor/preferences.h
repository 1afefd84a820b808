#pragma once
// The editor's values in the registry key "Software\Talvane\Reelbench\2.5":
// the default output settings record that every new project starts from,
// and the recent-file values (last clip folder, last output folder, the four
// recent projects and the next slot to fill).
//
// Reading the defaults follows a fixed chain of values and stops at the
// first one missing (the values read so far stay in the record); it
// succeeds only when the chain reached "PrevOptions". A value of the wrong
// type or size counts as missing. Every call reads or writes the store
// afresh; any thread may call, one record per caller.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "kaleidra/editor/output_settings.h"
#include "kaleidra/editor/project.h"
#include "kaleidra/platform/registry.h"
#include "kaleidra/platform/result.h"

namespace kdr::editor {

inline constexpr const char* editor_registry_key = "Software\\Talvane\\Reelbench\\2.5";
inline constexpr int recent_project_count = 4;

struct RecentValues {
    std::string last_video;   // folder of the last clips or bitmaps inserted
    std::string last_output;  // folder of the last final movie
    std::array<std::string, recent_project_count> projects;
    std::uint32_t next_index = 0;  // 0 .. 3

    bool operator==(const RecentValues&) const = default;
};

class Preferences {
  public:
    explicit Preferences(platform::Registry registry);
    static Preferences open_default() { return Preferences(platform::Registry::open_default()); }

    // The default output settings, into `settings`.
    bool read_defaults(OutputSettings& settings) const;
    // Writes the record as the defaults; success when everything up to the
    // final options was written (the parameter blocks do not count).
    bool write_defaults(const OutputSettings& settings) const;
    // Writes the built-in defaults (default_output_settings()).
    bool create_defaults() const;

    // All seven values, or nothing when any is missing. Longer strings keep
    // their first 255 bytes; a next slot above 3 reads as 0.
    std::optional<RecentValues> read_recent() const;
    // Stops at the first value it cannot write.
    bool write_recent(const RecentValues& values) const;

    // What the program does when it starts: when the defaults cannot be
    // read, the built-in ones are written with empty recent values; recent
    // values that are missing (or unreadable) are then written empty, so a
    // store that lost one never keeps the program from starting. Fails, with
    // the store's reason, only when the store cannot be written.
    Result<RecentValues> start_up() const;

    // Save Defaults: the recent values, then `settings` as the defaults.
    bool save_defaults(const OutputSettings& settings, const RecentValues& recent) const;

    const platform::Registry& registry() const { return m_registry; }

  private:
    platform::Registry m_registry;
};

// The name of a new project: "Untitled.KDP" in the "Projects" folder of the
// installation folder, or plain "Untitled.KDP" when that is unknown.
std::string untitled_project_name();

// The file Make Final proposes: the project's last final movie, else
// "Untitled.avi" in the last output folder, which starts as the "Work"
// folder of the installation folder.
std::filesystem::path proposed_final_path(const Project& project, const RecentValues& recent);

// Clear with the stored defaults read over the project's record, and the
// untitled name.
void clear_project(Project& project, const Preferences& preferences);

}  // namespace kdr::editor
