// A preview engine for the selection dialog's tests. It exports the five
// engine entry points and appends one line per prepare and render to the
// file named by KDR_RECORDING_ENGINE_LOG:
//
//   prepare <width>x<height> images <count> effect <name>
//   render <position>/<total> <width>x<height> images <count> effect <name>
//
// and fills the output with a flat colour that encodes the position (blue =
// position, green = total, red = 7), so a test can tell the frames apart.
// A number of milliseconds in the file named as the log with ".delay"
// added makes each render take that long, asking the abort callback every
// millisecond (a file, not the environment, so that a test may change it
// while a render thread runs); an aborted render writes nothing and its
// line ends in " aborted".

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "kaleidra/contract/engine_api.h"
#include "kaleidra/records/image_record.h"

struct kdr::RenderContext {
    int prepared = 0;
};

namespace {

void record(const std::string& line) {
    const char* file = std::getenv("KDR_RECORDING_ENGINE_LOG");
    if (file == nullptr) {
        return;
    }
    const int descriptor = ::open(file, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (descriptor < 0) {
        return;
    }
    const std::string text = line + "\n";
    (void)!::write(descriptor, text.data(), text.size());
    ::close(descriptor);
}

std::string describe(const kdr::FrameRecord& frame, const kdr::EffectSettings& settings) {
    char text[256];
    std::snprintf(text, sizeof text, "%ux%d images %u effect %s", frame.width, frame.height,
                  frame.image_count, settings.name[0] != '\0' ? settings.name : "-");
    return text;
}

long render_delay_ms() {
    const char* log = std::getenv("KDR_RECORDING_ENGINE_LOG");
    if (log == nullptr) {
        return 0;
    }
    const std::string file = std::string(log) + ".delay";
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        return 0;
    }
    char text[32] = {};
    const ssize_t length = ::read(descriptor, text, sizeof text - 1);
    ::close(descriptor);
    return length > 0 ? std::strtol(text, nullptr, 10) : 0;
}

// True when the render was aborted.
bool wait_for_delay(const kdr::FrameRecord& frame) {
    const long milliseconds = render_delay_ms();
    for (long waited = 0; waited < milliseconds; ++waited) {
        if (frame.abort != nullptr && frame.abort(0) != 0) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return frame.abort != nullptr && frame.abort(0) != 0;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) kdr::RenderContext* Rnd_CreateContext(kdr::EffectSettings*,
                                                                             kdr::FrameRecord*) {
    return new kdr::RenderContext;
}

__attribute__((visibility("default"))) void Rnd_FreeContext(kdr::RenderContext* context) {
    delete context;
}

__attribute__((visibility("default"))) int Rnd_StaticVideo() {
    return 0;
}

__attribute__((visibility("default"))) kdr::RenderContext* Rnd_Prepare(
    kdr::RenderContext* context, kdr::EffectSettings* settings, kdr::FrameRecord* frame) {
    if (settings == nullptr || frame == nullptr) {
        return context;
    }
    delete context;
    record("prepare " + describe(*frame, *settings));
    auto* fresh = new kdr::RenderContext;
    fresh->prepared = 1;
    return fresh;
}

__attribute__((visibility("default"))) int Rnd_Render(kdr::RenderContext* context,
                                                      kdr::EffectSettings* settings,
                                                      kdr::FrameRecord* frame) {
    if (context == nullptr || settings == nullptr || frame == nullptr) {
        return 0;
    }
    const std::string line = "render " + std::to_string(frame->position) + "/" +
                             std::to_string(frame->total) + " " + describe(*frame, *settings);
    if (wait_for_delay(*frame)) {
        record(line + " aborted");
        return 0;
    }
    kdr::ImageRecord& output = frame->output;
    if (output.buffer != nullptr && output.bytes_per_pixel >= 3) {
        for (std::uint32_t y = 0; y < output.height; ++y) {
            for (std::uint32_t x = 0; x < output.width; ++x) {
                std::uint8_t* pixel = kdr::image_pixel(output, x, y);
                pixel[0] = static_cast<std::uint8_t>(frame->position);
                pixel[1] = static_cast<std::uint8_t>(frame->total);
                pixel[2] = 7;
            }
        }
    }
    record(line);
    return 1;
}

}  // extern "C"
