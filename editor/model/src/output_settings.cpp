#include "kaleidra/editor/output_settings.h"

#include <algorithm>
#include <cstring>

#include "little_endian.h"

namespace kdr::editor {
namespace {

using detail::load_i32;
using detail::load_u32;
using detail::store_i32;
using detail::store_u32;

constexpr std::size_t main_window_at = 0;
constexpr std::size_t player_window_at = 16;
constexpr std::size_t preview_options_at = 32;
constexpr std::size_t preview_width_at = 76;
constexpr std::size_t preview_height_at = 80;
constexpr std::size_t last_final_at = 84;
constexpr std::size_t final_options_at = 340;
static_assert(final_options_at - last_final_at == max_last_final_size + 1);
constexpr std::size_t rate_at = 384;
constexpr std::size_t final_width_at = 388;
constexpr std::size_t final_height_at = 392;
constexpr std::size_t field_mode_at = 396;

void store_placement(std::uint8_t* bytes, const WindowPlacement& placement) {
    store_i32(bytes, placement.left);
    store_i32(bytes + 4, placement.top);
    store_i32(bytes + 8, placement.width);
    store_i32(bytes + 12, placement.height);
}

WindowPlacement load_placement(const std::uint8_t* bytes) {
    return {load_i32(bytes), load_i32(bytes + 4), load_i32(bytes + 8), load_i32(bytes + 12)};
}

}  // namespace

video::CompressOptions default_compress_options() {
    video::CompressOptions options;
    options.stream_type = video::make_fourcc("vids");
    options.handler = video::make_fourcc("msvc");
    options.key_frame_every = 7;
    options.quality = 7500;
    options.bytes_per_second = 0;
    options.flags = 12;
    std::vector<std::uint8_t> block(4);
    store_u32(block.data(), 75);
    set_parameters(options, std::move(block));
    return options;
}

OutputSettings default_output_settings() {
    OutputSettings settings;
    settings.preview_options = default_compress_options();
    settings.preview_width = 64;
    settings.preview_height = 48;
    settings.final_options = default_compress_options();
    settings.rate = 30;
    settings.final_width = 160;
    settings.final_height = 120;
    settings.field_mode = field_mode_frames;
    return settings;
}

void set_parameters(video::CompressOptions& options, std::vector<std::uint8_t> parameters) {
    options.parameters = std::move(parameters);
    options.parameter_size = static_cast<std::uint32_t>(options.parameters.size());
}

std::array<std::uint8_t, video::compress_options_size> encode_compress_options(
    const video::CompressOptions& options) {
    std::array<std::uint8_t, video::compress_options_size> bytes{};
    const std::uint32_t words[11] = {options.stream_type,
                                     options.handler,
                                     options.key_frame_every,
                                     options.quality,
                                     options.bytes_per_second,
                                     options.flags,
                                     0,  // lpFormat
                                     options.format_size,
                                     0,  // lpParms
                                     static_cast<std::uint32_t>(options.parameters.size()),
                                     options.interleave_every};
    for (std::size_t i = 0; i < 11; ++i) {
        store_u32(&bytes[4 * i], words[i]);
    }
    return bytes;
}

video::CompressOptions decode_compress_options(const std::uint8_t* data) {
    video::CompressOptions options;
    options.stream_type = load_u32(data);
    options.handler = load_u32(data + 4);
    options.key_frame_every = load_u32(data + 8);
    options.quality = load_u32(data + 12);
    options.bytes_per_second = load_u32(data + 16);
    options.flags = load_u32(data + 20);
    options.format_pointer = 0;
    options.format_size = load_u32(data + 28);
    options.parameter_pointer = 0;
    options.parameter_size = 0;
    options.interleave_every = load_u32(data + 40);
    return options;
}

std::array<std::uint8_t, output_settings_size> encode_output_settings(
    const OutputSettings& settings) {
    std::array<std::uint8_t, output_settings_size> bytes{};
    std::uint8_t* out = bytes.data();
    store_placement(out + main_window_at, settings.main_window);
    store_placement(out + player_window_at, settings.player_window);
    const auto preview = encode_compress_options(settings.preview_options);
    std::copy(preview.begin(), preview.end(), out + preview_options_at);
    store_i32(out + preview_width_at, settings.preview_width);
    store_i32(out + preview_height_at, settings.preview_height);
    const std::size_t path_size = std::min(settings.last_final.size(), max_last_final_size);
    std::memcpy(out + last_final_at, settings.last_final.data(), path_size);
    const auto final_options = encode_compress_options(settings.final_options);
    std::copy(final_options.begin(), final_options.end(), out + final_options_at);
    store_i32(out + rate_at, settings.rate);
    store_i32(out + final_width_at, settings.final_width);
    store_i32(out + final_height_at, settings.final_height);
    store_i32(out + field_mode_at, settings.field_mode);
    return bytes;
}

void decode_output_settings(OutputSettings& settings, const std::uint8_t* data, std::size_t size) {
    // Start from the record as it is, so a short block leaves the fields it
    // does not reach unchanged.
    std::array<std::uint8_t, output_settings_size> bytes = encode_output_settings(settings);
    if (data != nullptr) {
        std::memcpy(bytes.data(), data, std::min(size, output_settings_size));
    }
    const std::uint8_t* in = bytes.data();
    settings.main_window = load_placement(in + main_window_at);
    settings.player_window = load_placement(in + player_window_at);
    settings.preview_options = decode_compress_options(in + preview_options_at);
    settings.preview_width = load_i32(in + preview_width_at);
    settings.preview_height = load_i32(in + preview_height_at);
    const char* path = reinterpret_cast<const char*>(in + last_final_at);
    settings.last_final.assign(path, strnlen(path, max_last_final_size));
    settings.final_options = decode_compress_options(in + final_options_at);
    settings.rate = load_i32(in + rate_at);
    settings.final_width = load_i32(in + final_width_at);
    settings.final_height = load_i32(in + final_height_at);
    settings.field_mode = load_i32(in + field_mode_at);
}

}  // namespace kdr::editor
