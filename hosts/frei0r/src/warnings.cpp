#include "warnings.h"

#include <cstdio>
#include <mutex>
#include <set>

#include "library_state.h"

namespace kdr::frei0r {
namespace {

// Enough for every distinct problem a session meets; beyond it, messages
// still go out but are no longer remembered.
constexpr std::size_t remembered_limit = 256;

}  // namespace

bool warn_once(const std::string& message) {
    LibraryState& state = library_state();
    std::lock_guard lock(state.warnings_mutex);
    std::set<std::string>& written = state.warnings_written;
    if (written.count(message) != 0) {
        return false;
    }
    if (written.size() < remembered_limit) {
        written.insert(message);
    }
    std::fprintf(stderr, "kaleidra (frei0r): %s\n", message.c_str());
    std::fflush(stderr);
    return true;
}

}  // namespace kdr::frei0r
