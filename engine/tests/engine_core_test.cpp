// The drawing core and the engines' common behaviour, driven directly with a
// memory surface: sizes, prepare-time state, sub-frames, texture loading.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine_harness.h"
#include "kaleidra/gl/osmesa_surface.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/render/drawing_core.h"
#include "kaleidra/render/engine_frontend.h"
#include "kaleidra/render/matrix.h"
#include "kaleidra/render/object_transform.h"
#include "kaleidra/render/picture_output.h"
#include "lay_rows.h"

namespace kdr::test {
namespace {

class MemoryBackend final : public render::EngineBackend {
  public:
    Result<std::unique_ptr<gl::Surface>> create_surface(std::uint32_t width,
                                                        std::uint32_t height) override {
        last_width = width;
        last_height = height;
        auto surface = gl::OsMesaSurface::create(width, height);
        if (!surface.ok()) {
            return Error{surface.error()};
        }
        return std::unique_ptr<gl::Surface>(std::move(surface.value()));
    }
    std::uint32_t last_width = 0;
    std::uint32_t last_height = 0;
};

class EngineCore : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(installation.add_fallback_effect()); }

    // Prepares the job with the memory backend; the context is freed by the
    // fixture.
    RenderContext* prepare(RenderJob& job) {
        context = render::prepare_context(backend, context, &job.settings, &job.frame);
        return context;
    }
    void TearDown() override { render::free_context(backend, context); }

    Installation installation;
    MemoryBackend backend;
    RenderContext* context = nullptr;
};

TEST_F(EngineCore, AntialiasingDoublesTheDrawingButNotLayoutPreviews) {
    RenderJob job("Ballsplt", 320, 240);
    job.settings.globals[global_antialias] = 1;
    ASSERT_NE(prepare(job), nullptr);
    EXPECT_EQ(backend.last_width, 640u);
    EXPECT_EQ(backend.last_height, 480u);
    ASSERT_EQ(render::render_frame(backend, context, &job.settings, &job.frame), 1);

    job.frame.flags = flag_layout_preview | flag_preview_camera;
    ASSERT_NE(prepare(job), nullptr);
    EXPECT_EQ(backend.last_width, 320u);
    EXPECT_EQ(backend.last_height, 240u);
}

TEST_F(EngineCore, AntialiasingAveragesTheDoubledPictureBack) {
    SceneBuilder scene;
    scene.type(1).camera();
    scene.colour_surface(12, 0, 0, 0);
    scene.quad(100, 12, 6, 4.5f).motion.position[2] = -1;
    scene.colour_surface(13, 1, 1, 1);
    scene.quad(101, 13, 2.6f, 0.5f).motion.bank = 20;
    ASSERT_TRUE(installation.add_effect("Bar", scene));
    auto partial_pixels = [&](bool antialias) {
        RenderJob job("Bar", 320, 240);
        job.settings.globals[global_antialias] = antialias ? 1 : 0;
        EXPECT_NE(prepare(job), nullptr);
        EXPECT_EQ(render::render_frame(backend, context, &job.settings, &job.frame), 1);
        int partial = 0;
        for (std::uint32_t y = 0; y < 240; ++y) {
            for (std::uint32_t x = 0; x < 320; ++x) {
                std::uint8_t r, g, b;
                job.output.get(x, y, r, g, b);
                EXPECT_TRUE(r == g && g == b);
                partial += (r != 0 && r != 255) ? 1 : 0;
            }
        }
        return partial;
    };
    EXPECT_EQ(partial_pixels(false), 0);
    // Edge pixels average 2 x 2 drawn pixels: 1/4, 2/4 or 3/4 of white.
    EXPECT_GT(partial_pixels(true), 100);
}

TEST_F(EngineCore, LayoutPreviewLoadsNoTextures) {
    TestPicture texture(format_bgr, 16, 16);
    texture.fill(200);
    ASSERT_TRUE(installation.add_texture("Bricks", texture.image));
    SceneBuilder scene;
    scene.type(1).camera();
    scene.texture_surface(12, "Bricks");
    scene.quad(100, 12, 4, 3);
    ASSERT_TRUE(installation.add_effect("Textured", scene));

    RenderJob job("Textured", 64, 48);
    ASSERT_NE(prepare(job), nullptr);
    ASSERT_TRUE(context->surface->make_current());
    EXPECT_TRUE(context->surface->gl().IsTexture(100));
    context->surface->release_current();

    RenderJob layout("Textured", 64, 48);
    layout.frame.flags = flag_layout_preview | flag_preview_top;
    ASSERT_NE(prepare(layout), nullptr);
    ASSERT_TRUE(context->surface->make_current());
    EXPECT_FALSE(context->surface->gl().IsTexture(100));
    context->surface->release_current();
    // Nor are the slots given texture sizes.
    EXPECT_EQ(layout.frame.images[0].texture_width, 0u);
}

TEST_F(EngineCore, PicturesThatCannotBeUploadedAreReportedOnceAndDrawnWithout) {
    // Pixels in a layout OpenGL cannot take (format 7): a scene texture
    // at prepare, and a video at every frame.
    TestPicture odd(format_bgr, 16, 16);
    odd.fill(200);
    odd.image.format = 7;
    ASSERT_TRUE(installation.add_texture("Odd", odd.image));
    SceneBuilder scene;
    scene.type(1).camera();
    scene.texture_surface(12, "Odd");
    scene.quad(100, 12, 4, 3);
    scene.video_surface(13, 2);
    scene.quad(101, 13, 2, 1.5f).motion.position[2] = 0.5f;
    ASSERT_TRUE(installation.add_effect("Odd", scene));

    RenderJob job("Odd", 64, 48);
    job.frame.images[1].format = 7;
    ::testing::internal::CaptureStderr();
    for (std::uint32_t frame = 0; frame < 3; ++frame) {
        job.frame.position = frame;
        ASSERT_NE(prepare(job), nullptr);
        EXPECT_EQ(render::render_frame(backend, context, &job.settings, &job.frame), 1)
            << "drawn without the pictures";
    }
    const std::string written = ::testing::internal::GetCapturedStderr();
    auto count = [&](const std::string& text) {
        std::size_t found = 0;
        for (std::size_t at = written.find(text); at != std::string::npos;
             at = written.find(text, at + 1)) {
            ++found;
        }
        return found;
    };
    EXPECT_EQ(count("texture \"Odd\" (16 x 16) could not be uploaded"), 1u) << written;
    EXPECT_EQ(count("the picture of video 2 (64 x 48, 4 bytes a pixel) could not be uploaded"), 1u)
        << written;
}

TEST_F(EngineCore, PrepareGivesEverySlotTheLargestTextureSize) {
    RenderJob job("Ballsplt", 64, 48);
    TestPicture wide(format_bgr, 640, 48);
    image_shallow_copy(job.frame.images[1], wide.image);
    ASSERT_NE(prepare(job), nullptr);
    for (int slot : {0, 1}) {
        EXPECT_EQ(job.frame.images[slot].texture_width, 1024u);
        EXPECT_EQ(job.frame.images[slot].texture_height, 64u);
    }
    EXPECT_FLOAT_EQ(job.frame.images[0].width_ratio, 64.0f / 1024.0f);
    EXPECT_FLOAT_EQ(job.frame.images[1].width_ratio, 640.0f / 1024.0f);
    EXPECT_FLOAT_EQ(job.frame.images[0].height_ratio, 48.0f / 64.0f);
    EXPECT_FLOAT_EQ(job.frame.aspect, 64.0f / 48.0f);
}

// The viewport is the drawing's: doubled with antialiasing.
TEST_F(EngineCore, PrepareSetsTheViewportForAnySize) {
    struct Case {
        std::uint32_t width, height;
        bool antialias;
    };
    for (const Case& c : {Case{640, 480, false}, Case{512, 256, false}, Case{256, 128, true}}) {
        RenderJob job("Ballsplt", c.width, c.height);
        job.settings.globals[global_antialias] = c.antialias ? 1 : 0;
        const std::uint32_t width = c.antialias ? c.width * 2 : c.width;
        const std::uint32_t height = c.antialias ? c.height * 2 : c.height;
        ASSERT_NE(prepare(job), nullptr);
        ASSERT_TRUE(context->surface->make_current());
        GLint viewport[4] = {};
        context->surface->gl().GetIntegerv(GL_VIEWPORT, viewport);
        context->surface->release_current();
        EXPECT_EQ(viewport[0], 0);
        EXPECT_EQ(viewport[1], 0);
        EXPECT_EQ(viewport[2], static_cast<GLint>(width));
        EXPECT_EQ(viewport[3], static_cast<GLint>(height));
    }
}

TEST_F(EngineCore, LightDirectionNinetyPutsTheLightAtTwentyZeroTwenty) {
    RenderJob job("Ballsplt", 32, 24);
    job.settings.globals[global_light_direction] = 90;
    ASSERT_NE(prepare(job), nullptr);
    const render::DrawState& state = context->core->state();
    EXPECT_NEAR(state.light.x, 20, 1e-4);
    EXPECT_NEAR(state.light.y, 0, 1e-4);
    EXPECT_NEAR(state.light.z, 20, 1e-4);
    // The shadow plane lies just in front of the first object.
    EXPECT_NEAR(state.shadow_plane, 0.02f, 1e-6);

    job.settings.globals[global_light_direction] = 0;
    ASSERT_NE(prepare(job), nullptr);
    EXPECT_NEAR(context->core->state().light.x, 0, 1e-6);
    EXPECT_NEAR(context->core->state().light.y, 20, 1e-6);
}

TEST(BlurPositions, FourSubFramesAtHalfPercentStepBackFromThePosition) {
    const std::vector<double> positions = render::blur_positions(4, 50, 10);
    ASSERT_EQ(positions.size(), 4u);
    EXPECT_DOUBLE_EQ(positions[0], 10.0);
    EXPECT_DOUBLE_EQ(positions[1], 9.875);
    EXPECT_DOUBLE_EQ(positions[2], 9.75);
    EXPECT_DOUBLE_EQ(positions[3], 9.625);
}

TEST_F(EngineCore, BlurDrawsItsSubFramesInOrder) {
    RenderJob job("Ballsplt", 32, 24);
    job.settings.globals[global_blur_count] = 4;
    job.settings.globals[global_blur_percent] = 50;
    job.at(10, 20);
    ASSERT_NE(prepare(job), nullptr);
    ASSERT_EQ(render::render_frame(backend, context, &job.settings, &job.frame), 1);
    const std::vector<float>& passes = context->core->pass_completions();
    ASSERT_EQ(passes.size(), 4u);
    EXPECT_FLOAT_EQ(passes[0], 10.0f / 20);
    EXPECT_FLOAT_EQ(passes[1], 9.875f / 20);
    EXPECT_FLOAT_EQ(passes[2], 9.75f / 20);
    EXPECT_FLOAT_EQ(passes[3], 9.625f / 20);
}

TEST_F(EngineCore, BlurSubFramesFollowTheTransitionPeriod) {
    // Flying off over the last half of the clip: frame 30 of 40 is halfway.
    RenderJob job("Ballsplt", 32, 24);
    job.settings.globals[global_blur_count] = 2;
    job.settings.globals[global_blur_percent] = 100;
    job.settings.globals[global_transition_period] = 50;
    job.at(30, 40);
    ASSERT_NE(prepare(job), nullptr);
    ASSERT_EQ(render::render_frame(backend, context, &job.settings, &job.frame), 1);
    const std::vector<float>& passes = context->core->pass_completions();
    ASSERT_EQ(passes.size(), 2u);
    EXPECT_FLOAT_EQ(passes[0], 0.5f);          // position 30
    EXPECT_FLOAT_EQ(passes[1], 9.5f / 20.0f);  // position 29.5
}

TEST_F(EngineCore, NoBlurAtTheEndsOfTheEffectNorInLayoutPreviews) {
    for (std::uint32_t position : {0u, 10u}) {
        RenderJob job("Ballsplt", 32, 24);
        job.settings.globals[global_blur_count] = 4;
        job.at(position, 10);
        ASSERT_NE(prepare(job), nullptr);
        ASSERT_EQ(render::render_frame(backend, context, &job.settings, &job.frame), 1);
        EXPECT_EQ(context->core->pass_completions().size(), 1u) << position;
    }
    RenderJob job("Ballsplt", 32, 24);
    job.settings.globals[global_blur_count] = 4;
    job.frame.flags = flag_layout_preview | flag_preview_side;
    ASSERT_NE(prepare(job), nullptr);
    ASSERT_EQ(render::render_frame(backend, context, &job.settings, &job.frame), 1);
    EXPECT_EQ(context->core->pass_completions().size(), 1u);
}

TEST(VideoSlot, SwapsTheTwoVideosOfATransitionFlyingOn) {
    EXPECT_EQ(render::video_slot(0, false), -1);
    EXPECT_EQ(render::video_slot(1, false), 0);
    EXPECT_EQ(render::video_slot(2, false), 1);
    EXPECT_EQ(render::video_slot(1, true), 1);
    EXPECT_EQ(render::video_slot(2, true), 0);
    EXPECT_EQ(render::video_slot(3, true), 2);
}

TEST(Matrix, AppliesTransformsAsTheFixedPipelineDoes) {
    render::Matrix m = render::Matrix::identity();
    m.translate(1, 2, 3);
    m.rotate(90, 0, 0, 1);
    m.scale(2, 2, 2);
    // (1, 0, 0) scaled to (2, 0, 0), turned to (0, 2, 0), moved to (1, 4, 3).
    const render::Vector3 p = m.transform_point({1, 0, 0});
    EXPECT_NEAR(p.x, 1, 1e-5);
    EXPECT_NEAR(p.y, 4, 1e-5);
    EXPECT_NEAR(p.z, 3, 1e-5);
}

struct DirectionCase {
    float direction;
    float follows;
    std::uint32_t type;
    int slot;
    float completion;
    float turn;
    float follow;
};

class ObjectDirection : public ::testing::TestWithParam<DirectionCase> {};

TEST_P(ObjectDirection, TurnsThePathAndGraduallyTheObject) {
    const DirectionCase c = GetParam();
    FrameValues values{};
    values.video_values[c.slot][video_direction] = c.direction;
    values.video_values[c.slot][video_follows_direction] = c.follows;
    scene::Object object;
    object.video_number = static_cast<std::uint32_t>(c.slot + 1);
    render::DirectionInputs inputs;
    inputs.values = &values;
    inputs.slot = c.slot;
    inputs.completion = c.completion;
    inputs.effect_type = c.type;
    const render::Direction d = render::object_direction(object, inputs);
    EXPECT_FLOAT_EQ(d.turn, c.turn);
    EXPECT_FLOAT_EQ(d.follow, c.follow);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ObjectDirection,
    ::testing::Values(DirectionCase{0, 1, 1, 0, 0.5f, 0, 0},      // no direction
                      DirectionCase{90, 0, 1, 0, 0.5f, 90, 0},    // turns the path only
                      DirectionCase{270, 0, 1, 0, 0.5f, -90, 0},  // above 180 counts negative
                      DirectionCase{40, 1, 1, 0, 0.1f, 40, 16},   // first quarter: 4 x 0.1
                      DirectionCase{40, 1, 1, 0, 0.5f, 40, 40},   // after it: whole
                      DirectionCase{40, 1, 1, 1, 0.9f, 40, 16},   // video 2: last quarter
                      DirectionCase{40, 1, 1, 1, 0.5f, 40, 40},
                      DirectionCase{40, 1, 2, 1, 0.9f, 40, 40}));  // type 2: at once

TEST(ObjectPivot, RootObjectTurnsItsPivotWithTheDirection) {
    FrameValues values{};
    values.video_values[0][video_direction] = 90;
    scene::Object object;
    object.video_number = 1;
    object.pivot = {1, 0, 0.5f};
    render::DirectionInputs inputs;
    inputs.values = &values;
    inputs.slot = 0;
    const render::Direction d = render::object_direction(object, inputs);
    const render::Vector3 pivot = render::object_pivot(object, inputs, d);
    EXPECT_NEAR(pivot.x, 0, 1e-5);
    EXPECT_NEAR(pivot.y, 1, 1e-5);
    EXPECT_NEAR(pivot.z, 0.5f, 1e-6);
    values.video_values[0][video_follows_direction] = 1;
    const render::Vector3 kept = render::object_pivot(object, inputs, d);
    EXPECT_FLOAT_EQ(kept.x, 1);
}

TEST(PictureOutput, RowsOfTheHalvesComeFromTheFlags) {
    EXPECT_EQ(render::output_rows(0), 0);
    EXPECT_EQ(render::output_rows(flag_upper_half), 1);
    EXPECT_EQ(render::output_rows(flag_lower_half), 2);
    EXPECT_EQ(render::output_rows(flag_upper_half | flag_lower_half), 2);
}

// The picture rows a half is made from reach every row image_convert reads
// for its output rows: same size, halved, and enlarged, where an output
// row's block can start past the half's first row and still need one more.
struct PictureRowsCase {
    std::uint32_t height;
    std::uint32_t output_height;
    int rows;
    std::uint32_t first;
    std::uint32_t end;
};

class PictureRows : public ::testing::TestWithParam<PictureRowsCase> {};

TEST_P(PictureRows, CoverTheBlocksOfTheOutputRows) {
    const PictureRowsCase c = GetParam();
    std::uint32_t first = 99;
    std::uint32_t end = 99;
    render::picture_rows(c.height, c.output_height, c.rows, first, end);
    EXPECT_EQ(first, c.first);
    EXPECT_EQ(end, c.end);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, PictureRows,
    ::testing::Values(PictureRowsCase{121, 121, 0, 0, 121}, PictureRowsCase{121, 121, 1, 0, 60},
                      PictureRowsCase{121, 121, 2, 60, 121}, PictureRowsCase{242, 121, 1, 0, 120},
                      PictureRowsCase{242, 121, 2, 120, 242},
                      // 10 rows shown on 55: output rows 0..26 read rows 0..4
                      // (row 26 is block 26 x 10 / 55 = 4); rows 27..54 read 4..9.
                      PictureRowsCase{10, 55, 1, 0, 5}, PictureRowsCase{10, 55, 2, 4, 10},
                      PictureRowsCase{30, 0, 1, 0, 30}));

TEST(PictureOutput, PictureOverVideoEqualsDrawingOnTopOfIt) {
    // One pixel half covered by red (premultiplied 128, alpha 128), one not
    // covered, one wholly covered by green.
    std::uint8_t picture[12] = {0, 0, 128, 128, 0, 0, 0, 0, 0, 255, 0, 255};
    TestPicture video(format_bgra, 3, 1);
    video.set(0, 0, 0, 0, 200);
    video.set(1, 0, 10, 20, 30);
    video.set(2, 0, 90, 90, 90);
    ASSERT_TRUE(render::composite_over_video(picture, 3, 1, video.image, 1, 0));
    // Red 128 + (1 - 128/255) x 0; blue 0 + 127/255 x 200 = 99.6.
    EXPECT_EQ(picture[2], 128);
    EXPECT_EQ(picture[0], 100);
    EXPECT_EQ(picture[4], 30);
    EXPECT_EQ(picture[5], 20);
    EXPECT_EQ(picture[6], 10);
    EXPECT_EQ(picture[9], 255);
    EXPECT_EQ(picture[8], 0);
    EXPECT_EQ(picture[11], 255);
}

// The row loop picked for this processor (eight or four pixels at a time,
// with shortcuts for uncovered and covered runs) gives what the portable
// loop gives: every width up to two vectors and beyond (the tails), runs of
// every kind, highlights added over uncovered pixels, a colour beneath, and
// the picture overwritten in place.
TEST(LayRows, FastestLoopEqualsPortableLoop) {
    std::uint32_t seed = 777;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<std::uint8_t>(seed >> 16);
    };
    const std::uint32_t widths[] = {0, 1, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 33, 1000};
    for (std::uint32_t width : widths) {
        for (int pattern = 0; pattern < 4; ++pattern) {
            std::vector<std::uint8_t> picture(std::size_t{width} * 4 + 4);
            std::vector<std::uint8_t> under(picture.size());
            for (std::size_t x = 0; x < width; ++x) {
                // Runs of eleven pixels: uncovered, covered, mixed.
                const std::size_t run = (x / 11 + static_cast<std::size_t>(pattern)) % 3;
                std::uint8_t alpha = run == 0 ? 0 : run == 1 ? 255 : next();
                if (pattern == 3) {
                    alpha = next();
                }
                picture[x * 4 + 3] = alpha;
                for (int c = 0; c < 3; ++c) {
                    // Uncovered pixels may carry added highlights.
                    picture[x * 4 + c] = alpha == 0 ? next() % 90 : next() % (alpha + 1);
                    under[x * 4 + c] = next();
                }
                under[x * 4 + 3] = next();
            }
            // Starting one pixel in: loads that are not aligned.
            for (std::size_t offset : {std::size_t{0}, std::size_t{4}}) {
                const std::uint32_t count = offset == 0 ? width : (width > 0 ? width - 1 : 0);
                for (bool fixed : {false, true}) {
                    std::vector<std::uint8_t> fast(picture.size(), 1);
                    std::vector<std::uint8_t> portable(picture.size(), 1);
                    render::lay_row_bgra(picture.data() + offset, under.data() + offset, fixed,
                                         fast.data() + offset, count);
                    render::lay_row_bgra_portable(picture.data() + offset, under.data() + offset,
                                                  fixed, portable.data() + offset, count);
                    EXPECT_EQ(fast, portable) << "width " << width << " pattern " << pattern
                                              << " offset " << offset << " fixed " << fixed;
                }
                std::vector<std::uint8_t> in_place = picture;
                std::vector<std::uint8_t> portable(picture.size(), 1);
                render::lay_row_bgra(in_place.data() + offset, under.data() + offset, false,
                                     in_place.data() + offset, count);
                render::lay_row_bgra_portable(picture.data() + offset, under.data() + offset, false,
                                              portable.data() + offset, count);
                EXPECT_TRUE(std::equal(in_place.begin() + offset,
                                       in_place.begin() + offset + count * 4,
                                       portable.begin() + offset))
                    << "in place, width " << width << " pattern " << pattern;
            }
        }
    }
}

// Every layout of the video beneath and of the target, against the formula
// computed here pixel by pixel: colour + round((255 - alpha) x beneath /
// 255), saturated, alpha 255 where the target has one.
struct LayoutOf {
    std::uint8_t format;
    std::uint8_t bpp;
    int r, g, b, a;  // byte offsets; a < 0: no alpha
};

TEST(LayRows, EveryPairOfLayoutsFollowsTheFormula) {
    const LayoutOf layouts[] = {{format_bgra, 4, 2, 1, 0, 3}, {format_rgba, 4, 0, 1, 2, 3},
                                {format_argb, 4, 1, 2, 3, 0}, {format_abgr, 4, 3, 2, 1, 0},
                                {format_bgr, 3, 2, 1, 0, -1}, {format_rgb, 3, 0, 1, 2, -1},
                                {format_bgr, 4, 2, 1, 0, -1}, {format_rgb, 4, 0, 1, 2, -1}};
    constexpr std::uint32_t width = 300;  // more than one chunk
    std::uint32_t seed = 99;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<std::uint8_t>(seed >> 16);
    };
    std::vector<std::uint8_t> picture(width * 4);
    for (std::uint32_t x = 0; x < width; ++x) {
        const std::uint8_t alpha = x % 5 == 0 ? 0 : x % 5 == 1 ? 255 : next();
        picture[x * 4 + 3] = alpha;
        for (int c = 0; c < 3; ++c) {
            picture[x * 4 + c] = alpha == 0 ? next() % 60 : next() % (alpha + 1);
        }
    }
    auto laid = [](int colour, int alpha, int beneath) {
        return std::min(255, colour + ((255 - alpha) * beneath * 2 + 255) / 510);
    };
    for (const LayoutOf& u : layouts) {
        std::vector<std::uint8_t> under(width * u.bpp);
        for (std::uint8_t& byte : under) {
            byte = next();
        }
        for (const LayoutOf& t : layouts) {
            const render::RowLayer layer(u.format, u.bpp, t.format, t.bpp);
            ASSERT_TRUE(layer.valid());
            std::vector<std::uint8_t> target(width * t.bpp, 7);
            layer.lay(picture.data(), under.data(), target.data(), width);
            std::vector<std::uint8_t> on_colour(width * t.bpp, 7);
            const std::uint8_t bgr[3] = {30, 140, 250};
            layer.lay_on_colour(picture.data(), bgr, on_colour.data(), width);
            for (std::uint32_t x = 0; x < width; ++x) {
                const std::uint8_t* p = &picture[x * 4];
                const std::uint8_t* v = &under[x * u.bpp];
                const std::uint8_t* o = &target[x * t.bpp];
                const std::uint8_t* c = &on_colour[x * t.bpp];
                ASSERT_EQ(o[t.r], laid(p[2], p[3], v[u.r]))
                    << int(u.format) << " " << int(t.format);
                ASSERT_EQ(o[t.g], laid(p[1], p[3], v[u.g]))
                    << int(u.format) << " " << int(t.format);
                ASSERT_EQ(o[t.b], laid(p[0], p[3], v[u.b]))
                    << int(u.format) << " " << int(t.format);
                ASSERT_EQ(c[t.r], laid(p[2], p[3], 250));
                ASSERT_EQ(c[t.g], laid(p[1], p[3], 140));
                ASSERT_EQ(c[t.b], laid(p[0], p[3], 30));
                if (t.a >= 0) {
                    ASSERT_EQ(o[t.a], 255);
                    ASSERT_EQ(c[t.a], 255);
                }
            }
        }
    }
    EXPECT_FALSE(render::RowLayer(99, 4, format_bgra, 4).valid());
    EXPECT_FALSE(render::RowLayer(format_bgra, 3, format_bgra, 4).valid());
}

// The output copy takes a four-pixels-at-a-time road for 32-bit pictures in
// the drawing's own channel order and a pixel-by-pixel one for the others;
// both give the same colours, for every row mode.
TEST(PictureOutput, EveryLayoutGetsTheSameColours) {
    const std::uint32_t width = 37;
    const std::uint32_t height = 5;
    std::vector<std::uint8_t> drawn(width * height * 4);
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<std::uint8_t>(seed >> 16);
    };
    for (std::size_t i = 0; i < drawn.size(); i += 4) {
        const std::uint8_t alpha = next() % 3 == 0 ? 255 : next();
        drawn[i + 3] = alpha;
        for (int c = 0; c < 3; ++c) {
            drawn[i + c] = static_cast<std::uint8_t>(next() % (alpha + 1));  // premultiplied
        }
    }
    TestPicture video(format_bgra, width, height);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            video.set(x, y, next(), next(), next());
        }
    }
    for (int rows : {0, 1, 2}) {
        TestPicture fast(format_bgra, width, height);
        std::vector<std::uint8_t> picture = drawn;
        std::vector<std::uint8_t> scratch;
        ASSERT_TRUE(render::lay_onto_video(picture.data(), width, height, video.image, fast.image,
                                           rows, scratch));
        for (std::uint8_t format : {format_rgb, format_bgr, format_rgba, format_argb}) {
            TestPicture general(format, width, height, row_order_top_down);
            general.fill(0);
            picture = drawn;
            ASSERT_TRUE(render::lay_onto_video(picture.data(), width, height, video.image,
                                               general.image, rows, scratch));
            EXPECT_TRUE(pictures_match(picture_of(fast.image), picture_of(general.image),
                                       "lay_onto_video_" + std::to_string(format), Tolerance{0, 0}))
                << "format " << int(format) << " rows " << rows;
        }
        const float grey[4] = {0.5f, 0.25f, 1, 1};
        TestPicture fast_colour(format_bgra, width, height);
        TestPicture general_colour(format_rgb, width, height);
        picture = drawn;
        ASSERT_TRUE(
            render::lay_onto_colour(picture.data(), width, height, grey, fast_colour.image, rows));
        picture = drawn;
        ASSERT_TRUE(render::lay_onto_colour(picture.data(), width, height, grey,
                                            general_colour.image, rows));
        EXPECT_TRUE(pictures_match(picture_of(fast_colour.image), picture_of(general_colour.image),
                                   "lay_onto_colour", Tolerance{0, 0}));
    }
}

}  // namespace
}  // namespace kdr::test
