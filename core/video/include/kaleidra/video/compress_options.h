#pragma once
// The compression options of a movie: the 44-byte options block that project
// files and the registry store as a whole, and the compressor's opaque
// parameter block that follows it. The fields are carried byte for byte;
// only the handler and the quality mean anything to the AVI writer.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "kaleidra/platform/result.h"

namespace kdr::video {

inline constexpr std::size_t compress_options_size = 44;
// Larger parameter blocks are refused when reading stored options.
inline constexpr std::uint32_t max_parameter_size = 1u << 20;

// Four characters in reading order, as stored.
constexpr std::uint32_t make_fourcc(std::string_view text) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const auto c = static_cast<unsigned char>(i < text.size() ? text[i] : ' ');
        value |= static_cast<std::uint32_t>(c) << (8 * i);
    }
    return value;
}

// The four characters, with unprintable bytes shown as '?'.
std::string fourcc_text(std::uint32_t fourcc);

// Quality values run from 0 to 10000; this one asks for the compressor's own
// default.
inline constexpr std::uint32_t quality_default = 0xFFFFFFFFu;

struct CompressOptions {
    std::uint32_t stream_type = make_fourcc("vids");
    std::uint32_t handler = make_fourcc("DIB ");
    std::uint32_t key_frame_every = 0;
    std::uint32_t quality = quality_default;
    std::uint32_t bytes_per_second = 0;
    std::uint32_t flags = 0;
    std::uint32_t format_pointer = 0;  // meaningless once stored; kept as read
    std::uint32_t format_size = 0;
    std::uint32_t parameter_pointer = 0;  // likewise
    std::uint32_t parameter_size = 0;     // bytes in `parameters`
    std::uint32_t interleave_every = 0;
    std::vector<std::uint8_t> parameters;  // the compressor's parameter block

    bool operator==(const CompressOptions&) const = default;
};

// The 44-byte block, little-endian, followed by the parameter block. The
// stored parameter size is the size of `parameters`.
std::vector<std::uint8_t> serialize_compress_options(const CompressOptions& options);

// Reads what serialize_compress_options wrote. Fails when the data is shorter
// than 44 bytes plus the parameter size, or the parameter size exceeds
// max_parameter_size. Bytes after the parameter block are ignored.
Result<CompressOptions> deserialize_compress_options(const std::uint8_t* data, std::size_t size);

}  // namespace kdr::video
