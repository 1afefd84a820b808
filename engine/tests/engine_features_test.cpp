// What each drawing feature does to the picture, measured on both engines
// (the golden tests hold the pictures as a whole).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "engine_harness.h"
#include "kaleidra/images/bmp_file.h"
#include "kaleidra/images/targa_file.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/testing/xvfb_environment.h"
#include "kaleidra/video/avi_writer.h"

namespace kdr::test {
namespace {

[[maybe_unused]] auto* const x_server =
    ::testing::AddGlobalTestEnvironment(new EngineTestEnvironment);

std::string kind_name(const ::testing::TestParamInfo<EngineKind>& info) {
    return engine_name(info.param);
}

class Features : public ::testing::TestWithParam<EngineKind> {
  protected:
    void SetUp() override { ASSERT_TRUE(engine.loaded()) << engine.error(); }

    // Video A full frame, and video B as a 2.4 x 1.8 quad in front of it.
    void two_videos(const std::string& name, float surface_grey = 1) {
        SceneBuilder s;
        s.type(1).camera();
        s.video_surface(10, 1);
        scene::Surface& b = s.video_surface(11, 2);
        b.diffuse = {surface_grey, surface_grey, surface_grey, 1};
        s.video_quad(100, 10, 1);
        s.quad(101, 11, 2.4f, 1.8f, 2).motion.position[2] = 0.3f;
        ASSERT_TRUE(installation.add_effect(name, s));
    }

    Installation installation;
    Engine engine{GetParam()};
};

int brightness(const Picture& picture, std::uint32_t x, std::uint32_t y) {
    const std::uint8_t* p = picture.at(x, y);
    return p[0] + p[1] + p[2];
}

TEST_P(Features, DrawnVideoQuadShowsTheVideoPixelForPixel) {
    ASSERT_TRUE(installation.add_video_over_backdrop("Drawn"));
    RenderJob job("Drawn", 200, 150);
    ASSERT_EQ(render_once(engine, job), 1);
    EXPECT_TRUE(pictures_match(picture_of(job.video_a.image), job.output_picture(),
                               "drawn_video_quad", Tolerance{2, 0.3}));
}

TEST_P(Features, AntialiasedFrameKeepsTheVideoAtItsSize) {
    two_videos("Doubled");
    RenderJob job("Doubled", 160, 120);
    job.settings.globals[global_antialias] = 1;
    ASSERT_EQ(render_once(engine, job), 1);
    // Between the blue band and the inset, where video A is a smooth ramp,
    // it comes back as it was: drawn (or laid under) at twice the size and
    // averaged back. (Drawn, the video is filtered at the doubled size,
    // which softens its sharp edges a little; laid under, it is exact.)
    const Picture out = job.output_picture();
    const Picture a = picture_of(job.video_a.image);
    int worst = 0;
    for (std::uint32_t y = 20; y < 110; ++y) {
        for (std::uint32_t x = 18; x < 26; ++x) {
            for (int c = 0; c < 3; ++c) {
                worst = std::max(worst, std::abs(out.at(x, y)[c] - a.at(x, y)[c]));
            }
        }
    }
    EXPECT_LE(worst, GetParam() == EngineKind::generic ? 0 : 2);
}

TEST_P(Features, TransparencyMixesTheVideos) {
    two_videos("Mix");
    RenderJob job("Mix", 160, 120);
    job.settings.video_values[1][video_transparency] = 50;
    ASSERT_EQ(render_once(engine, job), 1);
    const Picture out = job.output_picture();
    const Picture a = picture_of(job.video_a.image);
    const Picture b = picture_of(job.video_b.image);
    // The centre of the frame is the centre of the quad, which shows B's
    // centre scaled by 0.6.
    const std::uint8_t* o = out.at(80, 60);
    const std::uint8_t* pa = a.at(80, 60);
    const std::uint8_t* pb = b.at(80, 60);
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(o[c], (pa[c] + pb[c]) / 2.0, 3) << "channel " << c;
    }
}

TEST_P(Features, LuminosityBrightensADimlyLitVideo) {
    two_videos("Glow", 0.35f);
    auto centre = [&](float luminosity) {
        RenderJob job("Glow", 160, 120);
        job.settings.globals[global_lighting] = 1;
        job.settings.video_values[1][video_luminosity] = luminosity;
        EXPECT_EQ(render_once(engine, job), 1);
        return brightness(job.output_picture(), 80, 60);
    };
    const int dim = centre(0);
    const int lit = centre(60);
    EXPECT_GT(lit, dim + 150) << dim << " -> " << lit;
}

TEST_P(Features, ShineAddsAHighlightOnlyAwayFromTheEnds) {
    SceneBuilder s;
    s.type(1).camera();
    s.video_surface(10, 1);
    // A dark surface, so that the lit picture leaves room for the highlight.
    s.video_surface(11, 2).diffuse = {0.3f, 0.3f, 0.3f, 1};
    s.video_quad(100, 10, 1);
    scene::Object& b = s.grid(101, 11, 2.0f, 1.5f, 16, 12, 2);
    b.motion.position[2] = 0.8f;
    b.motion.pitch = -40;
    ASSERT_TRUE(installation.add_effect("Shiny", s));
    auto render_at = [&](std::uint32_t position, float shine) {
        RenderJob job("Shiny", 160, 120);
        job.settings.globals[global_lighting] = 1;
        job.settings.video_values[1][video_shine] = shine;
        job.at(position, 100);
        EXPECT_EQ(render_once(engine, job), 1);
        return job.output_picture();
    };
    const Picture plain = render_at(50, 0);
    const Picture shiny = render_at(50, 90);
    int brighter = 0;
    for (std::uint32_t y = 0; y < 120; ++y) {
        for (std::uint32_t x = 0; x < 160; ++x) {
            brighter += brightness(shiny, x, y) > brightness(plain, x, y) + 60 ? 1 : 0;
        }
    }
    int most = 0;
    for (std::uint32_t y = 0; y < 120; ++y) {
        for (std::uint32_t x = 0; x < 160; ++x) {
            most = std::max(most, brightness(shiny, x, y) - brightness(plain, x, y));
        }
    }
    EXPECT_GT(brighter, 200) << most;
    // At completion 0.02 shine is off.
    EXPECT_TRUE(
        pictures_match(render_at(2, 0), render_at(2, 90), "shine_off_near_start", Tolerance{0, 0}));
}

TEST_P(Features, ShadowDarkensThePlaneBelowTheObject) {
    SceneBuilder s;
    s.type(1).camera();
    s.video_surface(10, 1);
    s.video_quad(100, 10, 1);
    s.colour_surface(13, 0.9f, 0.2f, 0.2f);
    scene::Object& box = s.box(101, 13, 0.8f);
    box.flags[1] = 1;
    box.motion.position[1] = 0.5f;
    box.motion.position[2] = 1;
    ASSERT_TRUE(installation.add_effect("Shadow", s));
    auto below = [&](float shadows, float lighting) {
        RenderJob job("Shadow", 160, 120);
        job.settings.globals[global_lighting] = lighting;
        job.settings.globals[global_shadows] = shadows;
        EXPECT_EQ(render_once(engine, job), 1);
        // The light above throws the shadow down onto the plane.
        return brightness(job.output_picture(), 80, 95);
    };
    const int lit = below(0, 1);
    EXPECT_LT(below(70, 1), lit / 2);
    // No shadow without lighting.
    EXPECT_EQ(below(70, 0), below(0, 0));
}

TEST_P(Features, ObjectWhoseSlotHasNoPictureIsNotDrawn) {
    two_videos("Missing");
    RenderJob job("Missing", 160, 120);
    job.frame.images[1].buffer = nullptr;  // video B absent
    ASSERT_EQ(render_once(engine, job), 1);
    EXPECT_TRUE(pictures_match(picture_of(job.video_a.image), job.output_picture(),
                               "missing_slot_not_drawn", Tolerance{2, 0.3}));
}

TEST_P(Features, TwoVideosSwapWhenATransitionFliesOn) {
    two_videos("Swap");
    RenderJob job("Swap", 160, 120);
    job.settings.globals[global_fly_direction] = 1;
    ASSERT_EQ(render_once(engine, job), 1);
    // Video 1's full-frame object now shows slot 1 (video B), and the inset
    // shows video A.
    const Picture out = job.output_picture();
    const Picture b = picture_of(job.video_b.image);
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(out.at(5, 5)[c], b.at(5, 5)[c], 2);
    }
}

TEST_P(Features, FilterFramesDrawOnlyTheFilterSource) {
    two_videos("Filter");
    RenderJob job("Filter", 160, 120);
    job.settings.globals[global_filter_frames] = 50;
    job.settings.globals[global_filter_source] = 1;
    job.frame.background[0] = 1;  // red where nothing is drawn
    ASSERT_EQ(render_once(engine, job), 1);
    const Picture out = job.output_picture();
    // The full-frame video 1 is not drawn, not even laid under by the
    // memory engine: the background shows round the filter source.
    EXPECT_EQ(out.at(3, 3)[0], 255);
    EXPECT_EQ(out.at(3, 3)[1], 0);
    EXPECT_NE(out.at(80, 60)[0], 255);
}

TEST_P(Features, TransparentFirstVideoIsDrawnNotLaidUnder) {
    two_videos("FadedFirst");
    RenderJob job("FadedFirst", 160, 120);
    job.settings.video_values[0][video_transparency] = 50;
    ASSERT_EQ(render_once(engine, job), 1);
    // Over a black background video A shows at half strength.
    const Picture out = job.output_picture();
    const Picture a = picture_of(job.video_a.image);
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(out.at(5, 100)[c], a.at(5, 100)[c] / 2.0, 2) << c;
    }
}

TEST_P(Features, OutputRowOrderAndFormatAreTheCallers) {
    two_videos("Formats");
    RenderJob reference("Formats", 64, 48);
    ASSERT_EQ(render_once(engine, reference), 1);
    const Picture expected = reference.output_picture();
    for (std::uint8_t format : {format_rgb, format_bgr, format_rgba, format_abgr, format_argb}) {
        for (std::uint8_t order : {row_order_bottom_up, row_order_top_down}) {
            RenderJob job("Formats", 64, 48);
            TestPicture output(format, 64, 48, order);
            image_shallow_copy(job.frame.output, output.image);
            ASSERT_EQ(render_once(engine, job), 1);
            EXPECT_TRUE(pictures_match(expected, picture_of(output.image),
                                       "output_format_" + std::to_string(format), Tolerance{0, 0}))
                << "format " << int(format) << " order " << int(order);
        }
    }
}

// Colours of the frames of the test movies and sequences.
const std::uint8_t frame_colours[5][3] = {
    {200, 30, 30}, {30, 200, 30}, {30, 30, 200}, {200, 200, 30}, {30, 200, 200}};

class MappedVideos : public Features {
  protected:
    void SetUp() override {
        Features::SetUp();
        two_videos("Mapped");
    }
    // Maps `file` of `kind` (3 AVI, 4 bitmaps, 5 Targa) onto image slot 1.
    void map(RenderJob& job, std::uint16_t kind, const std::filesystem::path& file) {
        auto surface = std::make_unique<scene::Surface>();
        surface->id = 500;
        surface->source_kind = kind;
        surface->video_number = 1;  // 0-based slot in the user's mappings
        const std::string name = file.string();
        std::copy(name.begin(), name.end(), surface->name.begin());
        settings_scene(job.settings)->surfaces.push_back(std::move(surface));
    }
    // The inset's centre, which shows slot 1.
    static void expect_colour(const RenderJob& job, const std::uint8_t (&colour)[3]) {
        const Picture out = job.output_picture();
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(out.at(80, 60)[c], colour[c], 2) << "channel " << c;
        }
    }
    void write_solid(const std::filesystem::path& file, int colour, bool targa) {
        TestPicture picture(format_bgr, 32, 24);
        for (std::uint32_t y = 0; y < 24; ++y) {
            for (std::uint32_t x = 0; x < 32; ++x) {
                picture.set(x, y, frame_colours[colour][0], frame_colours[colour][1],
                            frame_colours[colour][2]);
            }
        }
        ASSERT_TRUE(targa ? write_targa_file(picture.image, file).ok()
                          : write_bmp_file(picture.image, file).ok());
    }
};

TEST_P(MappedVideos, AviFrameFollowsTheFramePosition) {
    const std::filesystem::path movie = installation.path() / "Work" / "clip.avi";
    {
        auto writer = video::AviWriter::create(movie, 32, 24, 25, video::CompressOptions{});
        ASSERT_TRUE(writer.ok()) << writer.error();
        std::vector<std::uint8_t> frame(video::AviWriter::frame_size(32, 24));
        for (const auto& colour : frame_colours) {
            for (std::size_t row = 0; row < 24; ++row) {
                for (std::size_t x = 0; x < 32; ++x) {
                    std::uint8_t* p = frame.data() + row * 96 + x * 3;
                    p[0] = colour[2], p[1] = colour[1], p[2] = colour[0];
                }
            }
            ASSERT_TRUE(writer->write_frame(frame.data(), frame.size()).ok());
        }
        ASSERT_TRUE(writer->close().ok());
    }
    for (std::uint32_t position : {0u, 2u, 9u}) {
        RenderJob job("Mapped", 160, 120);
        map(job, source_avi, movie);
        job.at(position, 10);
        ASSERT_EQ(render_once(engine, job), 1);
        // Past its end the movie holds its last frame.
        expect_colour(job, frame_colours[std::min(position, 4u)]);
    }
}

TEST_P(MappedVideos, SequencesFallBackToEarlierFrames) {
    for (bool targa : {false, true}) {
        const std::string extension = targa ? "tga" : "bmp";
        for (int i = 0; i < 3; ++i) {
            write_solid(
                installation.path() / "Work" / ("take000" + std::to_string(i) + "." + extension), i,
                targa);
        }
        for (std::uint32_t position : {1u, 2u, 4u}) {
            RenderJob job("Mapped", 160, 120);
            map(job, targa ? source_targa_sequence : source_bitmap_sequence,
                installation.path() / "Work" / ("take0000." + extension));
            job.at(position, 10);
            ASSERT_EQ(render_once(engine, job), 1);
            // Frames 3 and 4 are missing: frame 2 stands in.
            expect_colour(job, frame_colours[std::min(position, 2u)]);
            EXPECT_GE(job.frame.image_count, 2u);
        }
    }
}

TEST_P(MappedVideos, FieldFramesHalveTheIndexAndQuietFramesLoadNothing) {
    for (int i = 0; i < 3; ++i) {
        write_solid(installation.path() / "Work" / ("fld000" + std::to_string(i) + ".bmp"), i,
                    false);
    }
    RenderJob field("Mapped", 160, 120);
    map(field, source_bitmap_sequence, installation.path() / "Work" / "fld0000.bmp");
    field.frame.flags |= flag_field | flag_field_parity_1;
    field.at(4, 10);
    ASSERT_EQ(render_once(engine, field), 1);
    expect_colour(field, frame_colours[2]);
    // The slot describes one field of the 24-row picture.
    EXPECT_EQ(field.frame.images[1].height, 12u);

    RenderJob quiet("Mapped", 160, 120);
    map(quiet, source_bitmap_sequence, installation.path() / "Work" / "fld0000.bmp");
    quiet.frame.quiet = 1;
    quiet.at(1, 10);
    ASSERT_EQ(render_once(engine, quiet), 1);
    std::uint8_t r, g, b;
    quiet.video_b.get(80, 60, r, g, b);
    const Picture out = quiet.output_picture();
    EXPECT_NEAR(out.at(80, 60)[0], r, 2);  // video B itself
}

INSTANTIATE_TEST_SUITE_P(Engines, MappedVideos,
                         ::testing::Values(EngineKind::generic, EngineKind::hardware), kind_name);

INSTANTIATE_TEST_SUITE_P(Engines, Features,
                         ::testing::Values(EngineKind::generic, EngineKind::hardware), kind_name);

}  // namespace
}  // namespace kdr::test
