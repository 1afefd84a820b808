#pragma once
// What every FFmpeg user in this module needs: owning handles for the
// library's objects, error text, and the library's log kept off the
// terminal. FFmpeg prints nothing unless KALEIDRA_FFMPEG_LOG names a level
// ("error", "warning", "info", "debug"); the last error it reports on the
// calling thread is kept so our own messages can quote it.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <filesystem>
#include <memory>
#include <string>

#include "kaleidra/platform/result.h"

namespace kdr::video::detail {

struct CodecContextFree {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScalerFree {
    void operator()(SwsContext* scaler) const { sws_freeContext(scaler); }
};
struct InputClose {
    void operator()(AVFormatContext* format) const { avformat_close_input(&format); }
};

struct OutputContextFree {
    void operator()(AVFormatContext* format) const { avformat_free_context(format); }
};
struct IoContextFree {
    void operator()(AVIOContext* io) const {
        av_freep(&io->buffer);
        avio_context_free(&io);
    }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using ScalerPtr = std::unique_ptr<SwsContext, ScalerFree>;
using InputPtr = std::unique_ptr<AVFormatContext, InputClose>;
using OutputPtr = std::unique_ptr<AVFormatContext, OutputContextFree>;
using IoContextPtr = std::unique_ptr<AVIOContext, IoContextFree>;

// Sets the library's log level and handler once per process.
void prepare_ffmpeg();

// "Invalid data found when processing input", with the library's last
// logged error on this thread appended when there is one.
std::string error_text(int code);

// Forgets the last logged error of this thread.
void clear_logged_error();

// Opens a file for demuxing (the file protocol only: a colon in the name is
// no protocol) and reads its stream information.
Result<InputPtr> open_input_file(const std::filesystem::path& file);

// The first stream of `type`, attached cover pictures aside; -1 when none.
int find_stream(const AVFormatContext& format, AVMediaType type);

// The first stream of `type`, with every other stream of the file set to be
// skipped by the demuxer; an error naming the file (`name`, quoted) when
// there is none or it has no time base.
Result<AVStream*> take_stream(AVFormatContext& format, AVMediaType type, const std::string& name);

// A decoder for the stream, opened with its parameters.
Result<CodecContextPtr> open_decoder(const AVStream& stream, const std::string& name);

}  // namespace kdr::video::detail
