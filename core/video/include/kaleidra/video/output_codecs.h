#pragma once
// The movies people ask for by name: the container by the file's extension
// (.mp4, .mov, .mkv, .webm, .avi), the codec by a short name (h264, h265,
// vp9, av1, prores, ffv1, or an AVI compressor's fourcc), a quality from 0
// to 100 mapped onto each encoder's own scale, and a pixel format.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "kaleidra/platform/result.h"
#include "kaleidra/video/colour.h"
#include "kaleidra/video/movie_writer.h"

namespace kdr::video {

// FFmpeg's muxer for a movie file name ("mp4", "mov", "matroska", "webm",
// "avi"), by its extension in any case; nothing for other names.
std::optional<std::string> container_for(const std::filesystem::path& file);

struct CodecRequest {
    std::string codec;           // "h264", "MJPG"; empty: the container's usual one
    std::optional<int> quality;  // 0 .. 100; none: the codec's own default
    std::string pixel_format;    // "yuv444p"; empty: the codec's default
    Colour colour;               // what YCbCr output is converted to and tagged with
};

// The encoding for a container and request, or a message naming what does
// not fit (an unknown codec, one this build lacks, one the container cannot
// hold). Quality 100 is lossless where the encoder can be; ffv1 and HuffYUV
// are always lossless. The AVI compressors keep their own behaviour: every
// frame a key frame, quality as a fixed quantiser, no colour tags.
Result<VideoEncoding> choose_video_encoding(const std::string& container,
                                            const CodecRequest& request);

// The audio a container carries with a joined movie: AAC for MP4 and MOV,
// Opus for Matroska and WebM, 16-bit PCM for AVI.
AudioEncoding audio_encoding_for(const std::string& container);

struct CodecInfo {
    std::string name;         // "h264"
    std::string description;  // "H.264 (libx264)"
    std::string default_pixel_format;
    bool available = false;  // this build of FFmpeg has an encoder for it
};

// True for the short names choose_video_encoding() knows ("h264", "hevc",
// "vp9", ...), in any case; AVI fourccs are not among them.
bool is_named_codec(const std::string& name);

// The named codecs with the encoder each would use.
std::vector<CodecInfo> list_codecs();

}  // namespace kdr::video
