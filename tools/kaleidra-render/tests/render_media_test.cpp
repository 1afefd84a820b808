// kaleidra-render with everyday movies, end to end through the real
// Rnd_Generic engine: clips made by the ffmpeg program whose every frame
// shows its number, and effects that show one video full frame, so each
// output frame says which source frame it was made from.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <thread>

#include "kaleidra/testing/program_run.h"
#include "kaleidra/video/audio_reader.h"
#include "kaleidra/video/movie_writer.h"
#include "kaleidra/video/testing/numbered_clips.h"
#include "kaleidra/video/video_reader.h"
#include "render_job.h"
#include "scene_kit.h"
#include "stop_signals.h"

namespace kdr::render_tool {
namespace {

using video::testing::ClipRequest;
using video::testing::program_output;
using video::testing::shell_quoted;

constexpr std::uint32_t width = 160;
constexpr std::uint32_t height = 96;
// Frame numbers of source B's clips start here, so its frames are told apart.
constexpr int b_numbers = 1000;

class MediaRenderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(video::testing::have_program("ffmpeg")) << "the ffmpeg program is missing";
        installation.install_engine("Rnd_Generic", KALEIDRA_RND_GENERIC);
        installation.set_string("Engine", "Rnd_Generic");
        // Two effects that show one video over the whole frame.
        for (int video = 1; video <= 2; ++video) {
            test::SceneBuilder builder;
            builder.type(1).camera();
            builder.video_surface(10, static_cast<std::uint16_t>(video));
            builder.video_quad(100, 10, static_cast<std::uint32_t>(video));
            ASSERT_TRUE(installation.add_effect(video == 1 ? "ShowA" : "ShowB", builder));
        }
    }

    std::filesystem::path file(const std::string& name) const {
        return installation.path() / "Work" / name;
    }

    std::filesystem::path clip(const std::string& name, std::uint32_t frames,
                               const std::string& arguments, int first_number = 0,
                               const std::string& rate = "10", bool audio = false, int tone = 440,
                               std::uint32_t w = width, std::uint32_t h = height) {
        ClipRequest request;
        request.width = w;
        request.height = h;
        request.frames = frames;
        request.rate = rate;
        request.output_arguments = arguments;
        request.first_number = static_cast<std::uint32_t>(first_number);
        request.with_audio = audio;
        request.tone_hz = tone;
        make_numbered_clip(file(name), request);
        return file(name);
    }

    RenderOptions options(const std::string& effect, const std::filesystem::path& a,
                          const std::filesystem::path& b, const std::filesystem::path& out,
                          std::uint32_t frames) const {
        RenderOptions o;
        o.effect = effect;
        o.source_a = a.string();
        o.source_b = b.string();
        o.output = out.string();
        o.frames = frames;
        o.progress = false;
        o.assignments = {"lighting=off", "shadows=0"};
        return o;
    }

    // The number every frame of a movie shows.
    static std::vector<int> numbers_in(const std::filesystem::path& movie) {
        std::vector<int> numbers;
        Result<video::VideoReader> reader = video::VideoReader::open(movie);
        EXPECT_TRUE(reader) << reader.error();
        if (!reader) {
            return numbers;
        }
        for (std::uint32_t f = 0; f < reader->length(); ++f) {
            Result<const video::VideoFrame*> frame = reader->read_frame(f);
            EXPECT_TRUE(frame) << frame.error();
            if (!frame) {
                break;
            }
            numbers.push_back(video::testing::read_number((*frame)->pixels.data(), (*frame)->width,
                                                          (*frame)->height, (*frame)->stride,
                                                          true));
        }
        return numbers;
    }

    static std::vector<int> counting(int from, int count) {
        std::vector<int> numbers;
        for (int i = 0; i < count; ++i) {
            numbers.push_back(from + i);
        }
        return numbers;
    }

    test::Installation installation;
};

struct SourceFormat {
    const char* name;
    const char* file;
    const char* arguments;
};

class RendersEveryFormatFrameExactly : public MediaRenderTest,
                                       public ::testing::WithParamInterface<SourceFormat> {};

TEST_P(RendersEveryFormatFrameExactly, FrameIOfTheRenderShowsSourceFrameI) {
    const auto a =
        clip(std::string("a-") + GetParam().file, 24, GetParam().arguments, 0, "30000/1001");
    const auto b = clip(std::string("b-") + GetParam().file, 24, GetParam().arguments, b_numbers,
                        "30000/1001");
    // Video 1 full frame: A's frames from the in-point.
    RenderOptions show_a = options("ShowA", a, b, file("a-out.mkv"), 18);
    show_a.codec = "ffv1";
    show_a.a_start = 3;
    Result<RenderSummary> summary = run_render(show_a, nullptr);
    ASSERT_TRUE(summary) << summary.error();
    EXPECT_EQ(numbers_in(file("a-out.mkv")), counting(3, 18));
    // Video 2 full frame: B's.
    RenderOptions show_b = options("ShowB", a, b, file("b-out.mkv"), 24);
    show_b.codec = "ffv1";
    show_b.b_start = 2;
    summary = run_render(show_b, nullptr);
    ASSERT_TRUE(summary) << summary.error();
    std::vector<int> expected = counting(b_numbers + 2, 24);
    // B runs out after 22 frames from its in-point: its last frame holds.
    expected[22] = expected[23] = b_numbers + 23;
    EXPECT_EQ(numbers_in(file("b-out.mkv")), expected);
    Result<video::VideoReader> written = video::VideoReader::open(file("b-out.mkv"));
    ASSERT_TRUE(written) << written.error();
    EXPECT_EQ(written->rate(), (video::FrameRate{30000, 1001})) << "source A's rate, exactly";
}

INSTANTIATE_TEST_SUITE_P(
    Sources, RendersEveryFormatFrameExactly,
    ::testing::Values(
        SourceFormat{"H264Mp4BFrames", "h264.mp4", "-c:v libx264 -bf 3 -g 8 -pix_fmt yuv420p"},
        SourceFormat{"HevcMov", "hevc.mov",
                     "-c:v libx265 -x265-params log-level=error:bframes=2 -g 8 -pix_fmt yuv420p "
                     "-tag:v hvc1"},
        SourceFormat{"Vp9Webm", "vp9.webm",
                     "-c:v libvpx-vp9 -g 8 -crf 30 -b:v 0 -deadline realtime -cpu-used 8"},
        SourceFormat{"Ffv1Mkv", "ffv1.mkv", "-c:v ffv1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MediaRenderTest, AJoinIsATheTransitionThenB) {
    const auto a = clip("a.mp4", 40, "-c:v libx264 -bf 2 -g 10");
    const auto b = clip("b.mkv", 40, "-c:v ffv1", b_numbers);
    // Showing A during the transition: A's frames run on through it.
    RenderOptions join = options("ShowA", a, b, file("join-a.mkv"), 8);
    join.codec = "ffv1";
    join.join = true;
    ASSERT_TRUE(run_render(join, nullptr));
    std::vector<int> expected = counting(0, 40);
    const std::vector<int> rest_of_b = counting(b_numbers + 8, 32);
    expected.insert(expected.end(), rest_of_b.begin(), rest_of_b.end());
    EXPECT_EQ(numbers_in(file("join-a.mkv")), expected);
    // Showing B: B's first frames during the transition.
    join.effect = "ShowB";
    join.output = file("join-b.mkv").string();
    ASSERT_TRUE(run_render(join, nullptr));
    expected = counting(0, 32);
    const std::vector<int> all_of_b = counting(b_numbers, 40);
    expected.insert(expected.end(), all_of_b.begin(), all_of_b.end());
    EXPECT_EQ(numbers_in(file("join-b.mkv")), expected);
}

TEST_F(MediaRenderTest, AtAndInPointsPlaceTheTransition) {
    const auto a = clip("a.mkv", 40, "-c:v ffv1");
    const auto b = clip("b.mkv", 40, "-c:v ffv1", b_numbers);
    RenderOptions join = options("ShowA", a, b, file("at.mkv"), 5);
    join.codec = "ffv1";
    join.join = true;
    join.at_seconds = 1.0;  // 10 frames a second: the transition starts at frame 10
    join.a_start = 5;
    join.b_start = 4;
    Result<RenderSummary> summary = run_render(join, nullptr);
    ASSERT_TRUE(summary) << summary.error();
    // A from frame 5, through the transition at 10..14, then B from 4 + 5.
    std::vector<int> expected = counting(5, 15);
    const std::vector<int> b_rest = counting(b_numbers + 9, 31);
    expected.insert(expected.end(), b_rest.begin(), b_rest.end());
    EXPECT_EQ(numbers_in(file("at.mkv")), expected);
    EXPECT_EQ(summary->frames, 46u);
}

TEST_F(MediaRenderTest, SourcesOfOtherSizesAndRatesAreFitted) {
    const auto a = clip("a25.mkv", 25, "-c:v ffv1", 0, "25");
    // Twice the size and twice the rate.
    const auto b =
        clip("b50.mkv", 50, "-c:v ffv1", b_numbers, "50", false, 440, 2 * width, 2 * height);
    RenderOptions join = options("ShowB", a, b, file("fitted.mkv"), 5);
    join.codec = "ffv1";
    join.join = true;
    Result<RenderSummary> summary = run_render(join, nullptr);
    ASSERT_TRUE(summary) << summary.error();
    EXPECT_EQ(summary->width, width);
    // One second each at 25 frames a second: 25 + 25 - 5, B every second frame.
    std::vector<int> expected = counting(0, 20);
    for (int i = 0; i < 25; ++i) {
        expected.push_back(b_numbers + 2 * i);
    }
    EXPECT_EQ(numbers_in(file("fitted.mkv")), expected);
}

// The level of a tone of `hz` in a stretch of samples (both channels): the
// amplitude of that frequency, by Goertzel's recurrence on the left channel.
double tone_level(const std::vector<float>& samples, double hz) {
    const double w = 2 * M_PI * hz / video::movie_sample_rate;
    double s1 = 0, s2 = 0;
    const std::size_t n = samples.size() / 2;
    for (std::size_t i = 0; i < n; ++i) {
        const double s = samples[2 * i] + 2 * std::cos(w) * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    const double power = s1 * s1 + s2 * s2 - 2 * std::cos(w) * s1 * s2;
    return 2 * std::sqrt(std::max(power, 0.0)) / double(n);
}

TEST_F(MediaRenderTest, AJoinCarriesASoundThenACrossfadeThenBs) {
    // A sounds at 440 Hz, B at 1000 Hz; 2 s each at 10 frames a second, a
    // one-second transition.
    const auto a = clip("a.mp4", 20, "-c:v libx264 -c:a aac -b:a 192k", 0, "10", true, 440);
    const auto b = clip("b.webm", 20, "-c:v libvpx-vp9 -deadline realtime -cpu-used 8 -c:a libopus",
                        b_numbers, "10", true, 1000);
    RenderOptions join = options("ShowA", a, b, file("sound.mp4"), 10);
    join.join = true;
    Result<RenderSummary> summary = run_render(join, nullptr);
    ASSERT_TRUE(summary) << summary.error();
    EXPECT_TRUE(summary->audio);
    Result<video::AudioReader> audio = video::AudioReader::open(file("sound.mp4"));
    ASSERT_TRUE(audio) << audio.error();
    EXPECT_EQ(audio->codec_name(), "aac");
    // Tenths of a second: 0..0.9 A alone, 1.0..1.9 the crossfade, 2.0..2.9 B alone.
    std::vector<float> tenth(video::movie_sample_rate / 10 * 2);
    std::vector<double> a_levels;
    std::vector<double> b_levels;
    for (int i = 0; i < 30; ++i) {
        ASSERT_TRUE(audio->read(tenth.data(), tenth.size() / 2).ok());
        a_levels.push_back(tone_level(tenth, 440));
        b_levels.push_back(tone_level(tenth, 1000));
    }
    // ffmpeg's sine source has amplitude 1/8; -ac 2 spreads it at 1/sqrt 2.
    const double full = 0.125 / std::sqrt(2.0);
    for (int i = 1; i < 9; ++i) {
        EXPECT_NEAR(a_levels[i], full, full * 0.2) << "tenth " << i;
        EXPECT_LT(b_levels[i], full * 0.05) << "tenth " << i;
    }
    // Half way through the fade both sound at about half their level.
    EXPECT_NEAR(a_levels[15], full / 2, full * 0.15);
    EXPECT_NEAR(b_levels[15], full / 2, full * 0.15);
    EXPECT_GT(a_levels[11], a_levels[18]) << "A fades out";
    EXPECT_LT(b_levels[11], b_levels[18]) << "B fades in";
    for (int i = 21; i < 29; ++i) {
        EXPECT_NEAR(b_levels[i], full, full * 0.2) << "tenth " << i;
        EXPECT_LT(a_levels[i], full * 0.05) << "tenth " << i;
    }
    // The sound lasts as long as the pictures: 3 s.
    const std::string probed =
        program_output("ffprobe -v error -show_entries stream=codec_type,duration -of csv=p=0 " +
                       shell_quoted(file("sound.mp4")));
    EXPECT_NE(probed.find("video,3.0"), std::string::npos) << probed;
    EXPECT_NE(probed.find("audio,3.0"), std::string::npos) << probed;
}

TEST_F(MediaRenderTest, SoundIsLeftOutWhenNotWantedAndRefusedWhereItCannotGo) {
    const auto a = clip("a.mkv", 12, "-c:v ffv1 -c:a flac", 0, "10", true);
    const auto b = clip("b.mkv", 12, "-c:v ffv1", b_numbers);
    RenderOptions plain = options("ShowA", a, b, file("plain.mkv"), 4);
    Result<RenderSummary> summary = run_render(plain, nullptr);
    ASSERT_TRUE(summary) << summary.error();
    EXPECT_FALSE(summary->audio) << "a plain transition is video only";
    plain.audio = AudioChoice::on;
    plain.output = file("plain-sound.mkv").string();
    summary = run_render(plain, nullptr);
    ASSERT_TRUE(summary) << summary.error();
    EXPECT_TRUE(summary->audio);
    Result<video::AudioReader> sound = video::AudioReader::open(file("plain-sound.mkv"));
    ASSERT_TRUE(sound) << sound.error();
    EXPECT_EQ(sound->codec_name(), "opus");

    RenderOptions quiet = options("ShowA", a, b, file("quiet.mp4"), 4);
    quiet.join = true;
    quiet.audio = AudioChoice::off;
    summary = run_render(quiet, nullptr);
    ASSERT_TRUE(summary) << summary.error();
    EXPECT_FALSE(summary->audio);
    EXPECT_FALSE(video::AudioReader::open(file("quiet.mp4")));

    RenderOptions pictures = options("ShowA", a, b, file("p%02d.png"), 2);
    pictures.audio = AudioChoice::on;
    summary = run_render(pictures, nullptr);
    ASSERT_FALSE(summary);
    EXPECT_NE(summary.error().find("pictures carry no sound"), std::string::npos)
        << summary.error();
    RenderOptions silent = options("ShowA", b, b, file("s.mp4"), 2);
    silent.audio = AudioChoice::on;
    summary = run_render(silent, nullptr);
    ASSERT_FALSE(summary);
    EXPECT_NE(summary.error().find("neither source"), std::string::npos) << summary.error();
}

// The program as people run it.
test::ProgramRun run_render_program(const std::string& arguments) {
    return test::run_program(std::string(KDR_RENDER_PROGRAM) + " " + arguments);
}

std::string contents(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

TEST_F(MediaRenderTest, AnOutputThatIsASourceIsRefusedAndTheSourceKept) {
    const auto a = clip("keep.mkv", 6, "-c:v ffv1");
    const auto b = clip("other.mkv", 6, "-c:v ffv1", b_numbers);
    const std::string before = contents(a);
    std::filesystem::create_directories(file("sub"));
    const std::string common =
        "--effect ShowA --frames 3 --a " + shell_quoted(a) + " --b " + shell_quoted(b) + " --out ";
    for (const std::string& out :
         {a.string(), file("sub/../keep.mkv").string(), file("./other.mkv").string()}) {
        const test::ProgramRun run = run_render_program(common + shell_quoted(out));
        EXPECT_EQ(run.exit_code, 2) << out << ": " << run.output;
        EXPECT_NE(run.output.find("would destroy what is read"), std::string::npos) << run.output;
    }
    EXPECT_EQ(contents(a), before) << "the source was changed";
    for (const auto& entry : std::filesystem::directory_iterator(file(""))) {
        EXPECT_EQ(entry.path().string().find(".tmp-"), std::string::npos)
            << "a temporary file was left: " << entry.path();
    }
}

// Renders a long transition into `out`, stops it with `signal` once its
// temporary file exists, and gives the exit status (1000 + the signal when
// the signal ended it) and what it said.
test::ProgramRun interrupt(const std::string& arguments, const std::filesystem::path& folder,
                           int signal) {
    const std::filesystem::path said = folder / "said.txt";
    const pid_t child = ::fork();
    if (child == 0) {
        const std::string command = std::string("exec ") + KDR_RENDER_PROGRAM + " " + arguments +
                                    " 2>" + shell_quoted(said);
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    test::ProgramRun run;
    bool seen = false;
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!seen && std::chrono::steady_clock::now() < give_up) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            seen = seen || entry.path().filename().string().find(".tmp-") != std::string::npos;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(seen) << "no temporary file appeared";
    ::kill(child, signal);
    int status = 0;
    ::waitpid(child, &status, 0);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    run.output = contents(said);
    std::filesystem::remove(said);
    return run;
}

TEST_F(MediaRenderTest, RateCodecAndColourTagsAreWrittenAsAsked) {
    const auto a = clip("a.mkv", 8, "-c:v ffv1");
    const std::string sources = "--effect ShowA --frames 6 --no-progress --a " + shell_quoted(a) +
                                " --b " + shell_quoted(a);
    test::ProgramRun run =
        run_render_program(sources +
                           " --rate 29.97 --matrix bt601 --range full --quality 90"
                           " --out " +
                           shell_quoted(file("tagged.mp4")));
    ASSERT_EQ(run.exit_code, 0) << run.output;
    std::string stream = program_output(
        "ffprobe -v error -select_streams v:0 -show_entries "
        "stream=codec_name,r_frame_rate,color_space,color_range,pix_fmt -of default=nw=1 " +
        shell_quoted(file("tagged.mp4")));
    for (const char* expected :
         {"codec_name=h264", "r_frame_rate=30000/1001", "color_space=smpte170m", "color_range=pc",
          // the decoder's name for full-range 4:2:0
          "pix_fmt=yuvj420p"}) {
        EXPECT_NE(stream.find(expected), std::string::npos) << expected << " in\n" << stream;
    }
    run = run_render_program(sources + " --codec prores --out " + shell_quoted(file("p.mov")));
    ASSERT_EQ(run.exit_code, 0) << run.output;
    stream = program_output(
        "ffprobe -v error -select_streams v:0 -show_entries "
        "stream=codec_name,pix_fmt -of default=nw=1 " +
        shell_quoted(file("p.mov")));
    EXPECT_NE(stream.find("codec_name=prores\npix_fmt=yuv422p10le"), std::string::npos) << stream;
    // A container that cannot hold the codec: a clear failure, nothing left.
    run = run_render_program(sources + " --codec h264 --out " + shell_quoted(file("no.webm")));
    EXPECT_EQ(run.exit_code, 1) << run.output;
    EXPECT_NE(run.output.find("cannot hold h264"), std::string::npos) << run.output;
    EXPECT_FALSE(std::filesystem::exists(file("no.webm")));
}

class StopsOnSignals : public MediaRenderTest, public ::testing::WithParamInterface<int> {};

TEST_P(StopsOnSignals, AfterTheCurrentFrameLeavingNoTemporaryFile) {
    const auto a = clip("a.mkv", 10, "-c:v ffv1");
    std::filesystem::create_directories(file("out"));
    const test::ProgramRun run = interrupt(
        "--effect ShowA --frames 100000 --size 640x384 --no-progress --a " + shell_quoted(a) +
            " --b " + shell_quoted(a) + " --out " + shell_quoted(file("out/long.mp4")),
        file("out"), GetParam());
    EXPECT_EQ(run.exit_code, stopped_exit_status) << run.output;
    EXPECT_NE(run.output.find("stopped by"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("was not written"), std::string::npos) << run.output;
    EXPECT_TRUE(std::filesystem::is_empty(file("out"))) << "something was left behind";
}

INSTANTIATE_TEST_SUITE_P(Signals, StopsOnSignals, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

TEST_F(MediaRenderTest, TwoFiveSecondClipsJoinIntoANineSecondMovie) {
    // The join people compare with ffmpeg's xfade: 1280x720 clips with
    // sound, a one-second transition.
    const auto a = clip("a720.mp4", 150, "-c:v libx264 -preset ultrafast -c:a aac", 0, "30", true,
                        440, 1280, 720);
    const auto b = clip("b720.mp4", 150, "-c:v libx264 -preset ultrafast -c:a aac", b_numbers, "30",
                        true, 660, 1280, 720);
    const test::ProgramRun run = run_render_program(
        "--effect ShowB --join --frames 30 --no-progress --a " + shell_quoted(a) + " --b " +
        shell_quoted(b) + " --out " + shell_quoted(file("joined.mp4")));
    ASSERT_EQ(run.exit_code, 0) << run.output;
    const std::string streams = program_output(
        "ffprobe -v error -show_entries "
        "stream=codec_type,codec_name,r_frame_rate,duration,nb_frames,color_space,color_range,"
        "color_primaries -of default=nw=1 " +
        shell_quoted(file("joined.mp4")));
    for (const char* expected :
         {"codec_name=h264", "r_frame_rate=30/1", "nb_frames=270", "duration=9.0",
          "color_space=bt709", "color_range=tv", "color_primaries=bt709", "codec_name=aac"}) {
        EXPECT_NE(streams.find(expected), std::string::npos) << expected << " in\n" << streams;
    }
    // The audio stream's duration is the second "duration=" and must be 9 s too.
    const std::size_t audio_at = streams.find("codec_type=audio");
    ASSERT_NE(audio_at, std::string::npos) << streams;
    const std::size_t duration_at = streams.find("duration=", audio_at);
    ASSERT_NE(duration_at, std::string::npos);
    EXPECT_NEAR(std::stod(streams.substr(duration_at + 9)), 9.0, 0.03) << streams;
    // A's first four seconds, the transition showing B's first second, the
    // rest of B.
    const std::vector<int> numbers = numbers_in(file("joined.mp4"));
    ASSERT_EQ(numbers.size(), 270u);
    for (int k = 0; k < 270; k += 7) {
        EXPECT_EQ(numbers[k], k < 120 ? k : b_numbers + (k - 120)) << "frame " << k;
    }
    EXPECT_EQ(numbers.front(), 0);
    EXPECT_EQ(numbers[119], 119);
    EXPECT_EQ(numbers[120], b_numbers);
    EXPECT_EQ(numbers.back(), b_numbers + 149);
}

}  // namespace
}  // namespace kdr::render_tool
