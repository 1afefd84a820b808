#include "library_state.h"

namespace kdr::frei0r {

LibraryState& library_state() {
    static LibraryState state;
    return state;
}

}  // namespace kdr::frei0r
