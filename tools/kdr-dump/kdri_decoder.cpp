// Decodes the chunks of image files (form "KDRI"): the geometry fields, the
// bias block and the pixel chunk, with a summary that checks the pixel
// chunk against the size the geometry gives.

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "form_decoders.h"
#include "kaleidra/records/image_record.h"

namespace kdr::dump {
namespace {

using chunks::make_id;

std::uint32_t load_u32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

const char* format_name(std::uint8_t format) {
    const char* name = image_format_name(format);
    return name != nullptr ? name : "unknown format";
}

class KdriDecoder : public FormDecoder {
  public:
    KdriDecoder() { image_construct(m_image); }

    std::vector<std::string> describe(const chunks::Chunk& chunk) override {
        if (std::uint32_t* field = u32_field(chunk.id)) {
            if (chunk.length < 4) {
                return {"too short for a 32-bit value"};
            }
            *field = load_u32(chunk.data);
            return {u32_name(chunk.id) + " " + std::to_string(*field)};
        }
        if (std::uint8_t* field = u8_field(chunk.id)) {
            if (chunk.length < 1) {
                return {"empty"};
            }
            *field = chunk.data[0];
            return {u8_text(chunk.id, *field)};
        }
        if (chunk.id == make_id("IBIS")) {
            std::memcpy(m_image.bias, chunk.data, std::min<std::size_t>(chunk.length, 16));
            char text[160];
            std::snprintf(text, sizeof text, "bias %08x %08x %08x %08x (as floats %g %g %g %g)",
                          m_image.bias[0], m_image.bias[1], m_image.bias[2], m_image.bias[3],
                          image_bias(m_image, 0), image_bias(m_image, 1), image_bias(m_image, 2),
                          image_bias(m_image, 3));
            return {text};
        }
        if (chunk.id == make_id("IDAT")) {
            m_pixel_bytes = chunk.length;
            m_pixels_seen = true;
            ImageRecord geometry = m_image;
            if (geometry.alignment == 0 || !image_update_sizes(geometry)) {
                return {"pixels " + std::to_string(chunk.length) +
                        " bytes (the geometry so far gives no size)"};
            }
            return {"pixels " + std::to_string(chunk.length) + " bytes, the geometry gives " +
                    std::to_string(geometry.size) +
                    (chunk.length < geometry.size ? " (the rest reads as zero)" : "")};
        }
        return {"not an image chunk: skipped by readers"};
    }

    std::vector<std::string> finish() override {
        ImageRecord geometry = m_image;
        const bool sized = geometry.alignment != 0 && image_update_sizes(geometry);
        std::vector<std::string> lines;
        lines.push_back(
            "image " + std::to_string(geometry.width) + " x " + std::to_string(geometry.height) +
            ", format " + std::to_string(geometry.format) + " (" + format_name(geometry.format) +
            "), " + std::to_string(geometry.bytes_per_pixel) + " bytes per pixel, alignment " +
            std::to_string(geometry.alignment) + ", " +
            (geometry.row_order == row_order_top_down ? "top row first" : "bottom row first"));
        lines.push_back("stored " + std::to_string(geometry.row_length) + " x " +
                        std::to_string(geometry.stored_rows) + ", skipping " +
                        std::to_string(geometry.skip_pixels) + " pixels and " +
                        std::to_string(geometry.skip_rows) + " rows" +
                        (sized ? ", stride " + std::to_string(geometry.stride) + ", size " +
                                     std::to_string(geometry.size)
                               : ""));
        if (!m_pixels_seen) {
            lines.push_back("no IDAT chunk: readers find no pixels");
        } else if (sized && m_pixel_bytes != geometry.size) {
            lines.push_back("IDAT holds " + std::to_string(m_pixel_bytes) + " bytes, not " +
                            std::to_string(geometry.size));
        }
        return lines;
    }

  private:
    std::uint32_t* u32_field(chunks::ChunkId id) {
        switch (id) {
            case make_id("IWID"):
                return &m_image.width;
            case make_id("IHIT"):
                return &m_image.height;
            case make_id("IPXR"):
                return &m_image.row_length;
            case make_id("ITRW"):
                return &m_image.stored_rows;
            case make_id("ISKP"):
                return &m_image.skip_pixels;
            case make_id("ISKR"):
                return &m_image.skip_rows;
            default:
                return nullptr;
        }
    }
    static std::string u32_name(chunks::ChunkId id) {
        switch (id) {
            case make_id("IWID"):
                return "width";
            case make_id("IHIT"):
                return "height";
            case make_id("IPXR"):
                return "row length";
            case make_id("ITRW"):
                return "stored rows";
            case make_id("ISKP"):
                return "pixels to skip";
            default:
                return "rows to skip";
        }
    }
    std::uint8_t* u8_field(chunks::ChunkId id) {
        switch (id) {
            case make_id("IFMT"):
                return &m_image.format;
            case make_id("IBPP"):
                return &m_image.bytes_per_pixel;
            case make_id("IALN"):
                return &m_image.alignment;
            case make_id("IORD"):
                return &m_image.row_order;
            default:
                return nullptr;
        }
    }
    static std::string u8_text(chunks::ChunkId id, std::uint8_t value) {
        const std::string number = std::to_string(value);
        switch (id) {
            case make_id("IFMT"):
                return "format " + number + " (" + format_name(value) + ")";
            case make_id("IBPP"):
                return "bytes per pixel " + number;
            case make_id("IALN"):
                return "alignment " + number;
            default:
                return "row order " + number +
                       (value == row_order_top_down ? " (top row first)" : " (bottom row first)");
        }
    }

    ImageRecord m_image;  // geometry only; never holds a buffer
    std::uint32_t m_pixel_bytes = 0;
    bool m_pixels_seen = false;
};

}  // namespace

std::unique_ptr<FormDecoder> make_kdri_decoder() {
    return std::make_unique<KdriDecoder>();
}

}  // namespace kdr::dump
