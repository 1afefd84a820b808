// Two render contexts build frames of one prepared scene and one settings
// record at the same time (the two halves of one frame); neither may write
// what the other reads.
#include <gtest/gtest.h>

#include <thread>

#include "kaleidra/records/frame_record.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/scene/evaluation.h"
#include "scene_builders.h"

namespace kdr {
namespace {

TEST(FrameSceneThreads, TwoThreadsBuildFramesOfOneSceneAndRecord) {
    EffectSettings settings;
    ASSERT_TRUE(settings_initialise(settings));
    settings.globals[global_lighting] = 1;
    Scene scene;
    scene::Object& object = test::add_object(scene, 1);
    object.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    object.polygons.resize(1);
    object.polygons[0].corner_count = 3;
    object.polygons[0].vertex = {0, 1, 2, 0};
    test::add_envelope(scene, 2, 0, 205, {{0, 0}, {1, 100}});
    test::add_envelope(scene, 3, 1, 0, {{0, 0}, {1, 1}});
    test::add_path(scene, 4, 1).keys = {test::path_key(0, 0, 0, 0), test::path_key(1, 1, 1, 1)};
    scene.link();
    FrameRecord frame;
    frame_construct(frame);

    auto render = [&](float x, float* seen) {
        for (int i = 0; i < 200; ++i) {
            FrameSceneRequest request;
            request.scene = &scene;
            request.settings = &settings;
            request.frame = &frame;
            request.completion = x;
            FrameScene built = build_frame_scene(request);
            *seen = built.values.video_values[1][5];
        }
    };
    float upper = 0;
    float lower = 0;
    std::thread first(render, 0.25f, &upper);
    std::thread second(render, 0.75f, &lower);
    first.join();
    second.join();
    EXPECT_NEAR(upper, 25, 1e-4);
    EXPECT_NEAR(lower, 75, 1e-4);
    EXPECT_EQ(settings.video_values[1][5], 0);
    settings_destroy(settings);
}

}  // namespace
}  // namespace kdr
