#include "pixel_rows.h"

#include <algorithm>
#include <cmath>

namespace kdr::photoshop {
namespace {

MaskCounts limited(int column_bytes, std::int16_t transparency, std::int16_t layer,
                   std::int16_t inverted) {
    MaskCounts counts;
    int room = std::max(column_bytes - colour_planes, 0);
    const auto take = [&room](std::int16_t wanted) {
        const int count = std::clamp<int>(wanted, 0, room);
        room -= count;
        return count;
    };
    counts.transparency = take(transparency);
    counts.layer = take(layer);
    counts.inverted = take(inverted);
    return counts;
}

}  // namespace

MaskCounts input_masks(const hostkit::PsFilterRecord& record) {
    return limited(record.in_column_bytes, record.in_transparency_mask, record.in_layer_masks,
                   record.in_inverted_layer_masks);
}

MaskCounts output_masks(const hostkit::PsFilterRecord& record) {
    return limited(record.out_column_bytes, record.out_transparency_mask, record.out_layer_masks,
                   record.out_inverted_layer_masks);
}

void read_row(const std::uint8_t* in, int column_bytes, const MaskCounts& masks,
              const std::uint8_t* mask, int width, std::uint8_t* rgba) {
    for (int x = 0; x < width; ++x, in += column_bytes, rgba += 4) {
        rgba[0] = in[0];
        rgba[1] = in[1];
        rgba[2] = in[2];
        double alpha = mask != nullptr ? mask[x] / 255.0 : 1.0;
        const std::uint8_t* plane = in + colour_planes;
        for (int i = 0; i < masks.transparency; ++i) {
            alpha *= *plane++ / 255.0;
        }
        for (int i = 0; i < masks.layer; ++i) {
            alpha *= *plane++ / 255.0;
        }
        for (int i = 0; i < masks.inverted; ++i) {
            alpha *= 1.0 - *plane++ / 255.0;
        }
        rgba[3] = static_cast<std::uint8_t>(std::lround(std::clamp(alpha, 0.0, 1.0) * 255.0));
    }
}

void write_row(const std::uint8_t* bgra, int width, const MaskCounts& masks, int column_bytes,
               std::uint8_t* out) {
    for (int x = 0; x < width; ++x, bgra += 4, out += column_bytes) {
        out[0] = bgra[2];
        out[1] = bgra[1];
        out[2] = bgra[0];
        std::uint8_t* plane = out + colour_planes;
        for (int i = 0; i < masks.transparency; ++i) {
            *plane++ = bgra[3];
        }
        for (int i = 0; i < masks.layer; ++i) {
            *plane++ = 0;
        }
        for (int i = 0; i < masks.inverted; ++i) {
            *plane++ = 255;
        }
    }
}

}  // namespace kdr::photoshop
