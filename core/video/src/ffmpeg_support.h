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

#include <memory>
#include <string>

namespace kdr::platform {
class AtomicFileWriter;
}

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

// FFmpeg's output into the temporary file of `target`, which must be open;
// the AVI muxer seeks back to fill in its headers. Null when memory runs
// out.
IoContextPtr open_output_io(platform::AtomicFileWriter& target);

// Sets the library's log level and handler once per process.
void prepare_ffmpeg();

// "Invalid data found when processing input", with the library's last
// logged error on this thread appended when there is one.
std::string error_text(int code);

// Forgets the last logged error of this thread.
void clear_logged_error();

}  // namespace kdr::video::detail
