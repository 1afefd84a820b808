#pragma once
// For tests: makes image_convert use its portable row loops even where the
// processor offers faster ones, so both are checked on one machine.

namespace kdr {

void force_portable_conversion(bool portable);

}  // namespace kdr
