// Movies written in every container and codec, read back by ffprobe and the
// ffmpeg program (decoders other than ours) and by VideoReader.

#include "kaleidra/video/movie_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "kaleidra/testing/temp_folder.h"
#include "kaleidra/video/output_codecs.h"
#include "kaleidra/video/testing/numbered_clips.h"
#include "kaleidra/video/video_reader.h"

namespace kdr::video {
namespace {

using testing::program_output;
using testing::shell_quoted;

constexpr std::uint32_t width = 160;
constexpr std::uint32_t height = 96;

std::vector<std::uint8_t> bitmap(const std::vector<std::uint8_t>& top_down, std::uint32_t w,
                                 std::uint32_t h) {
    const std::size_t stride = bitmap_stride(w);
    std::vector<std::uint8_t> bytes(stride * h, 0);
    for (std::uint32_t y = 0; y < h; ++y) {
        std::copy_n(&top_down[std::size_t{h - 1 - y} * w * 3], w * 3, &bytes[y * stride]);
    }
    return bytes;
}

Result<MovieSettings> settings_for(const std::filesystem::path& file, const CodecRequest& request,
                                   FrameRate rate = {30000, 1001}) {
    MovieSettings settings;
    settings.container = *container_for(file);
    settings.width = width;
    settings.height = height;
    settings.rate = rate;
    Result<VideoEncoding> encoding = choose_video_encoding(settings.container, request);
    if (!encoding) {
        return Error{encoding.error()};
    }
    settings.video = *encoding;
    return settings;
}

// Writes `count` numbered frames.
Status write_numbered(const std::filesystem::path& file, const MovieSettings& settings,
                      std::uint32_t count) {
    Result<MovieWriter> writer = MovieWriter::create(file, settings);
    if (!writer) {
        return Error{writer.error()};
    }
    for (std::uint32_t f = 0; f < count; ++f) {
        const auto frame = bitmap(testing::numbered_picture(settings.width, settings.height, f),
                                  settings.width, settings.height);
        if (Status status = writer->write_frame(frame.data(), frame.size()); !status) {
            return status;
        }
    }
    return writer->close();
}

std::string probe(const std::filesystem::path& file, const std::string& entries,
                  const std::string& stream = "v:0") {
    return program_output("ffprobe -v error -select_streams " + stream + " -show_entries " +
                          entries + " -of default=nw=1 " + shell_quoted(file));
}

struct Output {
    const char* name;
    const char* file;
    const char* codec;
    const char* probed_codec;
    const char* pixel_format;  // as ffprobe names it
    bool tagged;               // carries BT.709 tags
};

void PrintTo(const Output& output, std::ostream* out) {
    *out << output.file << " with " << output.codec;
}

class WritesEverydayFormats : public ::testing::TestWithParam<Output> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(testing::have_program("ffprobe")) << "the ffprobe program is not installed";
    }
    kdr::test::TempFolder folder;
};

TEST_P(WritesEverydayFormats, ThatOtherProgramsAndOurReaderReadFrameByFrame) {
    const Output& output = GetParam();
    const auto file = folder.path() / output.file;
    CodecRequest request;
    request.codec = output.codec;
    Result<MovieSettings> settings = settings_for(file, request);
    ASSERT_TRUE(settings) << settings.error();
    constexpr std::uint32_t count = 15;
    Status written = write_numbered(file, *settings, count);
    ASSERT_TRUE(written.ok()) << written.error();

    const std::string stream =
        probe(file,
              "stream=codec_name,r_frame_rate,pix_fmt,color_space,color_range,color_primaries,"
              "color_transfer");
    EXPECT_NE(stream.find("codec_name=" + std::string(output.probed_codec) + "\n"),
              std::string::npos)
        << stream;
    EXPECT_NE(stream.find("r_frame_rate=30000/1001\n"), std::string::npos) << stream;
    EXPECT_NE(stream.find("pix_fmt=" + std::string(output.pixel_format) + "\n"), std::string::npos)
        << stream;
    if (output.tagged) {
        EXPECT_NE(stream.find("color_space=bt709\n"), std::string::npos) << stream;
        EXPECT_NE(stream.find("color_range=tv\n"), std::string::npos) << stream;
        EXPECT_NE(stream.find("color_primaries=bt709\n"), std::string::npos) << stream;
        EXPECT_NE(stream.find("color_transfer=bt709\n"), std::string::npos) << stream;
    }
    const std::string frames = program_output(
        "ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames "
        "-of default=nw=1 " +
        shell_quoted(file));
    EXPECT_NE(frames.find("nb_read_frames=15"), std::string::npos) << frames;

    Result<VideoReader> reader = VideoReader::open(file);
    ASSERT_TRUE(reader) << reader.error();
    EXPECT_EQ(reader->length(), count);
    EXPECT_EQ(reader->rate(), (FrameRate{30000, 1001}));
    for (std::uint32_t f : {0u, 1u, 2u, 14u, 7u, 8u, 3u}) {
        Result<const VideoFrame*> frame = reader->read_frame(f);
        ASSERT_TRUE(frame) << frame.error();
        EXPECT_EQ(
            testing::read_number((*frame)->pixels.data(), width, height, (*frame)->stride, true),
            static_cast<int>(f))
            << "frame " << f;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, WritesEverydayFormats,
    ::testing::Values(Output{"H264Mp4", "out.mp4", "h264", "h264", "yuv420p", true},
                      Output{"H265Mp4", "out.mp4", "h265", "hevc", "yuv420p", true},
                      Output{"ProResMov", "out.mov", "prores", "prores", "yuv422p10le", true},
                      Output{"Ffv1Mkv", "out.mkv", "ffv1", "ffv1", "bgr0", false},
                      Output{"Vp9Webm", "out.webm", "vp9", "vp9", "yuv420p", true},
                      Output{"Av1Webm", "out.webm", "av1", "av1", "yuv420p", true},
                      Output{"MotionJpegAvi", "out.avi", "MJPG", "mjpeg", "yuvj420p", false}),
    [](const auto& info) { return std::string(info.param.name); });

// A 50 % grey card and a red one through codecs that are lossless or close
// to it, decoded by the ffmpeg program, which converts by the tags written.
struct Card {
    const char* name;
    const char* file;
    const char* codec;
    int quality;
    const char* pixel_format;
    ColourMatrix matrix;
    ColourRange range;
};

class KeepsColours : public ::testing::TestWithParam<Card> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(testing::have_program("ffmpeg")) << "the ffmpeg program is not installed";
    }
    // The largest channel difference between the decoded card and `bgr`.
    int worst_after_round_trip(const std::uint8_t bgr[3]) {
        const Card& card = GetParam();
        const auto file = folder.path() / card.file;
        CodecRequest request;
        request.codec = card.codec;
        request.quality = card.quality;
        request.pixel_format = card.pixel_format;
        request.colour = {card.matrix, card.range};
        Result<MovieSettings> settings = settings_for(file, request, {25, 1});
        EXPECT_TRUE(settings) << settings.error();
        if (!settings) {
            return 255;
        }
        Result<MovieWriter> writer = MovieWriter::create(file, *settings);
        EXPECT_TRUE(writer) << writer.error();
        if (!writer) {
            return 255;
        }
        std::vector<std::uint8_t> frame(MovieWriter::frame_size(width, height), 0);
        for (std::uint32_t y = 0; y < height; ++y) {
            for (std::uint32_t x = 0; x < width; ++x) {
                std::copy_n(bgr, 3, &frame[y * bitmap_stride(width) + x * 3]);
            }
        }
        for (int f = 0; f < 3; ++f) {
            EXPECT_TRUE(writer->write_frame(frame.data(), frame.size()).ok());
        }
        EXPECT_TRUE(writer->close().ok());
        const auto raw = folder.path() / "card.bgr";
        program_output("ffmpeg -nostdin -v error -y -i " + shell_quoted(file) +
                       " -frames:v 1 -f rawvideo -pix_fmt bgr24 " + shell_quoted(raw));
        std::ifstream in(raw, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(bytes.size(), std::size_t{width} * height * 3);
        int worst = 0;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            worst =
                std::max(worst, std::abs(int{static_cast<std::uint8_t>(bytes[i])} - bgr[i % 3]));
        }
        return worst;
    }
    kdr::test::TempFolder folder;
};

TEST_P(KeepsColours, GreyStaysWithinTwoLevels) {
    const std::uint8_t grey[3] = {128, 128, 128};
    EXPECT_LE(worst_after_round_trip(grey), 2);
}

TEST_P(KeepsColours, RedStaysRedWithTheMatrixTagged) {
    const std::uint8_t red[3] = {0x28, 0x3C, 0xC8};
    EXPECT_LE(worst_after_round_trip(red), 3);
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, KeepsColours,
    ::testing::Values(
        Card{"Ffv1", "card.mkv", "ffv1", 100, "", ColourMatrix::bt709, ColourRange::limited},
        Card{"ProRes709", "card.mov", "prores", 100, "", ColourMatrix::bt709, ColourRange::limited},
        Card{"LosslessH264In709", "card.mp4", "h264", 100, "yuv444p", ColourMatrix::bt709,
             ColourRange::limited},
        Card{"LosslessH264In601", "card.mp4", "h264", 100, "yuv444p", ColourMatrix::bt601,
             ColourRange::limited},
        Card{"LosslessH264Full", "card.mkv", "h264", 100, "yuv444p", ColourMatrix::bt709,
             ColourRange::full},
        Card{"Ffv1Yuv709", "card.mkv", "ffv1", 100, "yuv444p", ColourMatrix::bt709,
             ColourRange::limited}),
    [](const auto& info) { return std::string(info.param.name); });

class MovieWriterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(testing::have_program("ffprobe")) << "the ffprobe program is not installed";
    }
    kdr::test::TempFolder folder;
};

TEST_F(MovieWriterTest, RefusalsNameTheProblemAndLeaveNothing) {
    const struct {
        const char* file;
        const char* codec;
        const char* pixel_format;
        std::uint32_t width;
        const char* message;
    } cases[] = {
        {"a.webm", "h264", "", width, "cannot hold h264"},
        {"a.mp4", "h264", "", 161, "multiple of 2"},
        {"a.mp4", "h264", "rgb565", width, "does not take rgb565"},
        {"a.mp4", "h264", "nonsense", width, "no pixel format"},
        {"a.mp4", "prores", "", width, "cannot hold prores"},
    };
    for (const auto& c : cases) {
        const auto file = folder.path() / c.file;
        CodecRequest request;
        request.codec = c.codec;
        request.pixel_format = c.pixel_format;
        Result<MovieSettings> settings = settings_for(file, request);
        ASSERT_TRUE(settings) << settings.error();
        settings->width = c.width;
        Result<MovieWriter> writer = MovieWriter::create(file, *settings);
        ASSERT_FALSE(writer) << c.file << " " << c.codec;
        EXPECT_NE(writer.error().find(c.message), std::string::npos) << writer.error();
        EXPECT_NE(writer.error().find(c.file), std::string::npos) << writer.error();
        EXPECT_TRUE(std::filesystem::is_empty(folder.path())) << "something was left behind";
    }
}

TEST_F(MovieWriterTest, AnAbandonedMovieLeavesNoTemporaryFile) {
    const auto file = folder.path() / "gone.mp4";
    CodecRequest request;
    request.codec = "h264";
    Result<MovieSettings> settings = settings_for(file, request);
    ASSERT_TRUE(settings) << settings.error();
    {
        Result<MovieWriter> writer = MovieWriter::create(file, *settings);
        ASSERT_TRUE(writer) << writer.error();
        const auto frame = bitmap(testing::numbered_picture(width, height, 1), width, height);
        ASSERT_TRUE(writer->write_frame(frame.data(), frame.size()).ok());
        EXPECT_FALSE(writer->write_audio(nullptr, 0).ok()) << "audio into a movie without any";
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

TEST_F(MovieWriterTest, QualityChangesTheSize) {
    std::uintmax_t sizes[2] = {};
    const int qualities[2] = {10, 90};
    for (int i = 0; i < 2; ++i) {
        const auto file = folder.path() / ("q" + std::to_string(qualities[i]) + ".mp4");
        CodecRequest request;
        request.codec = "h264";
        request.quality = qualities[i];
        Result<MovieSettings> settings = settings_for(file, request);
        ASSERT_TRUE(settings) << settings.error();
        ASSERT_TRUE(write_numbered(file, *settings, 10).ok());
        sizes[i] = std::filesystem::file_size(file);
    }
    EXPECT_LT(sizes[0], sizes[1]);
}

struct WithAudio {
    const char* file;
    const char* codec;
};

class WritesAudio : public MovieWriterTest, public ::testing::WithParamInterface<WithAudio> {};

TEST_P(WritesAudio, ThatLastsAsLongAsTheVideo) {
    const auto file = folder.path() / GetParam().file;
    CodecRequest request;
    Result<MovieSettings> settings = settings_for(file, request, {25, 1});
    ASSERT_TRUE(settings) << settings.error();
    settings->audio = audio_encoding_for(settings->container);
    Result<MovieWriter> writer = MovieWriter::create(file, *settings);
    ASSERT_TRUE(writer) << writer.error();
    // Two seconds: 50 frames, and a 440 Hz tone in steps of one frame's
    // 1920 samples, as a renderer hands it over.
    const std::size_t per_frame = movie_sample_rate / 25;
    std::vector<float> tone(per_frame * movie_channels);
    for (std::uint32_t f = 0; f < 50; ++f) {
        const auto frame = bitmap(testing::numbered_picture(width, height, f), width, height);
        ASSERT_TRUE(writer->write_frame(frame.data(), frame.size()).ok());
        for (std::size_t i = 0; i < per_frame; ++i) {
            const double t = double(f * per_frame + i) / movie_sample_rate;
            tone[2 * i] = tone[2 * i + 1] = static_cast<float>(0.5 * std::sin(2 * M_PI * 440 * t));
        }
        ASSERT_TRUE(writer->write_audio(tone.data(), per_frame).ok());
    }
    ASSERT_TRUE(writer->close().ok());
    EXPECT_EQ(writer->audio_frames_written(), 50u * per_frame);

    const std::string audio = probe(file, "stream=codec_name,sample_rate,channels", "a:0");
    EXPECT_NE(audio.find("codec_name=" + std::string(GetParam().codec) + "\n"), std::string::npos)
        << audio;
    EXPECT_NE(audio.find("sample_rate=48000\n"), std::string::npos) << audio;
    EXPECT_NE(audio.find("channels=2\n"), std::string::npos) << audio;
    // Every decoded sample, counted by the ffmpeg program.
    const std::string counted = program_output("ffmpeg -nostdin -v error -i " + shell_quoted(file) +
                                               " -map 0:a:0 -f s16le -ac 1 -ar 48000 - | wc -c");
    const double seconds = std::stod(counted) / 2 / movie_sample_rate;
    EXPECT_NEAR(seconds, 2.0, 0.025) << "the audio lasts " << seconds << " s";
}

INSTANTIATE_TEST_SUITE_P(Containers, WritesAudio,
                         ::testing::Values(WithAudio{"tone.mp4", "aac"},
                                           WithAudio{"tone.mov", "aac"},
                                           WithAudio{"tone.mkv", "opus"},
                                           WithAudio{"tone.webm", "opus"},
                                           WithAudio{"tone.avi", "pcm_s16le"}),
                         [](const auto& info) {
                             std::string name = info.param.file;
                             return name.substr(name.find('.') + 1);
                         });

}  // namespace
}  // namespace kdr::video
