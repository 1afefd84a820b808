#pragma once
// Keeping the current catalogue "orgs/current.org" in step with the
// installed effects. The library checks at its first use: when the number
// of effect files in "EFFECTS" differs from the registry value
// "Effect_Count", or the current list is missing, the current list is
// rebuilt from the master list, keeping, group by group, the effects whose
// file can be read and whose allow word has bit 0 set, under the name
// stored in the effect (at most sixteen a group; groups left empty vanish).
// "Effect_Count" is written only after the current list was written, so a
// failed rebuild is tried again at the next start; a master list that
// cannot be read changes nothing.
//
// Reads the registry and the installation folder; call from one thread.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "kaleidra/gui/catalogue.h"

namespace kdr::gui {

inline constexpr const char* effect_count_value = "Effect_Count";

// The header values the rebuild needs: the name stored in the effect
// ("ENAM") and its allow word ("ALOW").
struct EffectHeader {
    std::string name;
    std::uint32_t allow = 0;
};

// Reads "EFFECTS" / name ".KDR" up to its first item chunk. Nothing when the
// file cannot be opened or its header cannot be read.
std::optional<EffectHeader> read_effect_header(const std::string& effect_name);

// The number of files "*.kdr" (any case) in the effects folder.
std::uint32_t count_effect_files();

struct RefreshCheck {
    std::uint32_t effect_files = 0;
    bool needed = true;
};
RefreshCheck check_catalogue();

// Called with the items handled so far and the total before each item.
using RebuildProgress = std::function<void(std::size_t done, std::size_t total)>;

// The current list made from `master`.
Catalogue rebuild_current_list(const Catalogue& master, const RebuildProgress& progress = {});

enum class RefreshResult { up_to_date, rebuilt, master_unreadable, write_failed };

// The work of a rebuild, handed to the runner below; it writes the current
// list and returns whether that succeeded.
using RebuildWork = std::function<bool(const RebuildProgress& progress)>;
// Runs the rebuild, for example inside a progress window. An empty runner
// runs it at once without progress.
using RebuildRunner = std::function<void(const RebuildWork& work)>;

RefreshResult refresh_catalogue(const RebuildRunner& runner = {});

}  // namespace kdr::gui
