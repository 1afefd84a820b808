// A render engine for the tests of the render driver and its hosts. It
// exports the five engine entry points (or, built with
// COUNTING_ENGINE_PARTIAL, only three of them), appends one line per call to
// the file named by KDR_COUNTING_ENGINE_LOG, and draws a pattern into the
// output rows it is asked for:
//
//   blue = (x + position) & 255, green = y & 255,
//   red = (x * 3 + y * 5 + position * 7) & 255, alpha = the context's number
//
// so a test can tell which context delivered which row, and compare colours
// of renders made by different contexts. Rows follow the half flags: 0x400
// the first height / 2 rows (rounded down), 0x800 the rest.
//
// Rnd_Render polls the frame's abort callback once before it draws (an
// abort logs the event "aborted", draws nothing and returns 0) and reports
// progress 100 through the progress callback after it has drawn.
//
// Event lines: "<library> <event> <context> <flags> <position> <images>
// <thread> <name> <a> <b> <quiet>", <a> and <b> being the first byte of image
// slots 0 and 1 (-1 when a slot has no pixels) and <quiet> the frame's quiet
// field, with events create, prepare, render, aborted, free, unload. Setting
// KDR_COUNTING_ENGINE_FAIL_PREPARE to a flag mask makes Rnd_Prepare return
// null for frames whose flags contain that mask ("all" fails every prepare).
// Setting KDR_COUNTING_ENGINE_EFFECTS to a folder makes Rnd_Prepare do what
// the engines do with an effect they cannot load: when the settings name no
// file NAME.KDR in that folder, it writes the fallback name "Ballsplt" into
// the settings record it was given (after logging the name it was given).

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "kaleidra/contract/engine_api.h"
#include "kaleidra/records/image_record.h"

struct kdr::RenderContext {
    int number = 0;
};

namespace {

std::atomic<int> next_context_number{1};

std::string library_name() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&library_name), &info) == 0 || info.dli_fname == nullptr) {
        return "unknown";
    }
    std::string name = info.dli_fname;
    if (std::size_t slash = name.rfind('/'); slash != std::string::npos) {
        name.erase(0, slash + 1);
    }
    if (std::size_t dot = name.find('.'); dot != std::string::npos) {
        name.erase(dot);
    }
    return name;
}

int first_byte(const kdr::FrameRecord* frame, int slot) {
    if (frame == nullptr || frame->images[slot].buffer == nullptr) {
        return -1;
    }
    return *kdr::image_pixel(frame->images[slot], 0, 0);
}

void record(const char* event, const kdr::RenderContext* context, const kdr::FrameRecord* frame,
            const kdr::EffectSettings* settings) {
    const char* file = std::getenv("KDR_COUNTING_ENGINE_LOG");
    if (file == nullptr) {
        return;
    }
    char line[512];
    const int length = std::snprintf(
        line, sizeof line, "%s %s %d %u %u %u %ld %s %d %d %u\n", library_name().c_str(), event,
        context != nullptr ? context->number : 0, frame != nullptr ? frame->flags : 0u,
        frame != nullptr ? frame->position : 0u, frame != nullptr ? frame->image_count : 0u,
        static_cast<long>(::syscall(SYS_gettid)),
        settings != nullptr && settings->name[0] != '\0' ? settings->name : "-",
        first_byte(frame, 0), first_byte(frame, 1), frame != nullptr ? frame->quiet : 0u);
    const int descriptor = ::open(file, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (descriptor < 0) {
        return;
    }
    if (length > 0) {
        (void)!::write(descriptor, line, static_cast<std::size_t>(length));
    }
    ::close(descriptor);
}

[[maybe_unused]] void fall_back_like_the_engines(kdr::EffectSettings& settings) {
    const char* folder = std::getenv("KDR_COUNTING_ENGINE_EFFECTS");
    if (folder == nullptr) {
        return;
    }
    char name[kdr::effect_name_size];
    std::memcpy(name, settings.name, sizeof name);
    name[sizeof name - 1] = '\0';
    const std::string file = std::string(folder) + "/" + name + ".KDR";
    if (name[0] != '\0' && ::access(file.c_str(), R_OK) == 0) {
        return;
    }
    std::memset(settings.name, 0, sizeof settings.name);
    std::memcpy(settings.name, "Ballsplt", 8);
}

[[maybe_unused]] bool prepare_should_fail(const kdr::FrameRecord* frame) {
    const char* mask = std::getenv("KDR_COUNTING_ENGINE_FAIL_PREPARE");
    if (mask == nullptr) {
        return false;
    }
    if (std::strcmp(mask, "all") == 0) {
        return true;
    }
    const unsigned long bits = std::strtoul(mask, nullptr, 0);
    return (frame->flags & bits) == bits;
}

kdr::RenderContext* new_context() {
    auto* context = new kdr::RenderContext;
    context->number = next_context_number.fetch_add(1);
    return context;
}

[[maybe_unused]] void draw(const kdr::RenderContext& context, kdr::FrameRecord& frame) {
    kdr::ImageRecord& output = frame.output;
    if (output.buffer == nullptr || output.bytes_per_pixel < 3) {
        return;
    }
    const std::uint32_t height = output.height;
    std::uint32_t first = 0;
    std::uint32_t end = height;
    if (frame.flags & kdr::flag_lower_half) {
        first = height / 2;
    } else if (frame.flags & kdr::flag_upper_half) {
        end = height / 2;
    }
    const std::uint32_t position = frame.position;
    for (std::uint32_t y = first; y < end; ++y) {
        for (std::uint32_t x = 0; x < output.width; ++x) {
            std::uint8_t* pixel = kdr::image_pixel(output, x, y);
            pixel[0] = static_cast<std::uint8_t>(x + position);
            pixel[1] = static_cast<std::uint8_t>(y);
            pixel[2] = static_cast<std::uint8_t>(x * 3 + y * 5 + position * 7);
            if (output.bytes_per_pixel == 4) {
                pixel[3] = static_cast<std::uint8_t>(context.number);
            }
        }
    }
}

__attribute__((destructor)) void on_unload() {
    record("unload", nullptr, nullptr, nullptr);
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) kdr::RenderContext* Rnd_CreateContext(
    kdr::EffectSettings* settings, kdr::FrameRecord* frame) {
    kdr::RenderContext* context = new_context();
    record("create", context, frame, settings);
    return context;
}

__attribute__((visibility("default"))) void Rnd_FreeContext(kdr::RenderContext* context) {
    if (context == nullptr) {
        return;
    }
    record("free", context, nullptr, nullptr);
    delete context;
}

__attribute__((visibility("default"))) int Rnd_StaticVideo() {
    return 0;
}

#ifndef COUNTING_ENGINE_PARTIAL

__attribute__((visibility("default"))) kdr::RenderContext* Rnd_Prepare(
    kdr::RenderContext* context, kdr::EffectSettings* settings, kdr::FrameRecord* frame) {
    if (settings == nullptr || frame == nullptr) {
        return context;
    }
    Rnd_FreeContext(context);
    if (prepare_should_fail(frame)) {
        record("prepare", nullptr, frame, settings);
        return nullptr;
    }
    kdr::RenderContext* fresh = new_context();
    record("prepare", fresh, frame, settings);
    fall_back_like_the_engines(*settings);
    return fresh;
}

__attribute__((visibility("default"))) int Rnd_Render(kdr::RenderContext* context,
                                                      kdr::EffectSettings* settings,
                                                      kdr::FrameRecord* frame) {
    record("render", context, frame, settings);
    if (context == nullptr || settings == nullptr || frame == nullptr) {
        return 0;
    }
    if (frame->abort != nullptr && frame->abort(0) != 0) {
        record("aborted", context, frame, settings);
        return 0;
    }
    draw(*context, *frame);
    if (frame->progress != nullptr) {
        frame->progress(100);
    }
    return 1;
}

#endif

}  // extern "C"
