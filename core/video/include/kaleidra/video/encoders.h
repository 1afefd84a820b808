#pragma once
// The compressors a movie can be written with, chosen by the handler of the
// compression options. The list says which of them this build of FFmpeg
// provides, for the compression dialog.

#include <cstdint>
#include <string>
#include <vector>

#include "kaleidra/video/movie_writer.h"

namespace kdr::video {

struct EncoderInfo {
    std::string name;       // shown to people: "Motion JPEG"
    std::uint32_t handler;  // the fourcc the options carry: "MJPG"
    std::string codec;      // FFmpeg's encoder name: "mjpeg"
    bool available;         // this build can encode with it
    bool takes_quality;     // the options' quality changes the result
};

// Full frames ("DIB "), MS Video 1 ("MSVC", also read as "CRAM"), Cinepak
// ("cvid"), Motion JPEG ("MJPG") and HuffYUV ("HFYU").
std::vector<EncoderInfo> list_encoders();

// The entry for `handler` (letters compared without regard to case; a zero
// handler means full frames), or null when no compressor answers to it.
const EncoderInfo* find_encoder(std::uint32_t handler);

// How a movie is encoded with the compressor: every frame a key frame, the
// options' quality (0 .. 10000, or quality_default) as a fixed quantiser
// for the compressors that take one, full frames stored as given.
VideoEncoding encoding_for(const EncoderInfo& entry, std::uint32_t quality);

}  // namespace kdr::video
