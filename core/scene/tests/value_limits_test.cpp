// Settings values as whole numbers, and the frame evaluation with values no
// option page offers (not a number, infinities, negative and huge values)
// in every parameter an envelope can drive.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "kaleidra/records/frame_record.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/scene/evaluation.h"
#include "kaleidra/scene/value_limits.h"
#include "scene_builders.h"

namespace kdr {
namespace {

constexpr float not_a_number = std::numeric_limits<float>::quiet_NaN();
constexpr float infinity = std::numeric_limits<float>::infinity();

struct WholeCase {
    float value;
    int low;
    int high;
    int expected;
};

class WholeValue : public ::testing::TestWithParam<WholeCase> {};

TEST_P(WholeValue, TruncatesAndHoldsToItsRange) {
    const WholeCase c = GetParam();
    EXPECT_EQ(whole_value(c.value, c.low, c.high), c.expected) << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Values, WholeValue,
    ::testing::Values(WholeCase{2.9f, 0, 10, 2}, WholeCase{-0.5f, -1, 3, 0},
                      WholeCase{-1.5f, -1, 3, -1}, WholeCase{not_a_number, 0, 10, 0},
                      WholeCase{not_a_number, -1, 3, -1}, WholeCase{infinity, 0, 10, 10},
                      WholeCase{-infinity, 0, 10, 0}, WholeCase{1e30f, -1, 1 << 20, 1 << 20},
                      WholeCase{-1e30f, -1, 1 << 20, -1}, WholeCase{1073741824.0f, 0, 10, 10},
                      WholeCase{2147483520.0f, 0, 2147483647, 2147483520},
                      WholeCase{10.0f, 0, 10, 10}, WholeCase{0.0f, 0, 10, 0}));

TEST(ValueLimits, EachValueHasTheRangeItsOptionsOffer) {
    EXPECT_EQ(blur_count_value(1073741824.0f), 10);
    EXPECT_EQ(blur_count_value(-1), 0);
    EXPECT_EQ(blur_count_value(not_a_number), 0);
    EXPECT_EQ(blur_count_value(4.99f), 4);
    EXPECT_EQ(render_style_value(2.5f), 2);
    EXPECT_EQ(render_style_value(1e30f), 3);
    EXPECT_EQ(render_style_value(not_a_number), -1);
    EXPECT_EQ(filter_source_value(-1), -1);
    EXPECT_EQ(filter_source_value(-infinity), -1);
    EXPECT_EQ(filter_source_value(3.5f), 3);
    EXPECT_EQ(filter_source_value(1e30f), max_filter_source);
    EXPECT_EQ(trail_count_value(1e30f), 20);
    EXPECT_EQ(trail_count_value(-1e30f), 0);
    EXPECT_EQ(trail_spacing_value(infinity), max_trail_spacing);
    EXPECT_EQ(trail_spacing_value(7.5f), 7);
}

const float hostile_values[] = {not_a_number, infinity, -infinity,    -1.0f,
                                1e30f,        -1e30f,   1073741824.0f};

bool same_value(float a, float b) {
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

// A scene with everything the evaluation counts and indexes: three videos
// with pictures, a moving object with trails, a morph, the filter marker.
struct HostileFixture {
    HostileFixture() {
        EXPECT_TRUE(settings_initialise(settings));
        frame_construct(frame);
        for (int slot = 0; slot < 3; ++slot) {
            ImageRecord& image = frame.images[slot];
            image_set_shape(image, {format_bgr, 3, 4, row_order_bottom_up, 1, 1});
            EXPECT_TRUE(image_allocate(image));
        }
        frame.image_count = 3;
        frame.position = 5;
        frame.total = 10;
        for (int v = 0; v < 3; ++v) {
            settings.video_values[v][video_trail_count] = 2;
            settings.video_values[v][video_trail_spacing] = 1;
            test::add_object(scene, static_cast<std::uint16_t>(1 + v)).video_number = v + 1;
        }
        test::add_path(scene, 10, 2).keys = {test::path_key(0, 0, 0, 0),
                                             test::path_key(1, 4, 0, 0)};
        scene::Object& morph = test::add_object(scene, 4);
        morph.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
        morph.morph_target_count = 1;
        morph.next_morph_target_id = 5;
        scene::Object& target = test::add_object(scene, 5);
        target.vertices = {{0, 0, 1}, {1, 0, 1}, {0, 1, 1}};
        target.morph_target_flag = 1;
        test::add_object(scene, filter_marker_id);
        test::add_envelope(scene, 11, 4, 1, {{0, 0}, {1, 1}});
        settings.globals[global_lighting] = 1;
        settings.globals[global_filter_placement] = 1;
        settings.globals[global_filter_source] = 1;
        scene.link();
    }
    ~HostileFixture() {
        frame_release_images(frame);
        settings_destroy(settings);
    }
    FrameScene build(float completion) const {
        FrameSceneRequest request;
        request.scene = &scene;
        request.settings = &settings;
        request.frame = &frame;
        request.completion = completion;
        return build_frame_scene(request);
    }

    Scene scene;
    EffectSettings settings;
    FrameRecord frame;
};

// Parameters 0..21 and (v + 1) x 100 + k: every value an envelope can set.
std::vector<int> parameter_numbers() {
    std::vector<int> numbers;
    for (int n = 0; n < 22; ++n) {
        numbers.push_back(n);
    }
    for (int v = 0; v < video_group_count; ++v) {
        for (int k = 0; k < video_value_count; ++k) {
            numbers.push_back((v + 1) * 100 + k);
        }
    }
    return numbers;
}

TEST(HostileEnvelopes, ReachTheirParameterAndTheFrameIsStillBuilt) {
    const std::vector<int> numbers = parameter_numbers();
    ASSERT_EQ(numbers.size(), 222u);
    for (int number : numbers) {
        for (float hostile : hostile_values) {
            HostileFixture f;
            Scene user;
            test::add_envelope(user, 900, 0, static_cast<std::uint16_t>(number),
                               {{0, hostile}, {1, hostile}});
            merge_user_items(f.scene, user);
            const FrameScene result = f.build(0.5f);
            const std::string what =
                "parameter " + std::to_string(number) + " = " + std::to_string(hostile);
            ASSERT_NE(result.scene, nullptr) << what;
            // The curve through two equal keys gives their value; through
            // two infinities it may give not a number instead.
            const FrameValues before = FrameValues::from(f.settings);
            FrameValues expected = before;
            expected.set_parameter(number, hostile);
            const float reached = number < 100
                                      ? result.values.globals[number]
                                      : result.values.video_values[number / 100 - 1][number % 100];
            EXPECT_TRUE(same_value(reached, hostile) ||
                        (std::isinf(hostile) && std::isnan(reached)))
                << what << ": " << reached;
            // No other value changed.
            expected.set_parameter(number, reached);
            EXPECT_EQ(std::memcmp(&expected, &result.values, sizeof expected), 0) << what;
            // The five objects, at most the morph target fewer, and at most
            // five trail copies (the frames behind) of each object that
            // shows one of the three videos.
            EXPECT_LE(result.scene->objects.size(), 5u + 3u * 5u) << what;
            EXPECT_GE(result.scene->objects.size(), 4u) << what;
        }
    }
}

// Every field of the keys of an envelope on the morph position and of a
// path: the curve may give anything, but the frame is built and the morph
// position stays within its targets.
TEST(HostileEnvelopes, KeyFieldsOfEnvelopesAndPaths) {
    for (int field = 0; field < motion_value_count; ++field) {
        for (float hostile : hostile_values) {
            HostileFixture f;
            scene::Envelope& envelope = *f.scene.envelopes.front();
            EnvelopeKey middle;
            middle.time = 0.5f;
            middle.value = 0.5f;
            float* fields[5] = {&middle.time, &middle.value, &middle.tension, &middle.continuity,
                                &middle.bias};
            if (field < 5) {
                *fields[field] = hostile;
            }
            envelope.keys.insert(envelope.keys.begin() + 1, middle);
            scene::Path& path = *f.scene.paths.front();
            PathKey turn = test::path_key(0.5f, 2, 0, 0);
            motion_value(turn, field) = hostile;
            path.keys.insert(path.keys.begin() + 1, turn);

            const FrameScene result = f.build(0.25f);
            const std::string what =
                "field " + std::to_string(field) + " = " + std::to_string(hostile);
            ASSERT_NE(result.scene, nullptr) << what;
            const scene::Object* morph = result.scene->find_object(4);
            ASSERT_NE(morph, nullptr) << what;
            EXPECT_GE(morph->morph_position, 0) << what;
            EXPECT_LE(morph->morph_position, 1) << what;
        }
    }
}

}  // namespace
}  // namespace kdr
