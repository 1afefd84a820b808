// Values a stored settings file or an envelope may hold that no option page
// offers (not a number, infinities, negative and huge values): each of the
// 230 values of the settings record, the parameters envelopes drive, and
// every field of envelope and path keys is set to each of them in turn, and
// a small frame of a busy scene (motion blur, trails, shadows, a morph, the
// filter placement, three videos) must still be drawn, reporting progress
// from 0 to 100 in a bounded number of steps.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "engine_harness.h"
#include "kaleidra/images/bmp_file.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/scene/motion.h"

namespace kdr::test {
namespace {

[[maybe_unused]] auto* const x_server =
    ::testing::AddGlobalTestEnvironment(new EngineTestEnvironment);

struct Hostile {
    const char* name;
    float value;
};

const Hostile hostile_values[] = {
    {"NaN", std::numeric_limits<float>::quiet_NaN()},
    {"+inf", std::numeric_limits<float>::infinity()},
    {"-inf", -std::numeric_limits<float>::infinity()},
    {"-1", -1.0f},
    {"1e30", 1e30f},
    {"-1e30", -1e30f},
    {"2^30", 1073741824.0f},
};

constexpr std::uint32_t width = 16;
constexpr std::uint32_t height = 12;
// The most objects a pass of "Busy" draws at position 5 of 10: its five
// drawn objects (the morph target is not), and five trail copies (as many
// as frames lie behind) of each of the four objects that show a video.
constexpr int most_drawn_objects = 5 + 4 * 5;
// The most sub-frames of motion blur.
constexpr int most_passes = 10;

// What the progress callback saw during one render.
struct ProgressLog {
    int calls = 0;
    int lowest = 0;
    int highest = 0;
    int last = 0;
    bool backwards = false;
};
thread_local ProgressLog progress_log;

int log_progress(int percent) {
    ProgressLog& log = progress_log;
    if (log.calls == 0) {
        log.lowest = log.highest = percent;
    }
    log.backwards = log.backwards || (log.calls > 0 && percent < log.last);
    log.lowest = std::min(log.lowest, percent);
    log.highest = std::max(log.highest, percent);
    log.last = percent;
    ++log.calls;
    return 0;
}

class HostileValues : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        installation = new Installation;
        SceneBuilder s;
        s.type(1).camera();
        s.video_surface(10, 1);
        s.video_surface(11, 2);
        s.video_surface(12, 3);
        s.video_quad(100, 10, 1);
        scene::Object& inset = s.quad(101, 11, 2, 1.5f, 2);
        inset.motion.position[2] = 0.5f;
        inset.flags[1] = 1;  // casts a shadow
        s.path(200, 101, {path_key(0, -1, 0, 0.5f), path_key(1, 1, 0.5f, 0.5f, 90)});
        scene::Object& morph = s.box(102, 12, 0.8f);
        morph.video_number = 3;
        morph.morph_target_count = 1;
        morph.next_morph_target_id = 103;
        morph.flags[1] = 1;
        s.box(103, 12, 1.2f).morph_target_flag = 1;
        s.grid(104, 11, 1, 1, 3, 3, 2).motion.position[2] = 0.2f;
        s.marker(20000, 0.5f, 0, 0.3f);
        s.envelope(300, 102, 1, {envelope_key(0, 0), envelope_key(1, 1)});
        s.envelope(301, 0, 7, {envelope_key(0, 20), envelope_key(1, 80)});
        ASSERT_TRUE(installation->add_effect("Busy", s));
        engine = new Engine(EngineKind::generic);
    }
    static void TearDownTestSuite() {
        delete engine;
        delete installation;
    }
    void SetUp() override { ASSERT_TRUE(engine->loaded()) << engine->error(); }

    // Settings that turn on everything that counts, loops or indexes.
    static void busy_settings(EffectSettings& settings) {
        float* g = settings.globals;
        g[global_render_style] = 0;
        g[global_lighting] = 1;
        g[global_shadows] = 50;
        g[global_blur_percent] = 50;
        g[global_blur_count] = 2;
        g[global_light_direction] = 30;
        g[global_filter_placement] = 1;
        g[global_filter_source] = 1;
        g[global_filter_distance] = 10;
        g[global_transition_period] = 80;
        for (int v = 0; v < 3; ++v) {
            settings.video_values[v][video_shine] = 40;
            settings.video_values[v][video_trail_count] = 2;
            settings.video_values[v][video_trail_spacing] = 1;
            settings.video_values[v][video_direction] = 20;
            settings.video_values[v][video_follows_direction] = 1;
        }
    }

    // A frame of "Busy" at position 5 of 10 with three videos.
    static void busy_job(RenderJob& job, TestPicture& video_c) {
        paint_video_a(video_c);
        image_shallow_copy(job.frame.images[2], video_c.image);
        job.frame.image_count = 3;
        job.at(5, 10);
        busy_settings(job.settings);
        job.frame.progress = &log_progress;
    }

    // Checks that a render drew a picture with sane progress.
    static void expect_sane(const std::string& what, int result) {
        EXPECT_EQ(result, 1) << what;
        const ProgressLog& log = progress_log;
        // 0 first, then a step per pass and per object of each pass, then 100.
        EXPECT_LE(log.calls, 2 + most_passes * (1 + most_drawn_objects)) << what;
        EXPECT_GE(log.calls, 3) << what;
        EXPECT_EQ(log.lowest, 0) << what;
        EXPECT_LE(log.highest, 100) << what;
        EXPECT_EQ(log.last, 100) << what;
        EXPECT_FALSE(log.backwards) << what;
    }

    // Prepares and renders one frame of "Busy" with `change` applied to its
    // settings.
    template <class Change>
    void expect_drawn(const std::string& what, Change change) {
        expect_drawn(what, change, [](const RenderJob&) {});
    }
    // The same, then `check` looks at the records after the render.
    template <class Change, class Check>
    void expect_drawn(const std::string& what, Change change, Check check) {
        RenderJob job("Busy", width, height);
        TestPicture video_c(format_bgr, width, height);
        busy_job(job, video_c);
        change(job.settings);
        progress_log = {};
        expect_sane(what, render_once(*engine, job));
        check(job);
    }

    static Installation* installation;
    static Engine* engine;
};

Installation* HostileValues::installation = nullptr;
Engine* HostileValues::engine = nullptr;

TEST_F(HostileValues, BusySceneIsDrawnWithItsOwnSettings) {
    expect_drawn("ordinary settings", [](EffectSettings&) {});
    RenderJob job("Busy", width, height);
    busy_settings(job.settings);
    ASSERT_EQ(render_once(*engine, job), 1);
    const Picture out = job.output_picture();
    EXPECT_NE(out.at(1, 1)[0], 7) << "the output was drawn";
}

TEST_F(HostileValues, EveryGlobalValue) {
    for (int g = 0; g < global_value_count; ++g) {
        for (const Hostile& h : hostile_values) {
            expect_drawn("global " + std::to_string(g) + " = " + h.name,
                         [&](EffectSettings& s) { s.globals[g] = h.value; });
        }
    }
}

// Per-video values are read by each frame, never by the prepare: one
// prepared context draws a frame for each.
TEST_F(HostileValues, EveryPerVideoValue) {
    RenderJob job("Busy", width, height);
    TestPicture video_c(format_bgr, width, height);
    busy_job(job, video_c);
    RenderContext* context = engine->prepare(nullptr, &job.settings, &job.frame);
    ASSERT_NE(context, nullptr);
    for (int v = 0; v < video_group_count; ++v) {
        for (int k = 0; k < video_value_count; ++k) {
            const float kept = job.settings.video_values[v][k];
            for (const Hostile& h : hostile_values) {
                job.settings.video_values[v][k] = h.value;
                progress_log = {};
                expect_sane("video " + std::to_string(v + 1) + " value " + std::to_string(k) +
                                " = " + h.name,
                            engine->render(context, job.settings, job.frame));
            }
            job.settings.video_values[v][k] = kept;
        }
    }
    engine->free(context);
}

// The user's own envelope (link 0) drives a settings value for the frame,
// in the frame's copy of the settings only: every global parameter. (The
// engine reads per-video values from that copy alone, so the stored values
// above stand for envelopes on them; the scene evaluation's tests drive all
// 222 parameters.)
TEST_F(HostileValues, EnvelopeKeysDrivingGlobalParameters) {
    for (int number = 0; number < 22; ++number) {
        for (const Hostile& h : hostile_values) {
            expect_drawn("envelope on parameter " + std::to_string(number) + " = " + h.name,
                         [&](EffectSettings& s) {
                             auto envelope = std::make_unique<scene::Envelope>();
                             envelope->id = 900;
                             envelope->parameter = static_cast<std::uint16_t>(number);
                             envelope->keys = {envelope_key(0, h.value), envelope_key(1, h.value)};
                             settings_scene(s)->envelopes.push_back(std::move(envelope));
                         });
        }
    }
}

// Every field of an envelope key, in the effect's envelope on the blur
// percent (replaced by the user's of the same id) and on the morph position.
TEST_F(HostileValues, EveryFieldOfEnvelopeKeys) {
    for (std::uint16_t id : {300, 301}) {
        for (int field = 0; field < 5; ++field) {
            for (const Hostile& h : hostile_values) {
                expect_drawn("envelope " + std::to_string(id) + " key field " +
                                 std::to_string(field) + " = " + h.name,
                             [&](EffectSettings& s) {
                                 auto envelope = std::make_unique<scene::Envelope>();
                                 envelope->id = id;
                                 envelope->parameter = id == 300 ? 1 : 7;
                                 EnvelopeKey middle = envelope_key(0.5f, 3, false);
                                 float* fields[5] = {&middle.time, &middle.value, &middle.tension,
                                                     &middle.continuity, &middle.bias};
                                 *fields[field] = h.value;
                                 envelope->keys = {envelope_key(0, 1, false), middle,
                                                   envelope_key(1, 2, false)};
                                 settings_scene(s)->envelopes.push_back(std::move(envelope));
                             });
            }
        }
    }
}

// Every value of a path key of the user's path for the inset.
TEST_F(HostileValues, EveryFieldOfPathKeys) {
    for (int entry = 0; entry <= 12; ++entry) {
        for (const Hostile& h : hostile_values) {
            expect_drawn(
                "path key value " + std::to_string(entry) + " = " + h.name, [&](EffectSettings& s) {
                    auto path = std::make_unique<scene::Path>();
                    path->id = 200;
                    PathKey middle = path_key(0.5f, 0, 0, 0.5f, 45, 10, 5, false);
                    motion_value(middle, entry) = h.value;
                    path->keys = {path_key(0, -1, 0, 0.5f), middle, path_key(1, 1, 0, 0.5f)};
                    settings_scene(s)->paths.push_back(std::move(path));
                });
        }
    }
}

// The frame offset of the user's mapping of a numbered bitmap sequence onto
// video 2 (its frame index is the offset plus the position): offsets that
// are not a number, infinite or huge still give a drawn frame.
TEST_F(HostileValues, FrameOffsetsOfMappedFiles) {
    TestPicture picture(format_bgr, width, height);
    paint_video_b(picture);
    const std::filesystem::path first = installation->path() / "Work" / "seq0000.bmp";
    ASSERT_TRUE(write_bmp_file(picture.image, first).ok());
    for (const Hostile& h : hostile_values) {
        expect_drawn(
            "frame offset " + std::string(h.name),
            [&](EffectSettings& s) {
                auto mapping = std::make_unique<scene::Surface>();
                mapping->id = 950;
                mapping->source_kind = source_bitmap_sequence;
                mapping->video_number = 1;  // image slot 1: video 2
                mapping->frame_offset_or_smoothing = h.value;
                const std::string name = first.string();
                std::copy(name.begin(), name.end(), mapping->name.begin());
                settings_scene(s)->surfaces.push_back(std::move(mapping));
            },
            [&](const RenderJob& job) {
                // The engine loaded the file into the slot (and owns it).
                EXPECT_EQ(job.frame.images[1].owns, 1) << "frame offset " << h.name;
            });
    }
}

}  // namespace
}  // namespace kdr::test
