// The frame scene: items in their time windows, envelopes, paths, morphs,
// filter placement, normals and trails.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "kaleidra/records/frame_record.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/scene/evaluation.h"
#include "scene_builders.h"

namespace kdr {
namespace {

using test::add_envelope;
using test::add_object;
using test::add_path;
using test::path_key;

struct Fixture {
    Fixture() {
        EXPECT_TRUE(settings_initialise(settings));
        frame_construct(frame);
    }
    ~Fixture() {
        frame_release_images(frame);
        settings_destroy(settings);
    }
    // Gives image slot `slot` a one-pixel picture.
    void give_pixels(int slot) {
        ImageRecord& image = frame.images[slot];
        image.format = format_bgr;
        image.bytes_per_pixel = 3;
        image.alignment = 4;
        image.width = image.height = image.row_length = image.stored_rows = 1;
        EXPECT_TRUE(image_allocate(image));
    }
    FrameScene build(float x, bool layout = false) {
        FrameSceneRequest request;
        request.scene = &scene;
        request.settings = &settings;
        request.frame = &frame;
        request.completion = x;
        request.layout_preview = layout;
        FrameScene result = build_frame_scene(request);
        EXPECT_NE(result.scene, nullptr);
        return result;
    }

    Scene scene;
    EffectSettings settings;
    FrameRecord frame;
};

class TimeWindow : public ::testing::TestWithParam<std::pair<float, bool>> {};

TEST_P(TimeWindow, ItemsExistFromStartToEndInclusive) {
    Fixture f;
    for (auto* item : std::initializer_list<scene::SceneItem*>{
             &add_object(f.scene, 1), &add_path(f.scene, 2, 0),
             &add_envelope(f.scene, 3, 0, 25, {{0, 0}, {1, 1}}),
             f.scene.cameras.emplace_back(std::make_unique<scene::Camera>()).get(),
             f.scene.lights.emplace_back(std::make_unique<scene::Light>()).get(),
             f.scene.surfaces.emplace_back(std::make_unique<scene::Surface>()).get(),
             f.scene.warps.emplace_back(std::make_unique<scene::Warp>()).get()}) {
        item->start = 0.2f;
        item->end = 0.6f;
    }
    const auto [x, alive] = GetParam();
    FrameScene frame = f.build(x);
    for (int kind = 0; kind < scene::item_kind_count; ++kind) {
        EXPECT_EQ(frame.scene->item_count(static_cast<scene::ItemKind>(kind)), alive ? 1u : 0u)
            << "kind " << kind << " at " << x;
    }
}

INSTANTIATE_TEST_SUITE_P(Edges, TimeWindow,
                         ::testing::Values(std::pair{0.19f, false}, std::pair{0.2f, true},
                                           std::pair{0.4f, true}, std::pair{0.6f, true},
                                           std::pair{0.61f, false}));

TEST(FrameScene, LinkedEnvelopeDrivesItsItemsParameter) {
    Fixture f;
    add_object(f.scene, 1);
    add_envelope(f.scene, 2, 1, 0, {{0, 0}, {1, 1}});
    f.scene.link();
    FrameScene frame = f.build(0.5f);
    EXPECT_FLOAT_EQ(frame.scene->objects[0]->own_transparency, 0.5f);
    EXPECT_FLOAT_EQ(f.scene.objects[0]->own_transparency, 0);  // the effect is untouched
}

TEST(FrameScene, Parameter205SetsPerVideoValue5OfGroup1ForTheFrameOnly) {
    Fixture f;
    f.settings.video_values[1][5] = 90;
    add_envelope(f.scene, 2, 0, 205, {{0, 10}, {1, 10}});
    std::vector<unsigned char> before(sizeof f.settings);
    std::memcpy(before.data(), &f.settings, sizeof f.settings);
    FrameScene frame = f.build(0.3f);
    EXPECT_FLOAT_EQ(frame.values.video_values[1][5], 10);
    EXPECT_FLOAT_EQ(frame.values.video(1, video_direction), 10);
    EXPECT_EQ(std::memcmp(before.data(), &f.settings, sizeof f.settings), 0);
    EXPECT_FLOAT_EQ(f.settings.video_values[1][5], 90);
}

TEST(FrameScene, EnvelopeNamingNoItemDoesNothing) {
    Fixture f;
    f.settings.globals[global_lighting] = 0;
    add_envelope(f.scene, 2, 99, global_lighting, {{0, 1}, {1, 1}});
    f.scene.link();
    FrameScene frame = f.build(0.5f);
    EXPECT_EQ(frame.values.globals[global_lighting], 0);
}

TEST(FrameScene, EnvelopeEndingBeforeOneHoldsItsLastValue) {
    Fixture f;
    scene::Envelope& envelope = add_envelope(f.scene, 2, 0, 5, {{0, 0}, {0.5f, 1}});
    envelope.keys[1].linear = 1;
    FrameScene frame = f.build(0.75f);
    EXPECT_FLOAT_EQ(frame.values.globals[5], 1);
    ASSERT_EQ(frame.scene->envelopes[0]->keys.size(), 3u);
    EXPECT_EQ(f.scene.envelopes[0]->keys.size(), 2u);
}

TEST(FrameScene, PathsMoveTheirLinkedItems) {
    Fixture f;
    scene::Object& object = add_object(f.scene, 1);
    object.motion.time = 0.125f;
    object.motion.bias = 0.5f;
    auto& camera = *f.scene.cameras.emplace_back(std::make_unique<scene::Camera>());
    camera.id = 3;
    scene::Path& path = add_path(f.scene, 2, 1);
    path.keys = {path_key(0, 0, 0, 0), path_key(1, 2, 4, 6)};
    path.keys[1].linear = 1;
    scene::Path& camera_path = add_path(f.scene, 4, 3);
    camera_path.keys = {path_key(0, 0, 0, -10), path_key(0.5f, 0, 0, -5)};
    camera_path.keys[1].linear = 1;
    add_path(f.scene, 5, 77).keys = {path_key(0, 9, 9, 9)};
    f.scene.link();
    FrameScene frame = f.build(0.5f);
    const MotionState& moved = frame.scene->objects[0]->motion;
    EXPECT_FLOAT_EQ(moved.position[0], 1);
    EXPECT_FLOAT_EQ(moved.position[1], 2);
    EXPECT_FLOAT_EQ(moved.position[2], 3);
    EXPECT_FLOAT_EQ(moved.time, 0.125f);
    EXPECT_FLOAT_EQ(moved.bias, 0.5f);
    EXPECT_FLOAT_EQ(frame.scene->cameras[0]->motion.position[2], -5);
    EXPECT_FLOAT_EQ(f.scene.objects[0]->motion.position[0], 0);
}

// Object 1 morphs towards targets 2 and 3 (four vertices each).
void add_morph(Scene& scene, std::uint32_t targets, float position) {
    scene::Object& base = add_object(scene, 1);
    base.morph_target_count = targets;
    base.morph_position = position;
    base.next_morph_target_id = 2;
    for (std::uint16_t id = 2; id <= 3; ++id) {
        scene::Object& target = add_object(scene, id);
        target.morph_target_flag = 1;
        target.next_morph_target_id = static_cast<std::uint16_t>(id + 1);
    }
    for (int v = 0; v < 4; ++v) {
        const float i = static_cast<float>(v);
        scene.objects[0]->vertices.push_back({i, 0, 0});
        scene.objects[1]->vertices.push_back({i, 10, 0});
        scene.objects[2]->vertices.push_back({i, 30, 100});
    }
}

struct MorphCase {
    float position;
    float y;
    float z;
};

class Morph : public ::testing::TestWithParam<MorphCase> {};

TEST_P(Morph, BlendsAlongTheChainAndDropsTheTargets) {
    Fixture f;
    add_morph(f.scene, 2, GetParam().position);
    FrameScene frame = f.build(0.5f);
    ASSERT_EQ(frame.scene->objects.size(), 1u);
    const scene::Object& shown = *frame.scene->objects[0];
    EXPECT_FLOAT_EQ(shown.vertices[3][0], 3);
    EXPECT_FLOAT_EQ(shown.vertices[3][1], GetParam().y) << "position " << GetParam().position;
    EXPECT_FLOAT_EQ(shown.vertices[3][2], GetParam().z) << "position " << GetParam().position;
}

INSTANTIATE_TEST_SUITE_P(Positions, Morph,
                         ::testing::Values(MorphCase{0, 0, 0}, MorphCase{0.5f, 5, 0},
                                           MorphCase{1, 10, 0}, MorphCase{1.25f, 15, 25},
                                           MorphCase{2, 30, 100}));

TEST(FrameScene, MorphChainThatCirclesStopsAtTheRepeat) {
    Fixture f;
    add_morph(f.scene, 40000, 40000);
    f.scene.objects[1]->next_morph_target_id = 1;  // 1 -> 2 -> 1
    FrameScene frame = f.build(0.5f);
    // Only one target was found: the full position shows it.
    EXPECT_FLOAT_EQ(frame.scene->objects[0]->vertices[2][1], 10);
}

TEST(FrameScene, MorphTargetWithTooFewVerticesEndsTheChain) {
    Fixture f;
    add_morph(f.scene, 2, 2);
    f.scene.objects[2]->vertices.pop_back();
    FrameScene frame = f.build(0.5f);
    EXPECT_FLOAT_EQ(frame.scene->objects[0]->vertices[3][1], 10);
}

TEST(FrameScene, TrailCopiesDoNotMorph) {
    Fixture f;
    add_morph(f.scene, 2, 1);
    f.scene.objects[0]->id = 5000;
    FrameScene frame = f.build(0.5f);
    EXPECT_FLOAT_EQ(frame.scene->objects[0]->vertices[3][1], 0);
}

TEST(FrameScene, FilterSourceRootGoesToTheMarkerWithTheChosenTurnAndDistance) {
    Fixture f;
    f.settings.globals[global_filter_placement] = 1;
    f.settings.globals[global_filter_source] = 1.7f;  // video 2
    f.settings.globals[global_filter_rotation_y] = 30;
    f.settings.globals[global_filter_distance] = 20;
    scene::Object& root = add_object(f.scene, 1);
    root.motion.pitch = 5;
    scene::Object& child = add_object(f.scene, 2);
    child.parent_id = 1;
    child.video_number = 2;
    scene::Object& other = add_object(f.scene, 3);
    other.video_number = 1;
    other.motion.heading = 7;
    scene::Object& marker = add_object(f.scene, filter_marker_id);
    marker.motion.position[0] = 4;
    marker.motion.position[1] = 5;
    marker.motion.position[2] = 6;
    f.scene.link();
    FrameScene frame = f.build(0.5f);
    const MotionState& placed = frame.scene->objects[0]->motion;
    EXPECT_FLOAT_EQ(placed.position[0], 4);
    EXPECT_FLOAT_EQ(placed.position[1], 5);
    EXPECT_FLOAT_EQ(placed.position[2], 1);  // 3 - 0.1 * 20
    EXPECT_FLOAT_EQ(placed.pitch, 0);
    EXPECT_FLOAT_EQ(placed.heading, 30);
    EXPECT_FLOAT_EQ(placed.bank, 0);
    EXPECT_FLOAT_EQ(frame.scene->objects[1]->motion.position[0], 0);
    EXPECT_FLOAT_EQ(frame.scene->objects[2]->motion.heading, 7);

    f.settings.globals[global_filter_placement] = 0.5f;
    FrameScene unplaced = f.build(0.5f);
    EXPECT_FLOAT_EQ(unplaced.scene->objects[0]->motion.pitch, 5);
}

// One triangle in the XY plane, counter-clockwise seen from +Z.
void add_triangle_object(Scene& scene) {
    scene::Object& object = add_object(scene, 1);
    object.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    object.polygons.resize(1);
    object.polygons[0].corner_count = 3;
    object.polygons[0].vertex = {0, 1, 2, 0};
}

TEST(FrameScene, NormalsOnlyWithLightingAndNotInLayoutPreviews) {
    Fixture f;
    add_triangle_object(f.scene);
    f.settings.globals[global_lighting] = 1;
    FrameScene lit = f.build(0.5f);
    // (v2 - v0) x (v1 - v0) = (0, 1, 0) x (1, 0, 0) = (0, 0, -1)
    EXPECT_EQ(lit.scene->objects[0]->polygons[0].face_normal, (Vec3{0, 0, -1}));
    EXPECT_EQ(lit.scene->objects[0]->polygons[0].corner_normal[2], (Vec3{0, 0, -1}));

    FrameScene layout = f.build(0.5f, true);
    EXPECT_EQ(layout.scene->objects[0]->polygons[0].face_normal, (Vec3{0, 0, 0}));
    f.frame.flags = flag_layout_preview;
    FrameScene flagged = f.build(0.5f);
    EXPECT_EQ(flagged.scene->objects[0]->polygons[0].face_normal, (Vec3{0, 0, 0}));

    f.frame.flags = 0;
    f.settings.globals[global_lighting] = 0;
    FrameScene unlit = f.build(0.5f);
    EXPECT_EQ(unlit.scene->objects[0]->polygons[0].face_normal, (Vec3{0, 0, 0}));
}

// Trails: video 1 in slot 0, an object moving along x from 0 to 20 (straight
// keys), frame 10 of 20.
struct TrailFixture : Fixture {
    TrailFixture() {
        give_pixels(0);
        frame.position = 10;
        frame.total = 20;
        settings.video_values[0][video_trail_count] = 3;
        settings.video_values[0][video_trail_spacing] = 3;  // (3 + 1) / 4: one frame apart
        scene::Object& object = add_object(scene, 1);
        object.video_number = 1;
        object.parent_id = 9;
        add_object(scene, 9);
        scene::Path& path = add_path(scene, 2, 1);
        path.keys = {path_key(0, 0, 0, 0), path_key(1, 20, 0, 0)};
        path.keys[1].linear = 1;
        scene.link();
    }
    std::vector<const scene::Object*> trails(const FrameScene& frame_scene) {
        std::vector<const scene::Object*> found;
        for (const auto& object : frame_scene.scene->objects) {
            if (object->id >= first_trail_id) {
                found.push_back(object.get());
            }
        }
        return found;
    }
};

TEST(Trails, CopiesSitWhereTheObjectWasEarlier) {
    TrailFixture f;
    FrameScene frame = f.build(0.5f);
    EXPECT_FLOAT_EQ(frame.scene->objects[0]->motion.position[0], 10);
    const std::vector<const scene::Object*> copies = f.trails(frame);
    ASSERT_EQ(copies.size(), 3u);
    for (std::size_t j = 0; j < copies.size(); ++j) {
        EXPECT_EQ(copies[j]->id, 5000 + j);
        // t = (10 - (j + 1)) / 20 on a path from 0 to 20.
        EXPECT_FLOAT_EQ(copies[j]->motion.position[0], 10.0f - static_cast<float>(j + 1));
        EXPECT_EQ(copies[j]->parent, frame.scene->objects[1].get());
        EXPECT_EQ(copies[j]->video_number, 1u);
    }
}

TEST(Trails, FlyingOnCountsTimeBackwards) {
    TrailFixture f;
    f.settings.globals[global_fly_direction] = 1;
    FrameScene frame = f.build(0.5f);
    const std::vector<const scene::Object*> copies = f.trails(frame);
    ASSERT_EQ(copies.size(), 3u);
    EXPECT_FLOAT_EQ(copies[0]->motion.position[0], 11);  // 1 - 9/20 of the way
}

TEST(Trails, TypeOneEffectsFlyingOnTrailTheOtherVideo) {
    TrailFixture f;
    f.scene.type = 1;
    f.settings.globals[global_fly_direction] = 1;
    EXPECT_TRUE(f.trails(f.build(0.5f)).empty());
    f.scene.objects[0]->video_number = 2;
    EXPECT_EQ(f.trails(f.build(0.5f)).size(), 3u);
}

TEST(Trails, AreLimitedByThePositionAndTheFramesLeft) {
    TrailFixture f;
    f.frame.position = 2;
    EXPECT_EQ(f.trails(f.build(0.1f)).size(), 2u);
    f.frame.position = 19;
    EXPECT_EQ(f.trails(f.build(0.95f)).size(), 1u);
    f.settings.video_values[0][video_trail_count] = 1e9f;
    f.frame.position = 500;
    f.frame.total = 1000;
    EXPECT_EQ(f.trails(f.build(0.5f)).size(), 20u);
}

struct NoTrailCase {
    const char* what;
    float x;
    std::uint32_t position;
};

class NoTrails : public ::testing::TestWithParam<NoTrailCase> {};

TEST_P(NoTrails, AreMade) {
    TrailFixture f;
    f.frame.position = GetParam().position;
    EXPECT_TRUE(f.trails(f.build(GetParam().x)).empty()) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Cases, NoTrails,
                         ::testing::Values(NoTrailCase{"completion 0", 0, 10},
                                           NoTrailCase{"completion 1", 1, 10},
                                           NoTrailCase{"last frame", 0.5f, 20},
                                           NoTrailCase{"first frame", 0.5f, 0},
                                           NoTrailCase{"beyond the end", 0.5f, 25}));

TEST(Trails, NeedPixelsInTheSlotAndSkipObjectsOthersLinkTo) {
    TrailFixture f;
    scene::Object& follower = add_object(f.scene, 7);
    follower.link_id = 1;
    f.scene.link();
    EXPECT_TRUE(f.trails(f.build(0.5f)).empty());

    TrailFixture g;
    image_free(g.frame.images[0]);
    EXPECT_TRUE(g.trails(g.build(0.5f)).empty());
}

TEST(Trails, CopiesBeforeTheFirstKeyTakeItsValues) {
    TrailFixture f;
    f.scene.paths[0]->keys[0].time = 0.48f;  // keys at 0.48 and 1
    f.scene.paths[0]->keys[0].position[0] = 5;
    const FrameScene frame = f.build(0.5f);
    const std::vector<const scene::Object*> copies = f.trails(frame);
    ASSERT_EQ(copies.size(), 3u);
    EXPECT_FLOAT_EQ(copies[0]->motion.position[0], 5);  // t = 0.45
    EXPECT_FLOAT_EQ(copies[2]->motion.position[0], 5);  // t = 0.35
}

TEST(FrameScene, LayoutPreviewsGetNoTrails) {
    TrailFixture f;
    EXPECT_TRUE(f.trails(f.build(0.5f, true)).empty());
}

TEST(MergeUserItems, ReplacesKeysOfTheSameIdAndAppendsTheRest) {
    Scene effect;
    add_object(effect, 1);
    scene::Envelope& theirs = add_envelope(effect, 10, 1, 0, {{0, 0}, {1, 1}});
    theirs.start = 0.1f;
    add_path(effect, 11, 1).keys = {path_key(0, 0, 0, 0)};
    effect.link();

    Scene user;
    scene::Envelope& mine = add_envelope(user, 10, 0, 205, {{0, 5}, {1, 6}});
    mine.start = 0.5f;
    add_path(user, 11, 0).keys = {path_key(0, 1, 1, 1), path_key(1, 2, 2, 2)};
    add_path(user, 12, 1).keys = {path_key(0, 3, 3, 3)};

    merge_user_items(effect, user);
    merge_user_items(effect, user);
    ASSERT_EQ(effect.envelopes.size(), 1u);
    EXPECT_EQ(effect.envelopes[0]->parameter, 205);
    EXPECT_FLOAT_EQ(effect.envelopes[0]->keys[1].value, 6);
    EXPECT_FLOAT_EQ(effect.envelopes[0]->start, 0.1f);
    EXPECT_EQ(effect.envelopes[0]->link, effect.objects[0].get());
    ASSERT_EQ(effect.paths.size(), 2u);
    EXPECT_EQ(effect.paths[0]->keys.size(), 2u);
    EXPECT_EQ(effect.paths[0]->link, effect.objects[0].get());
    EXPECT_EQ(effect.paths[1]->id, 12);
    EXPECT_EQ(effect.paths[1]->link, effect.objects[0].get());
}

}  // namespace
}  // namespace kdr
