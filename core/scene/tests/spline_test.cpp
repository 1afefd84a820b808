// Envelope and path curves, against values worked out by hand from the
// Kochanek-Bartels formulas.
#include <gtest/gtest.h>

#include <cmath>

#include "kaleidra/scene/evaluation.h"

namespace kdr {
namespace {

EnvelopeKey key(float time, float value, float tension = 0, float continuity = 0, float bias = 0,
                std::uint16_t linear = 0) {
    EnvelopeKey k;
    k.time = time;
    k.value = value;
    k.tension = tension;
    k.continuity = continuity;
    k.bias = bias;
    k.linear = linear;
    return k;
}

TEST(Envelope, ASingleCompletedKeyIsConstant) {
    scene::Envelope envelope;
    envelope.keys = {key(0.5f, 3, 0.2f, -0.4f, 0.7f)};
    envelope.complete_keys();
    ASSERT_EQ(envelope.keys.size(), 3u);
    for (float x : {0.0f, 0.1f, 0.25f, 0.5f, 0.6f, 0.99f, 1.0f}) {
        EXPECT_FLOAT_EQ(evaluate_envelope(envelope.keys, x), 3) << "x = " << x;
    }
}

struct CurveCase {
    const char* what;
    std::vector<EnvelopeKey> keys;
    float x;
    float expected;
};

class EnvelopeCurve : public ::testing::TestWithParam<CurveCase> {};

TEST_P(EnvelopeCurve, MatchesTheHandWorkedValue) {
    const CurveCase& c = GetParam();
    EXPECT_NEAR(evaluate_envelope(c.keys, c.x), c.expected, 1e-6) << c.what << " at " << c.x;
}

INSTANTIATE_TEST_SUITE_P(
    HandWorked, EnvelopeCurve,
    ::testing::Values(
        CurveCase{"straight pair", {key(0, 0), key(1, 1)}, 0.25f, 0.25f},
        CurveCase{"straight pair", {key(0, 0), key(1, 1)}, 0.5f, 0.5f},
        CurveCase{"straight pair", {key(0, 0), key(1, 1)}, 0.75f, 0.75f},
        CurveCase{"straight pair", {key(0, 0), key(1, 1)}, 0.0f, 0.0f},
        CurveCase{"straight pair", {key(0, 0), key(1, 1)}, 1.0f, 1.0f},
        // Tension 1 flattens both tangents: h(u) = 3u^2 - 2u^3.
        CurveCase{"full tension", {key(0, 0, 1), key(1, 1, 1)}, 0.25f, 0.15625f},
        // The linear flag of the segment's end key gives a straight line.
        CurveCase{"linear end key", {key(0, 0, 1), key(1, 2, 1, 0, 0, 1)}, 0.25f, 0.5f},
        // d0 = 1 (first key at 0), d1 = ((1)(1) + (-1)(1)) * 0.5 / 1 = 0,
        // u = 0.5: 0.5 + 1 * 0.125 = 0.625.
        CurveCase{"peak, rising half", {key(0, 0), key(0.5f, 1), key(1, 0)}, 0.25f, 0.625f},
        // Second segment, bias 0.5 on the middle key: a = 1.5, b = 0.5,
        // d0 = (1.5 - 0.5) * 0.5 / 1 = 0.5, d1 = -1 (last key at 1), u = 0.5:
        // 0.5 + 0.5 * 0.125 + (-1)(-0.125) = 0.6875.
        CurveCase{"biased peak, falling half",
                  {key(0, 0), key(0.5f, 1, 0, 0, 0.5f), key(1, 0)},
                  0.75f,
                  0.6875f},
        // Continuity -1 on the middle key: a = 0, b = 2 for its out-tangent:
        // d0 = (0 + (-1)(2)) * 0.5 = -1, d1 = -1, u = 0.5:
        // 0.5 - 0.125 + 0.125 = 0.5.
        CurveCase{"sharp corner", {key(0, 0), key(0.5f, 1, 0, -1), key(1, 0)}, 0.75f, 0.5f}));

TEST(Envelope, DegenerateKeysNeverGiveNaN) {
    // Two keys at one time, keys not completed at either end, no keys.
    const std::vector<EnvelopeKey> same_time = {key(0, 1), key(0.5f, 2), key(0.5f, 3), key(1, 4)};
    const std::vector<EnvelopeKey> open_ends = {key(0.2f, 1), key(0.4f, 2), key(0.8f, 0)};
    for (float x : {0.0f, 0.3f, 0.5f, 0.7f, 1.0f}) {
        EXPECT_TRUE(std::isfinite(evaluate_envelope(same_time, x))) << x;
        EXPECT_TRUE(std::isfinite(evaluate_envelope(open_ends, x))) << x;
    }
    // At the shared time the curve still holds the earlier key.
    EXPECT_FLOAT_EQ(evaluate_envelope(same_time, 0.5f), 2);
    // Past the end the last segment is taken; here it has no length.
    EXPECT_FLOAT_EQ(evaluate_envelope({key(0, 1), key(1, 2), key(1, 3)}, 1.5f), 3);
    EXPECT_EQ(evaluate_envelope({}, 0.5f), 0.0f);
    EXPECT_EQ(evaluate_envelope({key(0.3f, 8)}, 0.9f), 8.0f);
}

PathKey path_key(float time, float x, float heading, float scale, std::uint16_t linear = 0) {
    PathKey k;
    k.time = time;
    k.position[0] = x;
    k.heading = heading;
    k.scale[0] = k.scale[1] = k.scale[2] = scale;
    k.linear = linear;
    return k;
}

TEST(Path, EachOfTheNineValuesFollowsItsOwnCurve) {
    const std::vector<PathKey> keys = {path_key(0, 0, 0, 1), path_key(1, 4, 90, 3)};
    MotionState motion;
    motion.time = 0.7f;
    motion.tension = 5;
    motion.linear = 9;
    evaluate_path(keys, 0.5f, motion);
    EXPECT_FLOAT_EQ(motion.position[0], 2);
    EXPECT_FLOAT_EQ(motion.heading, 45);
    EXPECT_FLOAT_EQ(motion.scale[1], 2);
    EXPECT_FLOAT_EQ(motion.position[1], 0);
    // Entries outside 1..9 keep what the motion held.
    EXPECT_FLOAT_EQ(motion.time, 0.7f);
    EXPECT_FLOAT_EQ(motion.tension, 5);
    EXPECT_EQ(motion.linear, 9);

    evaluate_path(keys, 0.25f, motion);
    EXPECT_FLOAT_EQ(motion.position[0], 1);  // 4 * 0.25 on the straight pair
}

TEST(Path, UsesEachKeysTensionAndLinearFlag) {
    std::vector<PathKey> keys = {path_key(0, 0, 0, 1), path_key(1, 1, 0, 1)};
    keys[0].tension = keys[1].tension = 1;
    MotionState motion;
    evaluate_path(keys, 0.25f, motion);
    EXPECT_FLOAT_EQ(motion.position[0], 0.15625f);
    keys[1].linear = 1;
    evaluate_path(keys, 0.25f, motion);
    EXPECT_FLOAT_EQ(motion.position[0], 0.25f);
}

TEST(Path, OneKeyYieldsThatKeyAndNoKeysChangeNothing) {
    MotionState motion;
    motion.position[0] = 7;
    evaluate_path({}, 0.5f, motion);
    EXPECT_FLOAT_EQ(motion.position[0], 7);
    evaluate_path({path_key(0.4f, 3, 30, 2)}, 0.9f, motion);
    EXPECT_FLOAT_EQ(motion.position[0], 3);
    EXPECT_FLOAT_EQ(motion.heading, 30);
    EXPECT_FLOAT_EQ(motion.scale[2], 2);
    EXPECT_FLOAT_EQ(motion.time, 0);
}

}  // namespace
}  // namespace kdr
