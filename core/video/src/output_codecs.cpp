#include "kaleidra/video/output_codecs.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "ffmpeg_support.h"
#include "kaleidra/video/compress_options.h"
#include "kaleidra/video/encoders.h"

namespace kdr::video {
namespace {

using Options = std::vector<std::pair<std::string, std::string>>;

std::string lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// 0 .. 100 (higher is better) onto a constant-rate factor 0 .. `worst`.
std::string crf_for(int quality, int worst) {
    return std::to_string(static_cast<int>(std::lround((100.0 - quality) * worst / 100.0)));
}

struct NamedCodec {
    const char* name;
    const char* description;
    std::vector<const char*> encoders;  // the first this build has is used
    const char* pixel_format;
    // The encoder's options for a quality, or for none given.
    Options (*options)(const std::string& encoder, std::optional<int> quality);
};

Options h264_options(const std::string&, std::optional<int> quality) {
    if (!quality) {
        return {{"crf", "23"}};
    }
    if (*quality >= 100) {
        return {{"qp", "0"}};
    }
    return {{"crf", crf_for(*quality, 51)}};
}

Options h265_options(const std::string&, std::optional<int> quality) {
    // x265 prints its own banner unless told otherwise.
    if (quality && *quality >= 100) {
        return {{"x265-params", "log-level=error:lossless=1"}};
    }
    return {{"x265-params", "log-level=error"}, {"crf", quality ? crf_for(*quality, 51) : "28"}};
}

Options vp9_options(const std::string&, std::optional<int> quality) {
    Options options = {{"row-mt", "1"}, {"deadline", "good"}, {"cpu-used", "4"}, {"b", "0"}};
    if (quality && *quality >= 100) {
        options.emplace_back("lossless", "1");
    } else {
        options.emplace_back("crf", quality ? crf_for(*quality, 63) : "32");
    }
    return options;
}

Options av1_options(const std::string& encoder, std::optional<int> quality) {
    const std::string crf = quality ? crf_for(*quality, 63) : "35";
    if (encoder == "libsvtav1") {
        // SVT-AV1 has no lossless mode and reads a factor of 0 as none.
        return {{"preset", "8"}, {"crf", crf == "0" ? "1" : crf}};
    }
    if (encoder == "libaom-av1") {
        return {{"cpu-used", "6"}, {"row-mt", "1"}, {"b", "0"}, {"crf", crf}};
    }
    return {{"qp", std::to_string(quality ? (100 - *quality) * 255 / 100 : 100)}};
}

Options prores_options(const std::string&, std::optional<int> quality) {
    if (!quality) {
        return {};
    }
    // Proxy, LT, standard and HQ by quality.
    const char* profile = *quality >= 85 ? "3" : *quality >= 60 ? "2" : *quality >= 35 ? "1" : "0";
    return {{"profile", profile}};
}

Options ffv1_options(const std::string&, std::optional<int>) {
    // Version 3 cuts frames into slices that threads code at once, each
    // with a checksum.
    return {{"level", "3"}, {"slicecrc", "1"}};
}

const std::vector<NamedCodec>& named_codecs() {
    static const std::vector<NamedCodec> codecs = {
        {"h264", "H.264", {"libx264"}, "yuv420p", &h264_options},
        {"h265", "H.265 / HEVC", {"libx265"}, "yuv420p", &h265_options},
        {"vp9", "VP9", {"libvpx-vp9"}, "yuv420p", &vp9_options},
        {"av1", "AV1", {"libsvtav1", "libaom-av1", "librav1e"}, "yuv420p", &av1_options},
        {"prores", "Apple ProRes", {"prores_ks"}, "yuv422p10le", &prores_options},
        {"ffv1", "FFV1 (lossless)", {"ffv1"}, "bgr0", &ffv1_options},
    };
    return codecs;
}

const char* available_encoder(const NamedCodec& codec) {
    detail::prepare_ffmpeg();
    for (const char* encoder : codec.encoders) {
        if (avcodec_find_encoder_by_name(encoder) != nullptr) {
            return encoder;
        }
    }
    return nullptr;
}

const NamedCodec* find_named(const std::string& name) {
    const std::string wanted = lower(name);
    for (const NamedCodec& codec : named_codecs()) {
        if (wanted == codec.name || (wanted == "hevc" && std::string(codec.name) == "h265") ||
            (wanted == "avc" && std::string(codec.name) == "h264")) {
            return &codec;
        }
    }
    return nullptr;
}

std::string known_names() {
    std::string names;
    for (const NamedCodec& codec : named_codecs()) {
        names += std::string(names.empty() ? "" : ", ") + codec.name;
    }
    for (const EncoderInfo& entry : list_encoders()) {
        names += ", " + fourcc_text(entry.handler);
    }
    return names;
}

}  // namespace

std::optional<std::string> container_for(const std::filesystem::path& file) {
    const std::string extension = lower(file.extension().string());
    if (extension == ".mp4" || extension == ".m4v") {
        return "mp4";
    }
    if (extension == ".mov") {
        return "mov";
    }
    if (extension == ".mkv") {
        return "matroska";
    }
    if (extension == ".webm") {
        return "webm";
    }
    if (extension == ".avi") {
        return "avi";
    }
    return std::nullopt;
}

Result<VideoEncoding> choose_video_encoding(const std::string& container,
                                            const CodecRequest& request) {
    if (request.quality && (*request.quality < 0 || *request.quality > 100)) {
        return Error{"the quality runs from 0 to 100, not " + std::to_string(*request.quality)};
    }
    std::string name = request.codec;
    if (name.empty()) {
        name = container == "avi" ? "MJPG" : container == "webm" ? "vp9" : "h264";
    }
    if (const NamedCodec* codec = find_named(name)) {
        const char* encoder = available_encoder(*codec);
        if (encoder == nullptr) {
            return Error{std::string("this build of FFmpeg has no ") + codec->description +
                         " encoder"};
        }
        VideoEncoding encoding;
        encoding.encoder = encoder;
        encoding.pixel_format =
            request.pixel_format.empty() ? codec->pixel_format : request.pixel_format;
        encoding.options = codec->options(encoder, request.quality);
        encoding.colour = request.colour;
        if (std::string(codec->name) == "h265" && (container == "mp4" || container == "mov")) {
            // The tag Apple's players look for.
            encoding.codec_tag = "hvc1";
        }
        return encoding;
    }
    if (name.size() <= 4) {
        const EncoderInfo* entry = find_encoder(make_fourcc(name));
        if (entry != nullptr) {
            if (container != "avi") {
                return Error{"the compressor \"" + name + "\" writes AVI movies only; for ." +
                             (container == "matroska" ? std::string("mkv") : container) +
                             " choose h264, h265, vp9, av1, prores or ffv1"};
            }
            if (!entry->available) {
                return Error{"this build of FFmpeg has no " + entry->name + " encoder"};
            }
            if (!request.pixel_format.empty()) {
                return Error{"the compressor \"" + name + "\" takes no pixel format"};
            }
            return encoding_for(*entry,
                                static_cast<std::uint32_t>(request.quality.value_or(85)) * 100);
        }
    }
    return Error{"no codec \"" + name + "\" (choose one of " + known_names() + ")"};
}

bool is_named_codec(const std::string& name) {
    return find_named(name) != nullptr;
}

AudioEncoding audio_encoding_for(const std::string& container) {
    if (container == "matroska" || container == "webm") {
        return {"libopus", 128000};
    }
    if (container == "avi") {
        return {"pcm_s16le", 0};
    }
    return {"aac", 192000};
}

std::vector<CodecInfo> list_codecs() {
    std::vector<CodecInfo> codecs;
    for (const NamedCodec& codec : named_codecs()) {
        const char* encoder = available_encoder(codec);
        codecs.push_back({codec.name,
                          std::string(codec.description) + " (" +
                              (encoder != nullptr ? encoder : codec.encoders.front()) + ")",
                          codec.pixel_format, encoder != nullptr});
    }
    return codecs;
}

}  // namespace kdr::video
