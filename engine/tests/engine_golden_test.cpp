// Golden pictures of every drawing feature, rendered by both engines and
// compared with one stored reference per feature (engine/tests/golden/).
// Rnd_Generic's pictures are the references (KALEIDRA_UPDATE_GOLDEN=1
// rewrites them); Rnd_Hardware must draw the same within the tolerance.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine_harness.h"
#include "kaleidra/testing/xvfb_environment.h"

namespace kdr::test {
namespace {

[[maybe_unused]] auto* const x_server =
    ::testing::AddGlobalTestEnvironment(new EngineTestEnvironment);

// Both engines rasterise through the same software rasteriser and, on this
// platform's Mesa, give the references bit for bit (Rnd_Generic laying the
// first video under the picture rounds as blending does). The tolerance
// leaves room for the rasteriser's code paths on other processors.
constexpr Tolerance engines_alike{3, 0.3};

constexpr std::uint32_t width = 160;
constexpr std::uint32_t height = 120;

// Ids: surfaces 10 (video 1), 11 (video 2), 12.. colours; objects from 100.
void background_video(SceneBuilder& s) {
    s.type(1).camera();
    s.video_surface(10, 1);
    s.video_surface(11, 2);
    s.video_quad(100, 10, 1);
}

void grey_backdrop(SceneBuilder& s) {
    s.type(1).camera();
    s.colour_surface(12, 0.25f, 0.25f, 0.3f);
    scene::Object& back = s.quad(100, 12, 6, 4.5f);
    back.motion.position[2] = -1;
}

scene::Object& video_b_quad(SceneBuilder& s, float w, float h, float z) {
    scene::Object& quad = s.quad(101, 11, w, h, 2);
    quad.motion.position[2] = z;
    return quad;
}

struct GoldenCase {
    std::string name;
    std::function<void(SceneBuilder&)> scene;
    std::function<void(RenderJob&)> setup;
};

std::vector<GoldenCase> golden_cases() {
    std::vector<GoldenCase> cases;
    // A video quad drawn (not laid under) fills the frame at the camera's
    // framing: the picture is the video itself.
    cases.push_back({"video_quad_fills_frame",
                     [](SceneBuilder& s) {
                         grey_backdrop(s);
                         s.video_surface(10, 1);
                         s.video_quad(101, 10, 1);
                     },
                     [](RenderJob&) {}});
    for (int style = 0; style < 3; ++style) {
        static const char* names[] = {"style_smooth", "style_flat", "style_wire"};
        cases.push_back({names[style],
                         [](SceneBuilder& s) {
                             grey_backdrop(s);
                             scene::Surface& metal = s.colour_surface(13, 0.9f, 0.7f, 0.3f);
                             metal.frame_offset_or_smoothing = 1;
                             scene::Object& c = s.cylinder(101, 13, 0.9f, 1.6f, 10);
                             c.motion.pitch = 25;
                             c.motion.bank = 15;
                             c.motion.position[2] = 0.5f;
                         },
                         [style](RenderJob& job) {
                             job.settings.globals[global_lighting] = 1;
                             job.settings.globals[global_render_style] = float(style);
                         }});
    }
    for (int direction : {0, 90}) {
        cases.push_back({"light_direction_" + std::to_string(direction),
                         [](SceneBuilder& s) {
                             grey_backdrop(s);
                             s.colour_surface(13, 0.9f, 0.6f, 0.3f);
                             scene::Object& box = s.box(101, 13, 1.4f);
                             box.motion.heading = 35;
                             box.motion.pitch = 25;
                         },
                         [direction](RenderJob& job) {
                             job.settings.globals[global_lighting] = 1;
                             job.settings.globals[global_light_direction] = float(direction);
                         }});
    }
    cases.push_back({"shine",
                     [](SceneBuilder& s) {
                         background_video(s);
                         // Turned up towards the highlight light above, and
                         // wholly in front of the video plane.
                         scene::Object& b = s.grid(101, 11, 2.0f, 1.5f, 16, 12, 2);
                         b.motion.position[2] = 0.8f;
                         b.motion.pitch = -40;
                         b.motion.heading = 10;
                     },
                     [](RenderJob& job) {
                         job.settings.globals[global_lighting] = 1;
                         job.settings.video_values[1][video_shine] = 90;
                     }});
    cases.push_back(
        {"transparency",
         [](SceneBuilder& s) {
             background_video(s);
             video_b_quad(s, 2.4f, 1.8f, 0.3f);
         },
         [](RenderJob& job) { job.settings.video_values[1][video_transparency] = 50; }});
    cases.push_back({"luminosity",
                     [](SceneBuilder& s) {
                         background_video(s);
                         s.scene().surfaces[1]->diffuse = {0.35f, 0.35f, 0.35f, 1};
                         video_b_quad(s, 2.4f, 1.8f, 0.3f);
                     },
                     [](RenderJob& job) {
                         job.settings.globals[global_lighting] = 1;
                         job.settings.video_values[1][video_luminosity] = 60;
                     }});
    for (int direction : {0, 90}) {
        cases.push_back({"shadow_light_" + std::to_string(direction),
                         [](SceneBuilder& s) {
                             background_video(s);
                             s.colour_surface(13, 0.9f, 0.2f, 0.2f);
                             scene::Object& box = s.box(101, 13, 0.8f);
                             box.flags[1] = 1;
                             box.motion.position[0] = 0.4f;
                             box.motion.position[1] = 0.5f;
                             box.motion.position[2] = 1.0f;
                             box.motion.heading = 30;
                         },
                         [direction](RenderJob& job) {
                             job.settings.globals[global_lighting] = 1;
                             job.settings.globals[global_shadows] = 70;
                             job.settings.globals[global_light_direction] = float(direction);
                         }});
    }
    cases.push_back(
        {"blur",
         [](SceneBuilder& s) {
             background_video(s);
             s.colour_surface(13, 0.95f, 0.95f, 0.2f);
             s.box(101, 13, 0.8f);
             s.path(200, 101, {path_key(0, -1.5f, 0, 0.5f), path_key(1, 1.5f, 0, 0.5f)});
         },
         [](RenderJob& job) {
             job.settings.globals[global_blur_count] = 4;
             job.settings.globals[global_blur_percent] = 100;
             job.at(2, 4);
         }});
    cases.push_back(
        {"trails",
         [](SceneBuilder& s) {
             background_video(s);
             video_b_quad(s, 1.2f, 0.9f, 0.3f);
             s.path(200, 101, {path_key(0, -1.4f, -0.8f, 0.3f), path_key(1, 1.4f, 0.8f, 0.3f)});
         },
         [](RenderJob& job) {
             job.settings.video_values[1][video_trail_count] = 3;
             job.settings.video_values[1][video_trail_spacing] = 2;
         }});
    cases.push_back(
        {"morph",
         [](SceneBuilder& s) {
             grey_backdrop(s);
             s.colour_surface(13, 0.3f, 0.8f, 0.9f);
             scene::Object& square = s.quad(101, 13, 1.6f, 1.6f);
             square.next_morph_target_id = 102;
             square.morph_target_count = 1;
             scene::Object& diamond = s.quad(102, 13, 1.6f, 1.6f);
             diamond.vertices = {{0, 1.3f, 0}, {1.3f, 0, 0}, {0, -1.3f, 0}, {-1.3f, 0, 0}};
             diamond.morph_target_flag = 1;
             s.envelope(300, 101, 1, {envelope_key(0, 0), envelope_key(1, 1)});
         },
         [](RenderJob&) {}});
    cases.push_back({"filter_placement",
                     [](SceneBuilder& s) {
                         background_video(s);
                         video_b_quad(s, 2, 1.5f, 0);
                         s.marker(filter_marker_id, 0.6f, 0.3f, 0);
                     },
                     [](RenderJob& job) {
                         job.settings.globals[global_filter_placement] = 1;
                         job.settings.globals[global_filter_source] = 1;
                         job.settings.globals[global_filter_rotation_y] = 30;
                         job.settings.globals[global_filter_distance] = 15;
                     }});
    struct View {
        const char* name;
        std::uint32_t flag;
    };
    for (View view : {View{"camera", flag_preview_camera}, View{"side", flag_preview_side},
                      View{"top", flag_preview_top}, View{"angled", flag_preview_perspective}}) {
        cases.push_back({std::string("layout_") + view.name,
                         [](SceneBuilder& s) {
                             background_video(s);
                             video_b_quad(s, 1.6f, 1.2f, 0.8f);
                             s.path(200, 101,
                                    {path_key(0, -1.2f, -0.6f, 1.5f), path_key(0.5f, 0, 0.4f, 1),
                                     path_key(1, 1.2f, 0, 0.5f, 0, 0, 0, false)});
                             s.marker(102, -1, 1, -1);
                         },
                         [view](RenderJob& job) {
                             job.frame.flags = flag_layout_preview | flag_preview_path | view.flag;
                             job.frame.highlighted_id = 101;
                             job.frame.background[0] = job.frame.background[1] =
                                 job.frame.background[2] = 0;
                         }});
    }
    cases.push_back({"antialiased_edges",
                     [](SceneBuilder& s) {
                         grey_backdrop(s);
                         s.colour_surface(13, 1, 1, 1);
                         scene::Object& bar = s.quad(101, 13, 2.6f, 0.5f);
                         bar.motion.bank = 20;
                         bar.motion.position[2] = 0.2f;
                     },
                     [](RenderJob& job) { job.settings.globals[global_antialias] = 1; }});
    return cases;
}

struct GoldenParam {
    GoldenCase feature;
    EngineKind engine;
};

void PrintTo(const GoldenParam& param, std::ostream* out) {
    *out << param.feature.name << " on " << engine_name(param.engine);
}

class GoldenPicture : public ::testing::TestWithParam<GoldenParam> {};

TEST_P(GoldenPicture, MatchesReference) {
    const GoldenParam& param = GetParam();
    Engine engine(param.engine);
    ASSERT_TRUE(engine.loaded()) << engine.error();
    Installation installation;
    SceneBuilder scene;
    param.feature.scene(scene);
    ASSERT_TRUE(installation.add_effect("Feature", scene));
    RenderJob job("Feature", width, height);
    param.feature.setup(job);
    ASSERT_EQ(render_once(engine, job), 1);
    EXPECT_TRUE(matches_golden(job.output_picture(), golden_folder(), param.feature.name,
                               engines_alike, param.engine == EngineKind::generic));
}

std::vector<GoldenParam> golden_params() {
    std::vector<GoldenParam> params;
    for (const GoldenCase& feature : golden_cases()) {
        params.push_back({feature, EngineKind::generic});
        params.push_back({feature, EngineKind::hardware});
    }
    return params;
}

std::string golden_name(const ::testing::TestParamInfo<GoldenParam>& info) {
    return info.param.feature.name + "_" + engine_name(info.param.engine);
}

INSTANTIATE_TEST_SUITE_P(Features, GoldenPicture, ::testing::ValuesIn(golden_params()),
                         golden_name);

}  // namespace
}  // namespace kdr::test
