#include "kaleidra/video/compress_options.h"

namespace kdr::video {
namespace {

std::uint32_t load_u32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void store_u32(std::uint8_t* bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

}  // namespace

std::string fourcc_text(std::uint32_t fourcc) {
    std::string text(4, ' ');
    for (int i = 0; i < 4; ++i) {
        const auto c = static_cast<unsigned char>(fourcc >> (8 * i));
        text[i] = c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    }
    return text;
}

std::vector<std::uint8_t> serialize_compress_options(const CompressOptions& options) {
    std::vector<std::uint8_t> bytes(compress_options_size + options.parameters.size());
    const std::uint32_t words[11] = {
        options.stream_type,       options.handler,
        options.key_frame_every,   options.quality,
        options.bytes_per_second,  options.flags,
        options.format_pointer,    options.format_size,
        options.parameter_pointer, static_cast<std::uint32_t>(options.parameters.size()),
        options.interleave_every};
    for (int i = 0; i < 11; ++i) {
        store_u32(&bytes[4 * i], words[i]);
    }
    std::copy(options.parameters.begin(), options.parameters.end(),
              bytes.begin() + compress_options_size);
    return bytes;
}

Result<CompressOptions> deserialize_compress_options(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || size < compress_options_size) {
        return Error{"the compression options hold " + std::to_string(size) + " bytes, " +
                     std::to_string(compress_options_size) + " expected"};
    }
    CompressOptions options;
    std::uint32_t* fields[11] = {
        &options.stream_type,    &options.handler,          &options.key_frame_every,
        &options.quality,        &options.bytes_per_second, &options.flags,
        &options.format_pointer, &options.format_size,      &options.parameter_pointer,
        &options.parameter_size, &options.interleave_every};
    for (int i = 0; i < 11; ++i) {
        *fields[i] = load_u32(data + 4 * i);
    }
    if (options.parameter_size > max_parameter_size) {
        return Error{"the compressor's parameter block claims " +
                     std::to_string(options.parameter_size) + " bytes, more than " +
                     std::to_string(max_parameter_size)};
    }
    if (size - compress_options_size < options.parameter_size) {
        return Error{"the compressor's parameter block holds " +
                     std::to_string(size - compress_options_size) + " bytes, " +
                     std::to_string(options.parameter_size) + " expected"};
    }
    options.parameters.assign(data + compress_options_size,
                              data + compress_options_size + options.parameter_size);
    return options;
}

}  // namespace kdr::video
