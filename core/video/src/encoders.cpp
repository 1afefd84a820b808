#include "kaleidra/video/encoders.h"

#include <algorithm>
#include <cctype>

#include "ffmpeg_support.h"
#include "kaleidra/video/compress_options.h"

namespace kdr::video {
namespace {

struct Known {
    const char* name;
    const char* handler;
    const char* codec;  // null: written without an encoder
    bool takes_quality;
};

constexpr Known known[] = {
    {"Full frames (uncompressed)", "DIB ", nullptr, false},
    {"MS Video 1", "MSVC", "msvideo1", false},
    {"Cinepak", "cvid", "cinepak", true},
    {"Motion JPEG", "MJPG", "mjpeg", true},
    {"HuffYUV (lossless)", "HFYU", "huffyuv", false},
};

std::uint32_t lower_case(std::uint32_t fourcc) {
    std::uint32_t result = 0;
    for (int i = 0; i < 4; ++i) {
        const auto c = static_cast<unsigned char>(fourcc >> (8 * i));
        result |= static_cast<std::uint32_t>(std::tolower(c)) << (8 * i);
    }
    return result;
}

const std::vector<EncoderInfo>& encoder_table() {
    static const std::vector<EncoderInfo> table = [] {
        detail::prepare_ffmpeg();
        std::vector<EncoderInfo> entries;
        for (const Known& entry : known) {
            const bool available =
                entry.codec == nullptr || avcodec_find_encoder_by_name(entry.codec) != nullptr;
            entries.push_back({entry.name, make_fourcc(entry.handler),
                               entry.codec != nullptr ? entry.codec : "rawvideo", available,
                               entry.takes_quality});
        }
        return entries;
    }();
    return table;
}

// Quality 0 .. 10000 onto the quantiser scale 31 .. 2 (lower is better).
int quantiser_for(std::uint32_t quality) {
    const std::uint32_t clamped = std::min<std::uint32_t>(quality, 10000);
    return 31 - static_cast<int>(clamped * 29 / 10000);
}

}  // namespace

VideoEncoding encoding_for(const EncoderInfo& entry, std::uint32_t quality) {
    VideoEncoding encoding;
    encoding.encoder = entry.codec;
    encoding.every_frame_key = true;
    // One thread, as these compressors have always run here: their frames
    // are small and each one a key frame.
    encoding.threads = 1;
    if (entry.codec == "rawvideo") {
        encoding.stored_as_given = true;
        return encoding;
    }
    if (entry.codec == "mjpeg") {
        // The layout every Motion JPEG decoder reads.
        encoding.pixel_format = "yuvj420p";
    }
    if (entry.codec == "msvideo1") {
        // MS Video 1 makes a key frame whenever the frames since the last
        // one reach keyint_min, so it needs 0.
        encoding.options.emplace_back("keyint_min", "0");
    }
    if (quality != quality_default && entry.takes_quality) {
        encoding.quantiser = quantiser_for(quality);
    }
    return encoding;
}

std::vector<EncoderInfo> list_encoders() {
    return encoder_table();
}

const EncoderInfo* find_encoder(std::uint32_t handler) {
    if (handler == 0) {
        handler = make_fourcc("DIB ");
    }
    std::uint32_t wanted = lower_case(handler);
    if (wanted == make_fourcc("cram")) {
        wanted = make_fourcc("msvc");
    }
    for (const EncoderInfo& entry : encoder_table()) {
        if (lower_case(entry.handler) == wanted) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace kdr::video
