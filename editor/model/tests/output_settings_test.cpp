#include "kaleidra/editor/output_settings.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kdr::editor {
namespace {

std::uint32_t word_at(const std::array<std::uint8_t, output_settings_size>& bytes,
                      std::size_t offset) {
    return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

OutputSettings distinct_settings() {
    OutputSettings settings = default_output_settings();
    settings.main_window = {-4, 5, 640, 480};
    settings.player_window = {10, 20, 330, 250};
    settings.preview_width = 80;
    settings.preview_height = 60;
    settings.last_final = "/movies/final.avi";
    settings.rate = 25;
    settings.final_width = 720;
    settings.final_height = 576;
    settings.field_mode = field_mode_even_first;
    settings.final_options.handler = video::make_fourcc("MJPG");
    settings.final_options.quality = 9000;
    return settings;
}

TEST(OutputSettings, DefaultsAreTheBuiltInRecord) {
    const OutputSettings settings = default_output_settings();
    EXPECT_EQ(settings.preview_width, 64);
    EXPECT_EQ(settings.preview_height, 48);
    EXPECT_EQ(settings.final_width, 160);
    EXPECT_EQ(settings.final_height, 120);
    EXPECT_EQ(settings.rate, 30);
    EXPECT_EQ(settings.field_mode, field_mode_frames);
    for (const video::CompressOptions* options :
         {&settings.preview_options, &settings.final_options}) {
        EXPECT_EQ(options->stream_type, video::make_fourcc("vids"));
        EXPECT_EQ(options->handler, video::make_fourcc("msvc"));
        EXPECT_EQ(options->key_frame_every, 7u);
        EXPECT_EQ(options->quality, 7500u);
        EXPECT_EQ(options->flags, 12u);
        EXPECT_EQ(options->bytes_per_second, 0u);
        EXPECT_EQ(options->parameters, (std::vector<std::uint8_t>{75, 0, 0, 0}));
        EXPECT_EQ(options->parameter_size, 4u);
    }
}

TEST(OutputSettings, StoresEveryFieldAtItsOffset) {
    const auto bytes = encode_output_settings(distinct_settings());
    EXPECT_EQ(static_cast<std::int32_t>(word_at(bytes, 0)), -4);
    EXPECT_EQ(word_at(bytes, 12), 480u);
    EXPECT_EQ(word_at(bytes, 16), 10u);
    EXPECT_EQ(word_at(bytes, 28), 250u);
    EXPECT_EQ(word_at(bytes, 32), video::make_fourcc("vids"));
    EXPECT_EQ(word_at(bytes, 36), video::make_fourcc("msvc"));
    EXPECT_EQ(word_at(bytes, 68), 4u);  // preview cbParms
    EXPECT_EQ(word_at(bytes, 76), 80u);
    EXPECT_EQ(word_at(bytes, 80), 60u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[84])), "/movies/final.avi");
    EXPECT_EQ(word_at(bytes, 344), video::make_fourcc("MJPG"));
    EXPECT_EQ(word_at(bytes, 352), 9000u);
    EXPECT_EQ(word_at(bytes, 376), 4u);  // final cbParms
    EXPECT_EQ(word_at(bytes, 384), 25u);
    EXPECT_EQ(word_at(bytes, 388), 720u);
    EXPECT_EQ(word_at(bytes, 392), 576u);
    EXPECT_EQ(word_at(bytes, 396), 2u);
}

TEST(OutputSettings, PointerWordsAreStoredAsZero) {
    OutputSettings settings = distinct_settings();
    settings.preview_options.format_pointer = 0x1234;
    settings.preview_options.parameter_pointer = 0x5678;
    settings.final_options.format_pointer = 0x9abc;
    settings.final_options.parameter_pointer = 0xdef0;
    const auto bytes = encode_output_settings(settings);
    for (std::size_t offset : {56u, 64u, 364u, 372u}) {
        EXPECT_EQ(word_at(bytes, offset), 0u) << "offset " << offset;
    }
}

TEST(OutputSettings, DecodingGivesTheRecordBackWithoutParameterBlocks) {
    const OutputSettings original = distinct_settings();
    const auto bytes = encode_output_settings(original);
    OutputSettings decoded;
    decode_output_settings(decoded, bytes.data(), bytes.size());
    OutputSettings expected = original;
    set_parameters(expected.preview_options, {});
    set_parameters(expected.final_options, {});
    EXPECT_EQ(decoded, expected);
}

TEST(OutputSettings, ShortBlockChangesOnlyWhatItCovers) {
    OutputSettings settings = default_output_settings();
    const auto stored = encode_output_settings(distinct_settings());
    decode_output_settings(settings, stored.data(), 16);  // the main window only
    EXPECT_EQ(settings.main_window, (WindowPlacement{-4, 5, 640, 480}));
    EXPECT_EQ(settings.player_window, WindowPlacement{});
    EXPECT_EQ(settings.final_width, 160);
    EXPECT_EQ(settings.rate, 30);
}

TEST(OutputSettings, UnterminatedLastFinalKeepsItsFirst255Bytes) {
    auto bytes = encode_output_settings(default_output_settings());
    std::memset(&bytes[84], 'x', 256);
    OutputSettings settings;
    decode_output_settings(settings, bytes.data(), bytes.size());
    EXPECT_EQ(settings.last_final, std::string(255, 'x'));
    // Storing it again terminates it inside its field.
    EXPECT_EQ(encode_output_settings(settings)[84 + 255], 0);
}

}  // namespace
}  // namespace kdr::editor
