#pragma once
// Fl-KdrM30, the multisaver filter for Premiere, behind its entry point
// xFilter: for selector 0 it saves the frame of its track (work_images.h)
// with the field's parity digit, both fields of a frame sharing the frame
// number of the even part, and clears its output to black. Called from the
// host's thread, one request at a time; no state.

#include <cstdint>

#include "kaleidra/hostkit/premiere_records.h"

namespace kdr::multisaver {

std::int32_t premiere_filter(std::int16_t selector, hostkit::PremiereVideoHandle video);

}  // namespace kdr::multisaver
