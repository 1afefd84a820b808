#include "engine_harness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "kaleidra/records/frame_record.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/scene/effect_settings.h"
#include "x_display_keeper.h"

namespace kdr::test {

const char* engine_name(EngineKind kind) {
    return kind == EngineKind::generic ? "Rnd_Generic" : "Rnd_Hardware";
}

std::filesystem::path engine_file(EngineKind kind) {
    return kind == EngineKind::generic ? KALEIDRA_RND_GENERIC : KALEIDRA_RND_HARDWARE;
}

Engine::Engine(EngineKind kind) : m_kind(kind) {
    auto library = platform::DynamicLibrary::open(engine_file(kind));
    if (!library.ok()) {
        m_error = library.error();
        return;
    }
    m_library = std::move(library.value());
    create = reinterpret_cast<RndCreateContextFn>(m_library.symbol("Rnd_CreateContext"));
    free = reinterpret_cast<RndFreeContextFn>(m_library.symbol("Rnd_FreeContext"));
    prepare = reinterpret_cast<RndPrepareFn>(m_library.symbol("Rnd_Prepare"));
    render_raw = reinterpret_cast<RndRenderFn>(m_library.symbol("Rnd_Render"));
    static_video = reinterpret_cast<RndStaticVideoFn>(m_library.symbol("Rnd_StaticVideo"));
    if (create == nullptr || free == nullptr || prepare == nullptr || render_raw == nullptr ||
        static_video == nullptr) {
        m_error = std::string(engine_name(kind)) + " lacks one of the five exports";
        return;
    }
    m_render = render_raw;
}

RenderJob::RenderJob(const std::string& effect, std::uint32_t width, std::uint32_t height)
    : video_a(format_bgra, width, height),
      video_b(format_bgra, width, height),
      output(format_bgra, width, height) {
    EXPECT_TRUE(settings_initialise(settings));
    std::strncpy(settings.name, effect.c_str(), effect_name_size - 1);
    settings.globals[global_render_style] = 0;
    settings.globals[global_render_quality] = 1;
    settings.globals[global_image_quality] = 1;
    frame_construct(frame);
    frame.width = width;
    frame.height = static_cast<std::int32_t>(height);
    frame.image_count = 2;
    paint_video_a(video_a);
    paint_video_b(video_b);
    output.fill(7);
    image_shallow_copy(frame.images[0], video_a.image);
    image_shallow_copy(frame.images[1], video_b.image);
    image_shallow_copy(frame.output, output.image);
    frame.background[3] = 1;
    at(5, 10);
}

RenderJob::~RenderJob() {
    frame_release_images(frame);
    settings_destroy(settings);
}

void RenderJob::at(std::uint32_t position, std::uint32_t total) {
    frame.position = position;
    frame.total = total;
}

Picture RenderJob::output_picture() const {
    return picture_of(output.image);
}

int render_once(const Engine& engine, RenderJob& job) {
    RenderContext* context = engine.prepare(nullptr, &job.settings, &job.frame);
    if (context == nullptr) {
        return -1;
    }
    const int result = engine.render(context, job.settings, job.frame);
    engine.free(context);
    return result;
}

Picture picture_of(const ImageRecord& image) {
    Picture picture(image.width, image.height);
    TestPicture view;
    view.image = image;
    for (std::uint32_t y = 0; y < image.height; ++y) {
        for (std::uint32_t x = 0; x < image.width; ++x) {
            std::uint8_t* p = picture.at(x, y);
            view.get(x, y, p[0], p[1], p[2]);
        }
    }
    return picture;
}

void EngineTestEnvironment::SetUp() {
    XvfbEnvironment::SetUp();
    keep_glx_driver_loaded();
}

std::filesystem::path golden_folder() {
    const char* source = std::getenv("KALEIDRA_TEST_SOURCE_DIR");
    return std::filesystem::path(source != nullptr ? source : ".") / "engine" / "tests" / "golden";
}

}  // namespace kdr::test
