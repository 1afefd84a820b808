// Two contexts drawing at once on two threads: the halves of one frame
// (flags 0x400 and 0x800) rendered into one output equal a whole render, on
// both engines; and two surfaces of the OpenGL services side by side.

#include <gtest/gtest.h>

#include <thread>

#include "engine_harness.h"
#include "kaleidra/gl/glx_surface.h"
#include "kaleidra/gl/osmesa_surface.h"
#include "kaleidra/records/frame_record.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/testing/xvfb_environment.h"

namespace kdr::test {
namespace {

[[maybe_unused]] auto* const x_server =
    ::testing::AddGlobalTestEnvironment(new EngineTestEnvironment);

// A scene that uses most of the drawing: a laid-under video, a transparent
// shiny inset, a shadow-casting box crossing the middle of the frame, and
// trails.
void busy_scene(SceneBuilder& s) {
    s.type(1).camera();
    s.video_surface(10, 1);
    s.video_surface(11, 2);
    s.video_quad(100, 10, 1);
    scene::Object& inset = s.grid(101, 11, 1.6f, 1.2f, 8, 6, 2);
    inset.motion.position[2] = 0.6f;
    s.path(200, 101, {path_key(0, -1.2f, 0.6f, 0.6f), path_key(1, 1.2f, -0.6f, 0.6f)});
    s.colour_surface(12, 0.9f, 0.8f, 0.2f);
    scene::Object& box = s.box(102, 12, 0.7f);
    box.flags[1] = 1;
    box.motion.position[0] = -0.9f;
    box.motion.position[2] = 1.2f;
    box.motion.heading = 30;
    box.motion.pitch = 20;
}

struct HalvesCase {
    EngineKind engine;
    const char* name;
    float antialias;
    float blur;
};

class TwoHalves : public ::testing::TestWithParam<HalvesCase> {};

TEST_P(TwoHalves, RenderedOnTwoThreadsEqualOneWholeRender) {
    const HalvesCase c = GetParam();
    Engine engine(c.engine);
    ASSERT_TRUE(engine.loaded()) << engine.error();
    Installation installation;
    SceneBuilder scene;
    busy_scene(scene);
    ASSERT_TRUE(installation.add_effect("Busy", scene));

    auto configure = [&](RenderJob& job) {
        job.settings.globals[global_lighting] = 1;
        job.settings.globals[global_shadows] = 60;
        job.settings.globals[global_antialias] = c.antialias;
        job.settings.globals[global_blur_count] = c.blur;
        job.settings.globals[global_blur_percent] = 80;
        job.settings.video_values[1][video_shine] = 60;
        job.settings.video_values[1][video_transparency] = 30;
        job.settings.video_values[1][video_trail_count] = 2;
        job.at(6, 10);
    };
    RenderJob whole("Busy", 160, 121);  // an odd height: the halves are 60 and 61 rows
    configure(whole);
    ASSERT_EQ(render_once(engine, whole), 1);

    // One settings record shared by both workers, one frame record each,
    // both pointing at one output.
    RenderJob job("Busy", 160, 121);
    configure(job);
    FrameRecord upper;
    FrameRecord lower;
    frame_construct(upper);
    frame_construct(lower);
    frame_copy(upper, job.frame);
    frame_copy(lower, job.frame);
    upper.flags |= flag_upper_half;
    lower.flags |= flag_lower_half;

    int results[2] = {-1, -1};
    auto worker = [&](FrameRecord* frame, int* result) {
        RenderContext* context = engine.prepare(nullptr, &job.settings, frame);
        if (context == nullptr) {
            return;
        }
        *result = 1;
        for (int i = 0; i < 3 && *result == 1; ++i) {
            *result = engine.render(context, job.settings, *frame);
        }
        engine.free(context);
    };
    std::thread a(worker, &upper, &results[0]);
    std::thread b(worker, &lower, &results[1]);
    a.join();
    b.join();
    EXPECT_EQ(results[0], 1);
    EXPECT_EQ(results[1], 1);
    EXPECT_TRUE(pictures_match(whole.output_picture(), job.output_picture(),
                               std::string("halves_") + c.name, Tolerance{2, 0.2}));
    frame_release_images(upper);
    frame_release_images(lower);
}

std::string halves_name(const ::testing::TestParamInfo<HalvesCase>& info) {
    return std::string(engine_name(info.param.engine)) + "_" + info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Engines, TwoHalves,
                         ::testing::Values(HalvesCase{EngineKind::generic, "plain", 0, 0},
                                           HalvesCase{EngineKind::generic, "antialiased", 1, 0},
                                           HalvesCase{EngineKind::generic, "blurred", 0, 3},
                                           HalvesCase{EngineKind::hardware, "plain", 0, 0},
                                           HalvesCase{EngineKind::hardware, "antialiased", 1, 0},
                                           HalvesCase{EngineKind::hardware, "blurred", 0, 3}),
                         halves_name);

// The halves are cut in the picture's rows, so they equal the whole frame
// pixel for pixel, whatever the camera does: here it is raised and tilted
// down, so that the middle of the picture is far from the world's y = 0,
// and objects are split by the middle of the picture.
void tilted_camera_scene(SceneBuilder& s) {
    s.type(1);
    scene::Camera& camera = s.camera(0, 2.5f, 4);
    camera.motion.pitch = -30;  // looking down
    s.video_surface(10, 1);
    s.video_surface(11, 2);
    s.video_quad(100, 10, 1);
    // Both lie well above y = 0 yet below the middle of the picture.
    scene::Object& inset = s.grid(101, 11, 2.4f, 1.8f, 6, 4, 2);
    inset.motion.position[1] = 0.6f;
    inset.motion.position[2] = 1.6f;
    inset.motion.heading = 35;
    s.colour_surface(12, 0.3f, 0.8f, 0.9f);
    scene::Object& box = s.box(102, 12, 0.9f);
    box.flags[1] = 1;
    box.motion.position[0] = 0.5f;
    box.motion.position[1] = 1.0f;
    box.motion.position[2] = 2.2f;
    box.motion.bank = 25;
}

struct ExactHalvesCase {
    EngineKind engine;
    const char* name;
    float antialias;
    float blur;
    std::uint32_t height;
};

void PrintTo(const ExactHalvesCase& c, std::ostream* out) {
    *out << c.name;
}

class ExactHalves : public ::testing::TestWithParam<ExactHalvesCase> {};

TEST_P(ExactHalves, EqualWholeFramePixelForPixel) {
    const ExactHalvesCase c = GetParam();
    Engine engine(c.engine);
    ASSERT_TRUE(engine.loaded()) << engine.error();
    Installation installation;
    SceneBuilder scene;
    tilted_camera_scene(scene);
    ASSERT_TRUE(installation.add_effect("Tilted", scene));

    auto configure = [&](RenderJob& job) {
        job.settings.globals[global_lighting] = 1;
        job.settings.globals[global_shadows] = 40;
        job.settings.globals[global_antialias] = c.antialias;
        job.settings.globals[global_blur_count] = c.blur;
        job.settings.globals[global_blur_percent] = 60;
        job.settings.video_values[1][video_shine] = 50;
        job.at(5, 10);
    };
    RenderJob whole("Tilted", 150, c.height);
    configure(whole);
    ASSERT_EQ(render_once(engine, whole), 1);

    RenderJob job("Tilted", 150, c.height);
    configure(job);
    for (std::uint32_t half : {flag_upper_half, flag_lower_half}) {
        FrameRecord frame;
        frame_construct(frame);
        frame_copy(frame, job.frame);
        frame.flags |= half;
        RenderContext* context = engine.prepare(nullptr, &job.settings, &frame);
        ASSERT_NE(context, nullptr);
        EXPECT_EQ(engine.render(context, job.settings, frame), 1);
        engine.free(context);
        frame_release_images(frame);
    }
    EXPECT_TRUE(pictures_match(whole.output_picture(), job.output_picture(),
                               std::string("exact_halves_") + c.name, Tolerance{0, 0}));
}

INSTANTIATE_TEST_SUITE_P(
    Engines, ExactHalves,
    ::testing::Values(ExactHalvesCase{EngineKind::generic, "generic_plain", 0, 0, 121},
                      ExactHalvesCase{EngineKind::generic, "generic_even", 0, 0, 100},
                      ExactHalvesCase{EngineKind::generic, "generic_antialiased", 1, 0, 121},
                      ExactHalvesCase{EngineKind::generic, "generic_blurred", 0, 3, 121},
                      ExactHalvesCase{EngineKind::hardware, "hardware_plain", 0, 0, 121},
                      ExactHalvesCase{EngineKind::hardware, "hardware_antialiased", 1, 0, 121},
                      ExactHalvesCase{EngineKind::hardware, "hardware_blurred", 0, 3, 121}),
    [](const ::testing::TestParamInfo<ExactHalvesCase>& info) { return info.param.name; });

// Each thread draws its own colour into its own surface many times; drawing
// state is per context, so neither ever sees the other's colour.
enum class SurfaceKind { memory, window };

void draw_many(SurfaceKind kind, float red, float blue, int rounds, bool& correct) {
    correct = false;
    std::unique_ptr<gl::Surface> surface;
    if (kind == SurfaceKind::memory) {
        auto made = gl::OsMesaSurface::create(32, 32);
        if (!made.ok()) {
            return;
        }
        surface = std::move(made.value());
    } else {
        gl::GlxSurfaceOptions options;
        options.y = blue > 0 ? 32 : 0;
        options.width = 32;
        options.height = 32;
        auto made = gl::GlxSurface::create(options);
        if (!made.ok()) {
            return;
        }
        surface = std::move(made.value());
    }
    bool all = true;
    for (int i = 0; i < rounds && all; ++i) {
        if (!surface->make_current()) {
            return;
        }
        const gl::GlApi& gl = surface->gl();
        gl.Viewport(0, 0, 32, 32);
        gl.MatrixMode(GL_PROJECTION);
        gl.LoadIdentity();
        gl.Ortho(0, 32, 0, 32, -1, 1);
        gl.MatrixMode(GL_MODELVIEW);
        gl.LoadIdentity();
        gl.ClearColor(red, 0, blue, 1);
        gl.Clear(GL_COLOR_BUFFER_BIT);
        gl.Color4f(0, 1, 0, 1);
        gl.Begin(GL_QUADS);
        gl.Vertex3f(0, 0, 0);
        gl.Vertex3f(16, 0, 0);
        gl.Vertex3f(16, 32, 0);
        gl.Vertex3f(0, 32, 0);
        gl.End();
        const std::uint8_t* picture = surface->finish_and_read();
        const std::uint8_t* left = picture + (10 * 32 + 3) * 4;
        const std::uint8_t* right = picture + (10 * 32 + 20) * 4;
        all = left[1] == 255 && left[2] == 0 && right[2] == std::uint8_t(red * 255) &&
              right[0] == std::uint8_t(blue * 255);
        surface->release_current();
    }
    correct = all;
}

class TwoSurfaces : public ::testing::TestWithParam<SurfaceKind> {};

TEST_P(TwoSurfaces, DrawAtOnceOnTwoThreads) {
    bool first = false;
    bool second = false;
    std::thread a(draw_many, GetParam(), 1.0f, 0.0f, 40, std::ref(first));
    std::thread b(draw_many, GetParam(), 0.0f, 1.0f, 40, std::ref(second));
    a.join();
    b.join();
    EXPECT_TRUE(first);
    EXPECT_TRUE(second);
}

INSTANTIATE_TEST_SUITE_P(Surfaces, TwoSurfaces,
                         ::testing::Values(SurfaceKind::memory, SurfaceKind::window),
                         [](const ::testing::TestParamInfo<SurfaceKind>& info) {
                             return info.param == SurfaceKind::memory ? "Memory" : "Window";
                         });

}  // namespace
}  // namespace kdr::test
