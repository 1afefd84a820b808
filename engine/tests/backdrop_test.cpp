// A still first object (a backdrop that is not a video) is drawn once per
// context and given back in later frames. The frames must be exactly those
// of a context drawing everything afresh, whatever changes between frames:
// what the backdrop depends on (its path, the light, the background, the
// camera, the rows of a half) makes it drawn again; what it does not (the
// other objects) leaves it kept.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine_harness.h"
#include "kaleidra/gl/osmesa_surface.h"
#include "kaleidra/records/frame_record.h"
#include "kaleidra/render/engine_frontend.h"

namespace kdr::test {
namespace {

// Rnd_Generic's surface and backend, driven through the engine front end so
// that the test can ask the drawing core what it did.
class GenericBackend final : public render::EngineBackend {
  public:
    Result<std::unique_ptr<gl::Surface>> create_surface(std::uint32_t width,
                                                        std::uint32_t height) override {
        auto surface = gl::OsMesaSurface::create(width, height, true);
        if (!surface.ok()) {
            return Error{surface.error()};
        }
        return std::unique_ptr<gl::Surface>(std::move(surface.value()));
    }
    bool lays_first_video_under() const override { return true; }
};

// A lit, shadow-receiving colour backdrop behind a video card that flies
// across and casts a shadow on it; `moving` gives the backdrop a path too.
void backdrop_scene(SceneBuilder& s, bool moving) {
    s.type(1).camera();
    s.colour_surface(12, 0.6f, 0.5f, 0.3f);
    scene::Object& back = s.grid(100, 12, 8, 6, 6, 4);
    back.motion.position[2] = -2;
    if (moving) {
        s.path(201, 100, {path_key(0, 0, 0, -2, 0), path_key(1, 0.5f, -0.3f, -2.5f, 10)});
    }
    s.video_surface(11, 2);
    scene::Object& card = s.grid(101, 11, 1.6f, 1.2f, 4, 3, 2);
    card.flags[1] = 1;
    s.path(200, 101, {path_key(0, -1.5f, 0.4f, 0.5f, -40), path_key(1, 1.5f, -0.4f, 0.8f, 30)});
}

using Change = std::function<void(RenderJob&, std::uint32_t frame)>;

struct BackdropCase {
    const char* name;
    bool moving;
    Change change;        // applied before each frame
    bool expect_reuse;    // whether frames after the first reuse the backdrop
    std::uint32_t flags;  // halves
};

void lit(RenderJob& job, std::uint32_t) {
    job.settings.globals[global_lighting] = 1;
    job.settings.globals[global_shadows] = 70;
}

class Backdrop : public ::testing::TestWithParam<BackdropCase> {};

TEST_P(Backdrop, KeptFramesEqualFreshFrames) {
    const BackdropCase c = GetParam();
    Installation installation;
    SceneBuilder scene;
    backdrop_scene(scene, c.moving);
    ASSERT_TRUE(installation.add_effect("Backdrop", scene));
    GenericBackend backend;
    constexpr std::uint32_t frames = 5;

    auto job_for = [&](std::uint32_t frame) {
        auto job = std::make_unique<RenderJob>("Backdrop", 96, 73);
        job->at(frame + 1, frames + 1);
        job->frame.flags |= c.flags;
        if (c.change) {
            c.change(*job, frame);
        }
        return job;
    };

    RenderContext* kept = nullptr;
    for (std::uint32_t frame = 0; frame < frames; ++frame) {
        std::unique_ptr<RenderJob> job = job_for(frame);
        if (kept == nullptr) {
            kept = render::prepare_context(backend, nullptr, &job->settings, &job->frame);
            ASSERT_NE(kept, nullptr);
        }
        ASSERT_EQ(render::render_frame(backend, kept, &job->settings, &job->frame), 1);
        if (frame > 0) {
            EXPECT_EQ(kept->core->backdrop_reused(), c.expect_reuse) << "frame " << frame;
        }

        std::unique_ptr<RenderJob> fresh_job = job_for(frame);
        RenderContext* fresh =
            render::prepare_context(backend, nullptr, &fresh_job->settings, &fresh_job->frame);
        ASSERT_NE(fresh, nullptr);
        ASSERT_EQ(render::render_frame(backend, fresh, &fresh_job->settings, &fresh_job->frame), 1);
        EXPECT_FALSE(fresh->core->backdrop_reused());
        render::free_context(backend, fresh);

        EXPECT_TRUE(pictures_match(fresh_job->output_picture(), job->output_picture(),
                                   std::string("backdrop_") + c.name + "_" + std::to_string(frame),
                                   Tolerance{0, 0}));
    }
    render::free_context(backend, kept);
}

void PrintTo(const BackdropCase& c, std::ostream* out) {
    *out << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Changes, Backdrop,
    ::testing::Values(BackdropCase{"still", false, nullptr, true, 0},
                      BackdropCase{"still_lit", false, lit, true, 0},
                      BackdropCase{"upper_half", false, lit, true, flag_upper_half},
                      BackdropCase{"lower_half", false, nullptr, true, flag_lower_half},
                      BackdropCase{"blurred", false,
                                   [](RenderJob& job, std::uint32_t) {
                                       job.settings.globals[global_blur_count] = 3;
                                       job.settings.globals[global_blur_percent] = 70;
                                   },
                                   true, 0},
                      BackdropCase{"antialiased", false,
                                   [](RenderJob& job, std::uint32_t) {
                                       job.settings.globals[global_antialias] = 1;
                                   },
                                   true, 0},
                      // What the backdrop depends on changes from frame to frame.
                      BackdropCase{"on_a_path", true, nullptr, false, 0},
                      BackdropCase{"light_turns", false,
                                   [](RenderJob& job, std::uint32_t frame) {
                                       lit(job, frame);
                                       job.settings.globals[global_light_direction] =
                                           20.0f * frame + 10;
                                   },
                                   false, 0},
                      BackdropCase{"shadows_deepen", false,
                                   [](RenderJob& job, std::uint32_t frame) {
                                       lit(job, frame);
                                       job.settings.globals[global_shadows] = 20.0f + 15.0f * frame;
                                   },
                                   false, 0},
                      BackdropCase{"background_changes", false,
                                   [](RenderJob& job, std::uint32_t frame) {
                                       job.frame.background[0] = 0.1f * frame;
                                       job.frame.background[2] = 0.5f;
                                   },
                                   true, 0},
                      BackdropCase{"rows_alternate", false,
                                   [](RenderJob& job, std::uint32_t frame) {
                                       job.frame.flags |=
                                           frame % 2 == 0 ? flag_upper_half : flag_lower_half;
                                   },
                                   false, 0}),
    [](const ::testing::TestParamInfo<BackdropCase>& info) { return info.param.name; });

}  // namespace
}  // namespace kdr::test
