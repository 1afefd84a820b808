// The transition in a real MLT host: Debian's melt renders transitions and
// mixes with frei0r.kaleidra into uncompressed AVI movies through its
// avformat consumer; the frames are decoded with the ffmpeg program and
// compared with the sources and with kaleidra-render's frames.
//
// Each test runs melt in a process of its own, with a private registry whose
// installation folder links the shipped effects the build staged and the
// built engines, and FREI0R_PATH at the built plug-in.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/platform/registry.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/scene/scene.h"
#include "kaleidra/testing/picture_compare.h"
#include "kaleidra/testing/program_run.h"
#include "kaleidra/testing/temp_folder.h"

namespace kdr::frei0r::test {
namespace {

using kdr::test::Picture;

constexpr unsigned width = 320;
constexpr unsigned height = 240;
constexpr int source_frames = 40;
const char* const registry_key = "Software\\Talvane\\Kaleidra\\3.0";

std::string quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

// Programs run with no input: melt takes what arrives on its standard input
// for keyboard commands ("q" quits at once).
using CommandResult = kdr::test::ProgramRun;

CommandResult run(const std::string& command) {
    return kdr::test::run_program(command);
}

// Every frame of a movie as 8-bit red, green, blue.
std::vector<Picture> decode(const std::filesystem::path& movie) {
    std::vector<Picture> frames;
    const std::string command =
        "ffmpeg -v error -i " + quote(movie.string()) + " -f rawvideo -pix_fmt rgb24 -";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return frames;
    }
    while (true) {
        Picture frame(width, height);
        if (std::fread(frame.rgb.data(), 1, frame.rgb.size(), pipe) != frame.rgb.size()) {
            break;
        }
        frames.push_back(std::move(frame));
    }
    ::pclose(pipe);
    return frames;
}

// Peak signal-to-noise ratio in dB; infinity for equal pictures.
double psnr(const Picture& x, const Picture& y) {
    double sum = 0;
    for (std::size_t i = 0; i < x.rgb.size(); ++i) {
        const double d = double(x.rgb[i]) - double(y.rgb[i]);
        sum += d * d;
    }
    if (sum == 0) {
        return INFINITY;
    }
    return 10 * std::log10(255.0 * 255.0 * double(x.rgb.size()) / sum);
}

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t found = 0;
    for (std::size_t at = text.find(part); at != std::string::npos;
         at = text.find(part, at + part.size())) {
        ++found;
    }
    return found;
}

// A picture is taken for a source when it matches it to 40 dB; the
// transition's middle differs from both by far more (below 25 dB).
constexpr double same_picture = 40;
constexpr double other_picture = 25;

class MeltTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder = new kdr::test::TempFolder;
        const std::filesystem::path root = folder->path();
        const std::filesystem::path stage = KALEIDRA_CONTENT_STAGE;
        std::filesystem::create_directories(root / "Kaleidra" / "LIBS");
        std::filesystem::create_directories(root / "Kaleidra" / "Work");
        std::filesystem::create_directory_symlink(stage / "EFFECTS", root / "Kaleidra" / "EFFECTS");
        std::filesystem::create_directory_symlink(stage / "Textures",
                                                  root / "Kaleidra" / "Textures");
        std::filesystem::create_symlink(KALEIDRA_RND_GENERIC,
                                        root / "Kaleidra" / "LIBS" / "Rnd_Generic.so");
        std::filesystem::create_symlink(KALEIDRA_RND_HARDWARE,
                                        root / "Kaleidra" / "LIBS" / "Rnd_Hardware.so");
        write_registry(registry(), "Rnd_Generic");

        std::ofstream(root / "profile") << "description=Kaleidra test\n"
                                           "frame_rate_num=25\nframe_rate_den=1\n"
                                        << "width=" << width << "\nheight=" << height << "\n"
                                        << "progressive=1\nsample_aspect_num=1\n"
                                           "sample_aspect_den=1\ndisplay_aspect_num=4\n"
                                           "display_aspect_den=3\ncolorspace=601\n";

        // Two moving test pictures as uncompressed movies for melt, and the
        // same frames as 32-bit pictures for kaleidra-render (four bytes a
        // pixel, as the plug-in hands them to the engine).
        const std::pair<const char*, const char*> sources[] = {{"a", "testsrc2"}, {"b", "testsrc"}};
        for (const auto& [name, generator] : sources) {
            std::filesystem::create_directories(root / name);
            const std::string size = std::to_string(width) + "x" + std::to_string(height);
            CommandResult made =
                run("ffmpeg -v error -y -f lavfi -i " + std::string(generator) + "=size=" + size +
                    ":rate=25 -frames:v " + std::to_string(source_frames) +
                    " -c:v rawvideo -pix_fmt bgr24 " +
                    quote((root / (std::string(name) + ".avi")).string()));
            ASSERT_EQ(made.exit_code, 0) << made.output;
            made = run("ffmpeg -v error -y -i " +
                       quote((root / (std::string(name) + ".avi")).string()) +
                       " -pix_fmt rgba -start_number 0 " +
                       quote((root / name / (std::string(name) + "%02d.png")).string()));
            ASSERT_EQ(made.exit_code, 0) << made.output;
        }
        frames_a = new std::vector<Picture>(decode(root / "a.avi"));
        frames_b = new std::vector<Picture>(decode(root / "b.avi"));
        ASSERT_EQ(frames_a->size(), static_cast<std::size_t>(source_frames));
        ASSERT_EQ(frames_b->size(), static_cast<std::size_t>(source_frames));
    }

    static void TearDownTestSuite() {
        delete frames_a;
        delete frames_b;
        delete folder;
    }

    static std::filesystem::path root() { return folder->path(); }
    static std::filesystem::path registry() { return root() / "registry"; }
    static std::string path(const std::string& name) { return (root() / name).string(); }

    static void write_registry(const std::filesystem::path& file, const char* engine) {
        platform::Registry store(file);
        ASSERT_TRUE(store
                        .set(registry_key, platform::RegistryValue::make_string(
                                               "Path", (root() / "Kaleidra").string()))
                        .ok());
        ASSERT_TRUE(
            store.set(registry_key, platform::RegistryValue::make_string("Engine", engine)).ok());
    }

    // The environment every host program of the tests runs in. MLT is
    // given four slice threads whatever the machine has, so that a
    // transition without the "threads" property proves it is not sliced.
    static std::string environment(const std::filesystem::path& registry_file = registry()) {
        return "env KALEIDRA_REGISTRY=" + quote(registry_file.string()) +
               " FREI0R_PATH=" + quote(KALEIDRA_FREI0R_FOLDER) + " MLT_SLICES_COUNT=4 ";
    }

    static std::string consumer(const std::string& movie) {
        return " -consumer avformat:" + quote(path(movie)) + " vcodec=rawvideo pix_fmt=bgr24 an=1";
    }

    struct MeltRun {
        CommandResult result;
        std::vector<Picture> frames;
    };

    // Runs melt with `arguments` into `movie` and decodes what it wrote.
    //
    // melt starts its consumer's thread and then checks whether the consumer
    // is still running; when the machine is busy the thread may not have
    // begun yet, and melt either ends at once or waits for good, in both
    // cases before the consumer wrote anything (an empty movie). That
    // happens with MLT's own transitions too. Such a run never reached the
    // transition: it is repeated, ten attempts in all, and a time limit ends
    // a melt that waits for good.
    static MeltRun melt(const std::string& arguments, const std::string& movie,
                        const std::string& consumer_properties = "") {
        MeltRun melt_run;
        for (int attempt = 0; attempt < 10; ++attempt) {
            std::filesystem::remove(path(movie));
            melt_run.result =
                run(environment() + "timeout -k 5 60 melt -profile " + quote(path("profile")) +
                    " " + arguments + consumer(movie) + " " + consumer_properties);
            std::error_code missing;
            const std::uintmax_t size = std::filesystem::file_size(path(movie), missing);
            const bool never_started =
                (melt_run.result.exit_code == 0 || melt_run.result.exit_code == 124) &&
                (missing || size == 0);
            if (!never_started) {
                break;
            }
        }
        melt_run.frames = decode(path(movie));
        return melt_run;
    }

    // melt with a transition of `frames` frames (10 by default) from track 0
    // (a.avi) to track 1 (b.avi).
    static MeltRun melt_transition(const std::string& movie, const std::string& properties,
                                   const std::string& consumer_properties = "", int frames = 10) {
        const std::string out = " out=" + std::to_string(frames - 1);
        return melt(quote(path("a.avi")) + " in=0" + out + " -track " + quote(path("b.avi")) +
                        " in=0" + out + " -transition frei0r.kaleidra in=0" + out +
                        " a_track=0 b_track=1 " + quote("completion=0=0;-1=1") + " " + properties,
                    movie, consumer_properties);
    }

    static kdr::test::TempFolder* folder;
    static std::vector<Picture>* frames_a;
    static std::vector<Picture>* frames_b;
};

kdr::test::TempFolder* MeltTest::folder = nullptr;
std::vector<Picture>* MeltTest::frames_a = nullptr;
std::vector<Picture>* MeltTest::frames_b = nullptr;

class MeltTransitionTest : public MeltTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(MeltTransitionTest, FirstFrameIsTheOutgoingClipLastTheIncomingMiddleNeither) {
    const MeltRun melt = melt_transition("transition.avi", GetParam());
    ASSERT_EQ(melt.result.exit_code, 0) << melt.result.output;
    EXPECT_EQ(melt.result.output.find("kaleidra (frei0r)"), std::string::npos)
        << melt.result.output;
    const std::vector<Picture>& frames = melt.frames;
    ASSERT_EQ(frames.size(), 10u) << melt.result.output;
    EXPECT_GE(psnr(frames[0], (*frames_a)[0]), same_picture) << "first frame";
    EXPECT_GE(psnr(frames[9], (*frames_b)[9]), same_picture) << "last frame";
    for (int i : {4, 5}) {
        EXPECT_LT(psnr(frames[i], (*frames_a)[i]), other_picture) << "frame " << i << " is A";
        EXPECT_LT(psnr(frames[i], (*frames_b)[i]), other_picture) << "frame " << i << " is B";
    }
}

INSTANTIATE_TEST_SUITE_P(FlyDirections, MeltTransitionTest,
                         ::testing::Values("", "'fly on=1'", "effect=CubeTurn 'fly on=0'"));

TEST_F(MeltTest, MixBetweenTwoClipsOnOneTrack) {
    // a.avi frames 0..19, then b.avi frames 0..19, the last ten of a mixed
    // with the first ten of b.
    const MeltRun melt =
        MeltTest::melt(quote(path("a.avi")) + " out=19 " + quote(path("b.avi")) +
                           " out=19 -mix 10 -mixer frei0r.kaleidra " + quote("completion=0=0;-1=1"),
                       "mix.avi");
    ASSERT_EQ(melt.result.exit_code, 0) << melt.result.output;
    const std::vector<Picture>& frames = melt.frames;
    ASSERT_EQ(frames.size(), 30u) << melt.result.output;
    EXPECT_GE(psnr(frames[5], (*frames_a)[5]), same_picture) << "before the mix";
    EXPECT_GE(psnr(frames[10], (*frames_a)[10]), same_picture) << "first frame of the mix";
    EXPECT_GE(psnr(frames[19], (*frames_b)[9]), same_picture) << "last frame of the mix";
    EXPECT_GE(psnr(frames[25], (*frames_b)[15]), same_picture) << "after the mix";
    for (int i : {14, 15}) {
        EXPECT_LT(psnr(frames[i], (*frames_a)[i]), other_picture) << "frame " << i << " is A";
        EXPECT_LT(psnr(frames[i], (*frames_b)[i - 10]), other_picture) << "frame " << i << " is B";
    }
}

struct SameFrameCase {
    const char* name;
    std::string melt_properties;  // "@STORED@" stands for the stored settings file
    std::string render_options;
    std::string consumer_properties;
    int frames = 10;
};

std::string with_stored(std::string text, const std::string& file) {
    const std::string mark = "@STORED@";
    for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark)) {
        text.replace(at, mark.size(), file);
    }
    return text;
}

class MeltMatchesRenderTest : public MeltTest, public ::testing::WithParamInterface<SameFrameCase> {
  protected:
    static void SetUpTestSuite() {
        MeltTest::SetUpTestSuite();
        // A stored settings file with what the plug-in has no parameter
        // for: motion blur and trails, which count in frames.
        EffectSettings stored;
        ASSERT_TRUE(settings_initialise(stored));
        std::strcpy(stored.name, "PageTurn");
        stored.globals[global_lighting] = 1;
        stored.globals[global_shadows] = 60;
        stored.globals[global_blur_count] = 3;
        stored.globals[global_blur_percent] = 100;
        stored.video_values[0][video_trail_count] = 3;
        stored.video_values[0][video_trail_spacing] = 2;
        chunks::ChunkStream stream = chunks::ChunkStream::open_file(
            chunks::ChunkMode::write_file, root() / "stored.kdr", chunks::make_id("KDRR"));
        settings_write(stored, stream);
        ASSERT_EQ(stream.close(), chunks::ready);
        settings_destroy(stored);
    }
};

TEST_P(MeltMatchesRenderTest, EveryFrameEqualsKaleidraRender) {
    const SameFrameCase& c = GetParam();
    const std::string name = std::string("same-") + c.name;
    const std::string stored = quote(path("stored.kdr"));
    const MeltRun melt = melt_transition(name + ".avi", with_stored(c.melt_properties, stored),
                                         c.consumer_properties, c.frames);
    ASSERT_EQ(melt.result.exit_code, 0) << melt.result.output;
    const std::vector<Picture>& frames = melt.frames;
    ASSERT_EQ(frames.size(), static_cast<std::size_t>(c.frames)) << melt.result.output;

    std::filesystem::create_directories(root() / name);
    const CommandResult render =
        run(environment() + quote(KALEIDRA_RENDER_PROGRAM) + " --a " + quote(path("a/a%02d.png")) +
            " --b " + quote(path("b/b%02d.png")) + " --frames " + std::to_string(c.frames) + " " +
            with_stored(c.render_options, stored) + " --out " +
            quote((root() / name / "k%02d.png").string()));
    ASSERT_EQ(render.exit_code, 0) << render.output;

    // Both sides are lossless: the pictures agree to the last bit but for
    // rounding in the movie's colour conversion.
    const kdr::test::Tolerance tolerance{2, 0.5};
    for (int i = 0; i < c.frames; ++i) {
        Picture expected;
        std::string error;
        char file[16];
        std::snprintf(file, sizeof file, "k%02d.png", i);
        ASSERT_TRUE(kdr::test::read_png(root() / name / file, expected, error)) << error;
        EXPECT_TRUE(kdr::test::pictures_match(
            expected, frames[i], "frei0r-" + name + "-" + std::to_string(i), tolerance))
            << c.name << ", frame " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, MeltMatchesRenderTest,
    ::testing::Values(
        SameFrameCase{"defaults", "", "--effect Ballsplt", "", 10},
        SameFrameCase{"options", "effect=CubeTurn 'fly on=1' antialias=1 lighting=0 shadows=0.2",
                      "--effect CubeTurn --fly on --set antialias=on --set lighting=off "
                      "--set shadows=20",
                      ""},
        SameFrameCase{"settings_file", "settings=@STORED@", "--settings @STORED@", "", 10},
        // Three frame threads, each with an instance of its own, among which
        // MLT deals out the frames: trails and blur still count the same.
        SameFrameCase{"three_frame_threads", "settings=@STORED@", "--settings @STORED@",
                      "real_time=-3", 30}),
    [](const auto& info) { return std::string(info.param.name); });

// Stored settings files may hold any float in any value, and the user's
// envelopes any key: the transition still ends with every frame drawn.
struct HostileCase {
    const char* name;
    float values[3];  // dealt out in turn to the 230 values
    int only = -1;    // or the first of them to this value alone (global 8: blur count)
};

class MeltHostileSettingsTest : public MeltTest,
                                public ::testing::WithParamInterface<HostileCase> {};

TEST_P(MeltHostileSettingsTest, TransitionEndsWithEveryFrame) {
    const HostileCase& c = GetParam();
    EffectSettings stored;
    ASSERT_TRUE(settings_initialise(stored));
    std::strcpy(stored.name, "PageTurn");
    float* values[230];
    for (int g = 0; g < global_value_count; ++g) {
        values[g] = &stored.globals[g];
    }
    for (int v = 0; v < video_group_count; ++v) {
        for (int k = 0; k < video_value_count; ++k) {
            values[global_value_count + v * video_value_count + k] = &stored.video_values[v][k];
        }
    }
    for (int i = 0; i < 230; ++i) {
        if (c.only < 0) {
            *values[i] = c.values[i % 3];
        } else if (i == c.only) {
            *values[i] = c.values[0];
        }
    }
    // The user's envelopes: the blur count and the trails of video 1.
    for (std::uint16_t parameter : {std::uint16_t{8}, std::uint16_t{103}}) {
        auto envelope = std::make_unique<scene::Envelope>();
        envelope->id = static_cast<std::uint16_t>(900 + parameter);
        envelope->parameter = parameter;
        EnvelopeKey first;
        first.value = c.values[0];
        EnvelopeKey last = first;
        last.time = 1;
        last.value = c.values[1];
        envelope->keys = {first, last};
        settings_scene(stored)->envelopes.push_back(std::move(envelope));
    }
    const std::string file = std::string("hostile-") + c.name + ".kdr";
    chunks::ChunkStream stream = chunks::ChunkStream::open_file(
        chunks::ChunkMode::write_file, root() / file, chunks::make_id("KDRR"));
    settings_write(stored, stream);
    ASSERT_EQ(stream.close(), chunks::ready);
    settings_destroy(stored);

    const MeltRun melt =
        melt_transition(std::string("hostile-") + c.name + ".avi", "settings=" + quote(path(file)));
    ASSERT_EQ(melt.result.exit_code, 0) << melt.result.output;
    EXPECT_EQ(melt.frames.size(), 10u) << melt.result.output;
    // The engine drew every frame: the transition says nothing.
    EXPECT_EQ(melt.result.output.find("kaleidra (frei0r)"), std::string::npos)
        << melt.result.output;
}

INSTANTIATE_TEST_SUITE_P(
    Values, MeltHostileSettingsTest,
    ::testing::Values(HostileCase{"blur_count", {1073741824.0f, 100.0f, 0.0f}, global_blur_count},
                      HostileCase{"huge", {1073741824.0f, 1073741824.0f, 1073741824.0f}},
                      HostileCase{"nan",
                                  {std::numeric_limits<float>::quiet_NaN(),
                                   std::numeric_limits<float>::quiet_NaN(),
                                   std::numeric_limits<float>::quiet_NaN()}},
                      HostileCase{"infinite",
                                  {std::numeric_limits<float>::infinity(),
                                   -std::numeric_limits<float>::infinity(),
                                   std::numeric_limits<float>::infinity()}},
                      HostileCase{"extreme", {1e30f, -1e30f, -1.0f}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MeltTest, QueryListsTheParametersWithoutLoadingAnEngineOrDisplay) {
    // With the window engine chosen and no display at all: listing the
    // transition must neither load the engine nor open a display.
    write_registry(root() / "registry-hardware", "Rnd_Hardware");
    const CommandResult query =
        run("env -u DISPLAY LD_DEBUG=files " + environment(root() / "registry-hardware") +
            "melt -query transition=frei0r.kaleidra");
    ASSERT_EQ(query.exit_code, 0) << query.output;
    EXPECT_NE(query.output.find("identifier: frei0r.kaleidra"), std::string::npos) << query.output;
    for (const char* parameter :
         {"completion", "effect", "settings", "fly on", "antialias", "lighting", "shadows"}) {
        EXPECT_NE(query.output.find(std::string("title: ") + parameter), std::string::npos)
            << parameter;
    }
    // The loader's own account: our plug-in was opened, the engine never.
    EXPECT_NE(query.output.find("frei0r-1/kaleidra.so"), std::string::npos);
    EXPECT_EQ(query.output.find("Rnd_Hardware"), std::string::npos);
}

TEST_F(MeltTest, ThreadsPropertyIsRefusedWithOneWarningAndInputA) {
    const MeltRun melt = melt_transition("threads.avi", "threads=2");
    ASSERT_EQ(melt.result.exit_code, 0) << melt.result.output;
    const std::vector<Picture>& frames = melt.frames;
    ASSERT_EQ(frames.size(), 10u) << melt.result.output;
    for (int i = 0; i < 10; ++i) {
        EXPECT_GE(psnr(frames[i], (*frames_a)[i]), same_picture) << "frame " << i;
    }
    EXPECT_EQ(count(melt.result.output, "the host cuts frames into slices"), 1u)
        << melt.result.output;
    EXPECT_NE(melt.result.output.find("Remove the \"threads\" property"), std::string::npos)
        << melt.result.output;
}

}  // namespace
}  // namespace kdr::frei0r::test
