#include "ffmpeg_support.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace kdr::video::detail {
namespace {

thread_local std::string last_logged_error;

int level_from_environment() {
    const char* name = std::getenv("KALEIDRA_FFMPEG_LOG");
    if (name == nullptr) {
        return AV_LOG_QUIET;
    }
    struct Level {
        const char* name;
        int value;
    };
    static const Level levels[] = {{"quiet", AV_LOG_QUIET},     {"error", AV_LOG_ERROR},
                                   {"warning", AV_LOG_WARNING}, {"info", AV_LOG_INFO},
                                   {"verbose", AV_LOG_VERBOSE}, {"debug", AV_LOG_DEBUG}};
    for (const Level& level : levels) {
        if (std::strcmp(name, level.name) == 0) {
            return level.value;
        }
    }
    return AV_LOG_ERROR;
}

void log_handler(void* object, int level, const char* format, va_list arguments) {
    if (level <= AV_LOG_ERROR) {
        va_list copy;
        va_copy(copy, arguments);
        char line[512];
        int print_prefix = 1;
        av_log_format_line2(object, level, format, copy, line, sizeof line, &print_prefix);
        va_end(copy);
        std::size_t length = std::strlen(line);
        while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) {
            --length;
        }
        last_logged_error.assign(line, length);
    }
    // The default handler prints only what the level set above lets through.
    av_log_default_callback(object, level, format, arguments);
}

}  // namespace

void prepare_ffmpeg() {
    static std::once_flag once;
    std::call_once(once, [] {
        av_log_set_level(level_from_environment());
        av_log_set_callback(&log_handler);
    });
}

std::string error_text(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    std::string message = text;
    if (!last_logged_error.empty()) {
        message += " (" + last_logged_error + ")";
        last_logged_error.clear();
    }
    return message;
}

void clear_logged_error() {
    last_logged_error.clear();
}

Result<InputPtr> open_input_file(const std::filesystem::path& file) {
    const std::string name = "\"" + file.string() + "\"";
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    AVFormatContext* opened = nullptr;
    // The "file:" prefix keeps a colon in the name from being read as a protocol.
    int result = avformat_open_input(&opened, ("file:" + file.string()).c_str(), nullptr, &options);
    av_dict_free(&options);
    if (result < 0) {
        return Error{"cannot open " + name + ": " + error_text(result)};
    }
    InputPtr format(opened);
    result = avformat_find_stream_info(opened, nullptr);
    if (result < 0) {
        return Error{"cannot read the streams of " + name + ": " + error_text(result)};
    }
    return format;
}

int find_stream(const AVFormatContext& format, AVMediaType type) {
    for (unsigned i = 0; i < format.nb_streams; ++i) {
        const AVStream* stream = format.streams[i];
        if (stream->codecpar->codec_type == type &&
            !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

Result<AVStream*> take_stream(AVFormatContext& format, AVMediaType type, const std::string& name) {
    const int index = find_stream(format, type);
    const std::string kind = type == AVMEDIA_TYPE_VIDEO ? "video" : "audio";
    if (index < 0) {
        return Error{name + " has no " + kind + " stream"};
    }
    for (unsigned i = 0; i < format.nb_streams; ++i) {
        if (static_cast<int>(i) != index) {
            format.streams[i]->discard = AVDISCARD_ALL;
        }
    }
    AVStream* stream = format.streams[index];
    if (stream->time_base.num <= 0 || stream->time_base.den <= 0) {
        return Error{name + " has a " + kind + " stream without a time base"};
    }
    return stream;
}

Result<CodecContextPtr> open_decoder(const AVStream& stream, const std::string& name) {
    const AVCodecParameters* parameters = stream.codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    if (codec == nullptr) {
        return Error{name + " uses the codec \"" + avcodec_get_name(parameters->codec_id) +
                     "\", which this build cannot decode"};
    }
    CodecContextPtr decoder(avcodec_alloc_context3(codec));
    if (!decoder) {
        return Error{"out of memory opening " + name};
    }
    int result = avcodec_parameters_to_context(decoder.get(), parameters);
    if (result >= 0) {
        decoder->pkt_timebase = stream.time_base;
        decoder->thread_count = 0;
        decoder->thread_type = FF_THREAD_SLICE;
        result = avcodec_open2(decoder.get(), codec, nullptr);
    }
    if (result < 0) {
        return Error{"cannot open the " + std::string(codec->name) + " decoder for " + name + ": " +
                     error_text(result)};
    }
    return decoder;
}

}  // namespace kdr::video::detail
