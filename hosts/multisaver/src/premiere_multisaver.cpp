#include "premiere_multisaver.h"

#include <algorithm>
#include <cstring>

#include "kaleidra/hostkit/host_pictures.h"
#include "work_images.h"

namespace kdr::multisaver {
namespace {

void save(hostkit::PremiereVideoRecord& video) {
    Result<hostkit::PixelMapView> source = hostkit::view_pixel_map(video.source);
    Result<hostkit::PixelMapView> destination = hostkit::view_pixel_map(video.destination);
    if (source) {
        const bool fields = (video.field_byte & 0x03) != 0;
        const std::int32_t part = std::max(video.part, 0);
        const int parity = fields ? part % 2 : 0;
        Result<host::HostPicture> picture =
            hostkit::pixel_map_picture(*source, source->width, source->height);
        if (picture) {
            FrameToSave frame;
            frame.frame = part - parity;
            frame.width = source->width;
            frame.height = source->height;
            frame.parity_digit = parity;
            frame.picture = *picture;
            (void)save_frame(frame);
        }
    }
    // Black, row by row with the destination's own row length, over the
    // source's size as far as the destination holds it.
    if (destination) {
        const std::int32_t width =
            source ? std::min(source->width, destination->width) : destination->width;
        const std::int32_t height =
            source ? std::min(source->height, destination->height) : destination->height;
        for (std::int32_t y = 0; y < height; ++y) {
            std::memset(destination->pixels + static_cast<std::size_t>(y) *
                                                  static_cast<std::size_t>(destination->row_bytes),
                        0, static_cast<std::size_t>(width) * 4);
        }
    }
}

}  // namespace

std::int32_t premiere_filter(std::int16_t selector, hostkit::PremiereVideoHandle video) {
    if (selector == hostkit::premiere_filter_execute && video != nullptr && *video != nullptr) {
        save(**video);
    }
    return 0;
}

}  // namespace kdr::multisaver
