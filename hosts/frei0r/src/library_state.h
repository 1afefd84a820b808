#pragma once
// The state of the transition library, one per process, shared by all its
// instances: what they have seen of the host's frame times (FrameClock),
// and the warnings already written. Made by the first call that needs it
// (f0r_init, or the first warning), never by loading the library: hosts
// load and unload frei0r plug-ins just to list them. Thread-safe.

#include <mutex>
#include <set>
#include <string>

#include "frame_positions.h"

namespace kdr::frei0r {

struct LibraryState {
    FrameClock clock;
    std::mutex warnings_mutex;
    std::set<std::string> warnings_written;
};

LibraryState& library_state();

}  // namespace kdr::frei0r
