// Reads arbitrary bytes as the multisaver's frame marker file.
#include <cstdint>

#include "kaleidra/hostkit/frame_marker.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    (void)kdr::hostkit::read_frame_marker_bytes(data, size);
    return 0;
}
