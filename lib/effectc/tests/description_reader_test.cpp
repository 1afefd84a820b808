#include "kaleidra/effectc/description_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "kaleidra/effectc/expression.h"
#include "kaleidra/testing/temp_folder.h"

namespace kdr::effectc {
namespace {

const char* const header =
    "effect Test\n"                       // 1
    "description \"A test effect\"\n"     // 2
    "videos \"Outgoing\" \"Incoming\"\n"  // 3
    "best 40\n"                           // 4
    "camera 1 fov 40 near 0.5 far 50\n"   // 5
    "surface 2 video 1\n"                 // 6
    "surface 3 video 2 two_sided\n";      // 7

EffectSource read_ok(const std::string& body) {
    ReadResult result = read_description_text(std::string(header) + body, "test.kfx");
    EXPECT_TRUE(result.effect.has_value()) << result.error;
    return result.effect ? *result.effect : EffectSource{};
}

TEST(DescriptionReader, ReadsHeaderItemsAndDerivesTheObjectVideo) {
    EffectSource effect = read_ok(
        "let D = 4\n"
        "let half = D / 2 - (1 - 1)\n"
        "object 10 surface 3\n"
        "  mesh quad width frame_width(D) height frame_height(D)\n"
        "  at 0 0 -D\n"
        "object 11 surface 2 shadow\n"
        "  mesh quad width 1 height 1 cols 2 rows 3\n"
        "  pivot (half - 1.5) 0 0\n"
        "  transparency 0.25\n");
    EXPECT_EQ(effect.name, "Test");
    EXPECT_EQ(effect.description, "A test effect");
    EXPECT_EQ(effect.type, 1u);
    ASSERT_EQ(effect.video_names.size(), 2u);
    EXPECT_EQ(effect.video_names[1], "Incoming");
    EXPECT_EQ(effect.best_frame, 40);
    EXPECT_EQ(effect.allow, 1u);
    ASSERT_EQ(effect.cameras.size(), 1u);
    EXPECT_EQ(effect.cameras[0].field_of_view, 40);
    EXPECT_EQ(effect.cameras[0].near_distance, 0.5);
    ASSERT_EQ(effect.surfaces.size(), 2u);
    EXPECT_TRUE(effect.surfaces[1].two_sided);
    EXPECT_EQ(effect.surfaces[1].kind, SurfaceKind::video);
    ASSERT_EQ(effect.objects.size(), 2u);
    const ObjectSource& background = effect.objects[0];
    EXPECT_EQ(background.video, 2u);
    EXPECT_EQ(background.motion.position[2], -4);
    ASSERT_EQ(background.mesh.vertices.size(), 4u);
    EXPECT_NEAR(background.mesh.vertices[0][0], -frame_width_at(40, 4) / 2, 1e-9);
    EXPECT_NEAR(background.mesh.vertices[0][1], frame_height_at(40, 4) / 2, 1e-9);
    const ObjectSource& card = effect.objects[1];
    EXPECT_EQ(card.video, 1u);
    EXPECT_TRUE(card.casts_shadow);
    EXPECT_EQ(card.mesh.polygons.size(), 6u);
    EXPECT_EQ(card.pivot[0], 0.5);
    EXPECT_EQ(card.transparency, 0.25);
}

TEST(DescriptionReader, KeysCarryOverWhatTheyLeaveOut) {
    EffectSource effect = read_ok(
        "object 10 surface 2 mesh quad width 1 height 1\n"
        "  at 1 2 -3 turn 0 10 0\n"
        "  key 0\n"
        "  key 0.5 pos 0 0 -5 ease\n"
        "  key 1 turn 90 0 0 scale 2 2 2 linear\n");
    const auto& keys = effect.objects[0].keys;
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].motion.position, (Point{1, 2, -3}));
    EXPECT_EQ(keys[0].motion.rotation, (Point{0, 10, 0}));
    EXPECT_EQ(keys[1].motion.position, (Point{0, 0, -5}));
    EXPECT_EQ(keys[1].motion.rotation, (Point{0, 10, 0}));
    EXPECT_EQ(keys[1].tension, 1);
    EXPECT_FALSE(keys[1].linear);
    EXPECT_EQ(keys[2].motion.position, (Point{0, 0, -5}));
    EXPECT_EQ(keys[2].motion.rotation, (Point{90, 0, 0}));
    EXPECT_EQ(keys[2].motion.scale, (Point{2, 2, 2}));
    EXPECT_TRUE(keys[2].linear);
}

TEST(DescriptionReader, LoopsExpandWithTheirVariable) {
    EffectSource effect = read_ok(
        "repeat r 0 1\n"
        "  repeat c 0 2\n"
        "    object (10 + r*3 + c) surface 2\n"
        "      mesh tile width 3 height 2 cols 3 rows 2 col c row r\n"
        "      at (c - 1) (0.5 - r) -4\n"
        "  end\n"
        "end\n");
    ASSERT_EQ(effect.objects.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(effect.objects[i].id, 10 + i);
        EXPECT_EQ(effect.objects[i].motion.position[0], (i % 3) - 1);
        EXPECT_EQ(effect.objects[i].motion.position[1], 0.5 - i / 3);
    }
    // The last tile shows the picture's bottom right corner.
    const MeshPolygon& tile = effect.objects[5].mesh.polygons[0];
    double max_s = 0, max_t = 0;
    for (int c = 0; c < 4; ++c) {
        max_s = std::max(max_s, tile.s[c]);
        max_t = std::max(max_t, tile.t[c]);
    }
    EXPECT_DOUBLE_EQ(max_s, 1.0);
    EXPECT_DOUBLE_EQ(max_t, 1.0);
}

TEST(DescriptionReader, EnvelopesMorphTargetsAndSettingsValues) {
    EffectSource effect = read_ok(
        "object 10 surface 2\n"
        "  mesh quad width 2 height 2 cols 4 rows 4\n"
        "  target wave width 2 height 2 cols 4 rows 4 amplitude 0.2\n"
        "  target twist width 2 height 2 cols 4 rows 4 angle 90\n"
        "  envelope morph ease 0 0 0.5 1 1 2\n"
        "  envelope transparency linear 0.8 0 1 1\n"
        "object 11 surface 3 morph_of 10\n"
        "  mesh quad width 2 height 2 cols 4 rows 4 back 1\n"
        "settings_envelope 103 linear 0 3 1 3\n");
    const ObjectSource& front = effect.objects[0];
    ASSERT_EQ(front.morph_targets.size(), 2u);
    ASSERT_EQ(front.envelopes.size(), 2u);
    EXPECT_EQ(front.envelopes[0].parameter, object_parameter_morph);
    EXPECT_EQ(front.envelopes[0].keys.size(), 3u);
    EXPECT_EQ(front.envelopes[0].keys[1].tension, 1);
    EXPECT_EQ(front.envelopes[1].parameter, object_parameter_transparency);
    EXPECT_TRUE(front.envelopes[1].keys[0].linear);
    EXPECT_EQ(effect.objects[1].morph_of, 10);
    ASSERT_EQ(effect.settings_envelopes.size(), 1u);
    EXPECT_EQ(effect.settings_envelopes[0].parameter, 103);
}

TEST(DescriptionReader, ReadsAFileAndNamesItInErrors) {
    test::TempFolder folder;
    auto file = folder.path() / "Broken.kfx";
    std::ofstream(file) << header << "object 10 surface 2\n  mesh quad width 0 height 1\n";
    ReadResult result = read_description(file);
    EXPECT_FALSE(result.effect);
    EXPECT_EQ(result.error.rfind(file.string() + ":9: ", 0), 0u) << result.error;
    EXPECT_FALSE(read_description(folder.path() / "missing.kfx").effect);
}

struct MalformedCase {
    const char* body;  // appended to the header (7 lines)
    int line;
    const char* message_part;
};

class MalformedDescription : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedDescription, IsRejectedNamingFileAndLine) {
    const MalformedCase& c = GetParam();
    ReadResult result = read_description_text(std::string(header) + c.body, "bad.kfx");
    ASSERT_FALSE(result.effect.has_value()) << c.body;
    std::string prefix = "bad.kfx:" + std::to_string(c.line) + ": ";
    EXPECT_EQ(result.error.rfind(prefix, 0), 0u) << result.error;
    EXPECT_NE(result.error.find(c.message_part), std::string::npos) << result.error;
}

INSTANTIATE_TEST_SUITE_P(
    Table, MalformedDescription,
    ::testing::Values(
        MalformedCase{"frobnicate 3\n", 8, "a surface has no clause \"frobnicate\""},
        MalformedCase{"object 10 surface 2\n  wobble 1\n", 9, "no clause \"wobble\""},
        MalformedCase{"object 10\n  mesh quad width 1 height 1\n", 9, "no surface"},
        MalformedCase{"object 10 surface 2\n  mesh blob size 1\n", 9, "unknown mesh"},
        MalformedCase{"object 10 surface 2\n  mesh quad width 1\n", 9, "needs \"height\""},
        MalformedCase{"object 10 surface 2\n  mesh quad width 1 height 1 depth 2\n", 9,
                      "no parameter \"depth\""},
        MalformedCase{"object 10 surface 2\n  mesh quad width 1 height 1 cols 1.5\n", 9,
                      "whole number"},
        MalformedCase{"object 10 surface 2\n  at 0 0\n", 9, "missing"},
        MalformedCase{"object 10 surface 2\n  at 0 0 (1\n", 9, "without"},
        MalformedCase{"object 10 surface 2\n  at 0 0 W\n", 9, "unknown name"},
        MalformedCase{"let x = 1 +\n", 8, "missing"},
        MalformedCase{"let 2x = 1\n", 8, "not a name"},
        MalformedCase{"object 10 surface 2\n  key 0.5\n  key 0.5\n", 10, "increase"},
        MalformedCase{"object 10 surface 2\n  key 1.5\n", 9, "between 0 and 1"},
        MalformedCase{"object 10 surface 2\n  key 0 spin 1\n", 9, "no part \"spin\""},
        MalformedCase{"object 10 surface 2\n  envelope morph 0\n", 9, "value"},
        MalformedCase{"object 10 surface 2\n  envelope glow 0 1\n", 9, "\"morph\""},
        MalformedCase{"object 10 surface 2 mesh quad width 1 height 1\n"
                      "  envelope morph 0 1\n",
                      9, "without morph targets"},
        MalformedCase{"object 10 surface 2 mesh quad width 1 height 1 cols 2\n"
                      "  target quad width 1 height 1\n",
                      8, "morph target has 4 vertices"},
        MalformedCase{"surface 2 colour 1 1 1\n", 8, "already used at line 6"},
        MalformedCase{"object 10 surface 9 mesh quad width 1 height 1\n", 8,
                      "surface 9, which is not declared"},
        MalformedCase{"surface 9 video 3\n", 8, "has 2"},
        MalformedCase{"object 10 surface 2 parent 11\n", 8, "not an object"},
        MalformedCase{"object 10 surface 2 parent 11\nobject 11 surface 2 parent 10\n", 8, "loops"},
        MalformedCase{"object 20000 surface 2 mesh quad width 1 height 1\n", 8, "marker"},
        MalformedCase{"object 5000\n", 8, "from 1 to 2999"},
        MalformedCase{"repeat i 0 2\nobject 10\n", 8, "without \"end\""},
        MalformedCase{"end\n", 8, "without \"repeat\""},
        MalformedCase{"repeat i 0 1 0\nend\n", 8, "would not end"},
        MalformedCase{"description \"open\n", 8, "closing quote"},
        MalformedCase{"settings_envelope 50 0 1\n", 8, "not a settings value"},
        MalformedCase{"surface 4 colour 2 0 0\n", 8, "between 0 and 1"},
        MalformedCase{"effect Again\n", 8, "already named"},
        MalformedCase{"type 1\nvideos \"one\"\n", 1, "two videos"},
        MalformedCase{"best 120\n", 1, "percentage"},
        MalformedCase{"repeat a 0 2000\nrepeat b 0 2000\nlet x = 1\nend\nend\n", 10,
                      "runs too long"},
        MalformedCase{"object 10 surface 2\n"
                      "  mesh quad width 1 height 1 cols 200 rows 200\n"
                      "  mesh quad width 1 height 1 cols 200 rows 200\n",
                      10, "65535 vertices"}));

TEST(DescriptionReader, ExpressionsNestAtMostAHundredDeep) {
    std::string deep = std::string(120, '(') + "1" + std::string(120, ')');
    ReadResult result =
        read_description_text(std::string(header) + "let x = " + deep + "\n", "deep.kfx");
    EXPECT_NE(result.error.find("deep.kfx:8: the value in"), std::string::npos) << result.error;
    EXPECT_NE(result.error.find("nested too deeply"), std::string::npos) << result.error;
    std::string fine = std::string(50, '(') + "1" + std::string(50, ')');
    EXPECT_TRUE(read_description_text(std::string(header) + "let x = " + fine + "\n", "ok.kfx")
                    .error.find("nested") == std::string::npos);
}

TEST(DescriptionReader, LoopsNestAtMostSixteenDeep) {
    std::string text = header;
    for (int i = 0; i < 17; ++i) {
        text += "repeat v" + std::to_string(i) + " 0 0\n";
    }
    for (int i = 0; i < 17; ++i) {
        text += "end\n";
    }
    ReadResult result = read_description_text(text, "deep.kfx");
    EXPECT_NE(result.error.find("deep.kfx:24: loops nest more than 16 deep"), std::string::npos)
        << result.error;
}

TEST(DescriptionReader, RejectsAnEffectWithoutNameOrCamera) {
    ReadResult nameless = read_description_text("videos \"A\"\ncamera 1\n", "x.kfx");
    EXPECT_NE(nameless.error.find("x.kfx:1: the effect has no name"), std::string::npos)
        << nameless.error;
    ReadResult stray = read_description_text("effect X\nfrobnicate 3\n", "z.kfx");
    EXPECT_EQ(stray.error, "z.kfx:2: unknown keyword \"frobnicate\"");
    ReadResult blind = read_description_text("effect X\ntype 0\nvideos \"A\"\n", "y.kfx");
    EXPECT_NE(blind.error.find("no camera"), std::string::npos) << blind.error;
}

}  // namespace
}  // namespace kdr::effectc

namespace kdr::effectc {
namespace {

// The example in content/README.md is a working description.
TEST(DescriptionReader, TheDocumentedExampleReads) {
    const char* source = std::getenv("KALEIDRA_TEST_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    std::ifstream in(std::filesystem::path(source) / "content" / "README.md");
    ASSERT_TRUE(in);
    std::string readme((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t heading = readme.find("### An example");
    ASSERT_NE(heading, std::string::npos);
    std::size_t open = readme.find("```\n", heading);
    std::size_t close = readme.find("```", open + 4);
    ASSERT_NE(close, std::string::npos);
    ReadResult result =
        read_description_text(readme.substr(open + 4, close - open - 4), "README.md");
    ASSERT_TRUE(result.effect) << result.error;
    EXPECT_EQ(result.effect->name, "Slide");
    EXPECT_EQ(result.effect->objects.size(), 2u);
    EXPECT_EQ(result.effect->objects[1].keys.size(), 2u);
}

}  // namespace
}  // namespace kdr::effectc
