// Every shipped effect drawn by the drawing core on each engine's kind of
// surface, the off-screen one of Rnd_Generic and the X11 window of
// Rnd_Hardware, asking OpenGL after each prepare and frame whether anything
// it was told to do was an error.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "content_test_kit.h"
#include "kaleidra/gl/glx_surface.h"
#include "kaleidra/gl/osmesa_surface.h"
#include "kaleidra/raster/image_convert.h"
#include "kaleidra/records/frame_record.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/render/engine_frontend.h"
#include "kaleidra/renderkit/effect_renderer.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/testing/xvfb_environment.h"

namespace kdr::test {
namespace {

[[maybe_unused]] auto* const x_server = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

enum class SurfaceKind { memory, window };

// Backs the drawing core with the surface of one engine and records the
// first OpenGL error seen after a frame.
class CheckingBackend final : public render::EngineBackend {
  public:
    explicit CheckingBackend(SurfaceKind kind) : m_kind(kind) {}

    Result<std::unique_ptr<gl::Surface>> create_surface(std::uint32_t width,
                                                        std::uint32_t height) override {
        if (m_kind == SurfaceKind::memory) {
            auto surface = gl::OsMesaSurface::create(width, height);
            if (!surface) {
                return Error{surface.error()};
            }
            return std::unique_ptr<gl::Surface>(std::move(*surface));
        }
        gl::GlxSurfaceOptions options;
        options.width = width;
        options.height = height;
        auto surface = gl::GlxSurface::create(options);
        if (!surface) {
            return Error{surface.error()};
        }
        (*surface)->show();
        return std::unique_ptr<gl::Surface>(std::move(*surface));
    }

    void frame_finished(gl::Surface& surface) override { check(surface); }
    bool lays_first_video_under() const override { return m_kind == SurfaceKind::memory; }

    void check(gl::Surface& surface) {
        if (!surface.make_current()) {
            m_error = "the surface cannot be made current";
            return;
        }
        GLenum error = surface.gl().GetError();
        if (error != GL_NO_ERROR && m_error.empty()) {
            char text[32];
            std::snprintf(text, sizeof text, "OpenGL error 0x%04X", error);
            m_error = text;
        }
        surface.release_current();
    }

    std::string take_error() { return std::exchange(m_error, std::string()); }

  private:
    SurfaceKind m_kind;
    std::string m_error;
};

class EffectGlErrors : public ::testing::TestWithParam<SurfaceKind> {
  protected:
    void SetUp() override {
        auto scope = renderkit::InstallationScope::open(content_stage());
        ASSERT_TRUE(scope) << scope.error();
        m_scope = std::move(*scope);
    }
    std::unique_ptr<renderkit::InstallationScope> m_scope;
};

TEST_P(EffectGlErrors, NoEffectMakesAnOpenGlErrorAtAnyCompletionOrOption) {
    CheckingBackend backend(GetParam());
    const std::uint32_t width = 96, height = 72;
    std::vector<ImageRecord> videos(4);
    for (std::size_t i = 0; i < videos.size(); ++i) {
        image_construct(videos[i]);
        ASSERT_TRUE(
            raster::canvas_to_image(test_video(static_cast<int>(i) + 1, width, height), videos[i]));
    }
    ImageRecord output;
    image_construct(output);
    ASSERT_TRUE(raster::canvas_to_image(raster::Canvas(width, height), output));

    for (const CatalogueEffect& effect : catalogue_effects()) {
        for (bool options : {false, true}) {
            SCOPED_TRACE(effect.name + (options ? " with options" : ""));
            EffectSettings settings;
            ASSERT_TRUE(settings_initialise(settings));
            std::strncpy(settings.name, effect.name.c_str(), effect_name_size - 1);
            if (options) {
                settings.globals[global_lighting] = 1;
                settings.globals[global_shadows] = 50;
                settings.globals[global_antialias] = 1;
                settings.globals[global_image_quality] = 1;
                settings.globals[global_blur_count] = 2;
                settings.globals[global_blur_percent] = 50;
                for (auto& group : settings.video_values) {
                    group[video_shine] = 60;
                    group[video_luminosity] = 20;
                    group[video_trail_count] = 2;
                }
            }
            FrameRecord frame;
            frame_construct(frame);
            frame.width = width;
            frame.height = static_cast<std::int32_t>(height);
            frame.image_count = static_cast<std::uint32_t>(videos.size());
            for (std::size_t i = 0; i < videos.size(); ++i) {
                image_shallow_copy(frame.images[i], videos[i]);
            }
            image_shallow_copy(frame.output, output);
            frame.total = 4;
            frame.quiet = 1;
            RenderContext* context = render::prepare_context(backend, nullptr, &settings, &frame);
            ASSERT_NE(context, nullptr);
            EXPECT_STREQ(settings.name, effect.name.c_str());
            backend.check(*context->surface);
            EXPECT_EQ(backend.take_error(), "") << "after prepare";
            for (std::uint32_t position = 0; position <= 4; ++position) {
                frame.position = position;
                EXPECT_EQ(render::render_frame(backend, context, &settings, &frame), 1);
                EXPECT_EQ(backend.take_error(), "") << "at completion " << position / 4.0;
            }
            render::free_context(backend, context);
            settings_destroy(settings);
        }
    }
    for (ImageRecord& image : videos) {
        image_release_all(image);
    }
    image_release_all(output);
}

TEST_P(EffectGlErrors, TheCheckSeesAnErrorWhenThereIsOne) {
    CheckingBackend backend(GetParam());
    auto surface = backend.create_surface(16, 12);
    ASSERT_TRUE(surface) << surface.error();
    ASSERT_TRUE((*surface)->make_current());
    (*surface)->gl().Enable(0x7FFF);  // no such capability
    (*surface)->release_current();
    backend.check(**surface);
    EXPECT_EQ(backend.take_error(), "OpenGL error 0x0500");
    backend.check(**surface);
    EXPECT_EQ(backend.take_error(), "") << "the error is reported once";
}

INSTANTIATE_TEST_SUITE_P(Surfaces, EffectGlErrors,
                         ::testing::Values(SurfaceKind::memory, SurfaceKind::window),
                         [](const auto& info) {
                             return info.param == SurfaceKind::memory ? "GenericMemorySurface"
                                                                      : "HardwareWindow";
                         });

}  // namespace
}  // namespace kdr::test
