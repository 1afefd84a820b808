// Reading the video people have: clips made by the ffmpeg program in the
// containers and codecs of phones, cameras and editors, every frame showing
// its own number, read in order and at random.

#include "kaleidra/video/video_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <numeric>
#include <random>

#include "kaleidra/testing/temp_folder.h"
#include "kaleidra/video/testing/numbered_clips.h"

namespace kdr::video {
namespace {

using testing::ClipRequest;
using testing::make_numbered_clip;
using testing::read_number;

int number_of(const VideoFrame& frame) {
    return read_number(frame.pixels.data(), frame.width, frame.height, frame.stride, true);
}

struct Format {
    const char* name;
    const char* file;
    const char* arguments;
    const char* codec;
};

void PrintTo(const Format& format, std::ostream* out) {
    *out << format.file << " (" << format.arguments << ")";
}

class ReadsEverydayFormats : public ::testing::TestWithParam<Format> {
  protected:
    static constexpr std::uint32_t frames = 36;

    void SetUp() override {
        ASSERT_TRUE(testing::have_program("ffmpeg")) << "the ffmpeg program is not installed";
        clip = folder.path() / GetParam().file;
        ClipRequest request;
        request.frames = frames;
        request.rate = "30000/1001";
        request.output_arguments = GetParam().arguments;
        make_numbered_clip(clip, request);
    }

    void expect_frame(VideoReader& reader, std::uint32_t index) {
        Result<const VideoFrame*> frame = reader.read_frame(index);
        ASSERT_TRUE(frame) << frame.error();
        ASSERT_EQ((*frame)->width, 160u);
        ASSERT_EQ((*frame)->height, 96u);
        EXPECT_EQ((*frame)->index, index);
        EXPECT_EQ(number_of(**frame), static_cast<int>(index)) << "reading frame " << index;
    }

    kdr::test::TempFolder folder;
    std::filesystem::path clip;
};

TEST_P(ReadsEverydayFormats, TellsLengthRateSizeAndCodec) {
    Result<VideoReader> reader = VideoReader::open(clip);
    ASSERT_TRUE(reader) << reader.error();
    EXPECT_EQ(reader->length(), frames);
    EXPECT_EQ(reader->rate(), (FrameRate{30000, 1001}));
    EXPECT_EQ(reader->width(), 160u);
    EXPECT_EQ(reader->height(), 96u);
    EXPECT_EQ(reader->codec_name(), GetParam().codec);
    EXPECT_FALSE(reader->has_audio());
}

TEST_P(ReadsEverydayFormats, FrameExactlyInOrderWithoutSeeking) {
    Result<VideoReader> reader = VideoReader::open(clip);
    ASSERT_TRUE(reader) << reader.error();
    for (std::uint32_t f = 0; f < frames; ++f) {
        expect_frame(*reader, f);
    }
    EXPECT_EQ(reader->seek_count(), 0u);
    // Past the end the last frame holds.
    Result<const VideoFrame*> past = reader->read_frame(frames + 5);
    ASSERT_TRUE(past) << past.error();
    EXPECT_EQ(number_of(**past), static_cast<int>(frames - 1));
}

TEST_P(ReadsEverydayFormats, FrameExactlyAtRandom) {
    Result<VideoReader> reader = VideoReader::open(clip);
    ASSERT_TRUE(reader) << reader.error();
    std::vector<std::uint32_t> order(frames);
    std::iota(order.begin(), order.end(), 0u);
    std::shuffle(order.begin(), order.end(), std::mt19937(22));
    for (std::uint32_t f : order) {
        expect_frame(*reader, f);
    }
    // Backwards from the end, each read a seek.
    for (std::uint32_t f = frames; f-- > frames - 6;) {
        expect_frame(*reader, f);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Containers, ReadsEverydayFormats,
    ::testing::Values(Format{"H264Mp4BFrames", "h264.mp4",
                             "-c:v libx264 -bf 3 -g 12 -pix_fmt yuv420p", "h264"},
                      Format{"HevcMov", "hevc.mov",
                             "-c:v libx265 -x265-params log-level=error:bframes=2 -g 10 "
                             "-pix_fmt yuv420p -tag:v hvc1",
                             "hevc"},
                      Format{"Vp9Webm", "vp9.webm",
                             "-c:v libvpx-vp9 -g 10 -crf 30 -b:v 0 -deadline realtime "
                             "-cpu-used 8",
                             "vp9"},
                      Format{"Av1Mkv", "av1.mkv", "-c:v libsvtav1 -g 10 -preset 12", "av1"},
                      Format{"Ffv1Mkv", "ffv1.mkv", "-c:v ffv1", "ffv1"},
                      Format{"ProResMov", "prores.mov", "-c:v prores_ks -profile:v 2", "prores"},
                      Format{"H264TransportStream", "h264.ts",
                             "-c:v libx264 -bf 2 -g 9 -pix_fmt yuv420p", "h264"},
                      Format{"Mpeg4Avi", "mpeg4.avi", "-c:v mpeg4 -bf 2 -g 8 -q:v 3", "mpeg4"}),
    [](const auto& info) { return std::string(info.param.name); });

class VideoReaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(testing::have_program("ffmpeg")) << "the ffmpeg program is not installed";
    }
    std::filesystem::path make(const std::string& name, const std::string& arguments,
                               std::uint32_t frames = 12) {
        const std::filesystem::path file = folder.path() / name;
        ClipRequest request;
        request.frames = frames;
        request.output_arguments = arguments;
        make_numbered_clip(file, request);
        return file;
    }
    kdr::test::TempFolder folder;
};

// The picture a clip of numbered frames shows after a turn: the stored
// picture is numbered, so turning the decoded one back must give it.
std::vector<std::uint8_t> turned_back(const VideoFrame& frame, int clockwise_turns) {
    // The decoded picture, top row first, turned counter-clockwise.
    const std::uint32_t w = frame.width;
    const std::uint32_t h = frame.height;
    const bool sideways = clockwise_turns % 2 != 0;
    const std::uint32_t sw = sideways ? h : w;
    const std::uint32_t sh = sideways ? w : h;
    std::vector<std::uint8_t> stored(std::size_t{sw} * sh * 3);
    for (std::uint32_t y = 0; y < h; ++y) {
        for (std::uint32_t x = 0; x < w; ++x) {
            std::uint32_t sx = x;
            std::uint32_t sy = y;
            if (clockwise_turns == 1) {
                sx = y;
                sy = sh - 1 - x;
            } else if (clockwise_turns == 2) {
                sx = sw - 1 - x;
                sy = sh - 1 - y;
            } else if (clockwise_turns == 3) {
                sx = sw - 1 - y;
                sy = x;
            }
            const std::uint8_t* p = &frame.pixels[std::size_t{h - 1 - y} * frame.stride + x * 3];
            std::copy_n(p, 3, &stored[(std::size_t{sy} * sw + sx) * 3]);
        }
    }
    return stored;
}

TEST_F(VideoReaderTest, PhoneVideoStoredSidewaysComesOutAsFfmpegShowsIt) {
    const auto plain = make("plain.mp4", "-c:v libx264 -pix_fmt yuv444p -qp 0");
    for (const char* rotate : {"90", "180", "270"}) {
        const auto turned = folder.path() / (std::string("rotate") + rotate + ".mp4");
        testing::program_output("ffmpeg -nostdin -v error -y -i " + testing::shell_quoted(plain) +
                                " -c copy -metadata:s:v:0 rotate=" + rotate + " " +
                                testing::shell_quoted(turned));
        // The ffmpeg program turns frames upright as players do.
        const auto shown = folder.path() / "shown.bgr";
        testing::program_output("ffmpeg -nostdin -v error -y -i " + testing::shell_quoted(turned) +
                                " -f rawvideo -pix_fmt bgr24 " + testing::shell_quoted(shown));
        std::ifstream in(shown, std::ios::binary);
        const std::string expected((std::istreambuf_iterator<char>(in)), {});

        Result<VideoReader> reader = VideoReader::open(turned);
        ASSERT_TRUE(reader) << reader.error();
        const int turns = reader->quarter_turns();
        EXPECT_NE(turns, 0) << "rotate " << rotate;
        EXPECT_EQ(reader->width(), turns % 2 ? 96u : 160u);
        EXPECT_EQ(reader->height(), turns % 2 ? 160u : 96u);
        const std::size_t frame_bytes = std::size_t{160} * 96 * 3;
        ASSERT_EQ(expected.size(), frame_bytes * 12);
        for (std::uint32_t f : {0u, 7u, 3u}) {
            Result<const VideoFrame*> frame = reader->read_frame(f);
            ASSERT_TRUE(frame) << frame.error();
            const VideoFrame& picture = **frame;
            ASSERT_EQ(picture.width, reader->width());
            int worst = 0;
            for (std::uint32_t y = 0; y < picture.height; ++y) {
                for (std::uint32_t x = 0; x < picture.width * 3; ++x) {
                    const int ours = picture.pixels[(picture.height - 1 - y) * picture.stride + x];
                    const auto theirs = static_cast<std::uint8_t>(
                        expected[f * frame_bytes + (std::size_t{y} * picture.width * 3 + x)]);
                    worst = std::max(worst, std::abs(ours - int{theirs}));
                }
            }
            EXPECT_LE(worst, 3) << "rotate " << rotate << ", frame " << f;
            // And the stored picture turned back is the numbered frame.
            const std::vector<std::uint8_t> stored = turned_back(picture, turns);
            EXPECT_EQ(read_number(stored.data(), 160, 96, 160 * 3, false), static_cast<int>(f))
                << "rotate " << rotate << ", frame " << f;
        }
    }
}

TEST_F(VideoReaderTest, AnOutputSizeScalesEveryFrame) {
    const auto file = make("scaled.mkv", "-c:v ffv1");
    Result<VideoReader> reader = VideoReader::open(file);
    ASSERT_TRUE(reader) << reader.error();
    ASSERT_TRUE(reader->set_output_size(82, 50).ok());
    Result<const VideoFrame*> frame = reader->read_frame(5);
    ASSERT_TRUE(frame) << frame.error();
    EXPECT_EQ((*frame)->width, 82u);
    EXPECT_EQ((*frame)->height, 50u);
    EXPECT_EQ((*frame)->stride, bitmap_stride(82));
    EXPECT_EQ(number_of(**frame), 5);
    // Back to the displayed size; the same frame is converted again.
    ASSERT_TRUE(reader->set_output_size(0, 0).ok());
    frame = reader->read_frame(5);
    ASSERT_TRUE(frame) << frame.error();
    EXPECT_EQ((*frame)->width, 160u);
    EXPECT_EQ(number_of(**frame), 5);
    EXPECT_FALSE(reader->set_output_size(0, 50).ok());
    EXPECT_FALSE(reader->set_output_size(max_frame_dimension + 1, 50).ok());
}

TEST_F(VideoReaderTest, ReportsAudioWhenTheFileHasIt) {
    const auto file = folder.path() / "with-audio.mp4";
    ClipRequest request;
    request.frames = 10;
    request.with_audio = true;
    request.output_arguments = "-c:v libx264 -c:a aac";
    make_numbered_clip(file, request);
    Result<VideoReader> reader = VideoReader::open(file);
    ASSERT_TRUE(reader) << reader.error();
    EXPECT_TRUE(reader->has_audio());
    EXPECT_EQ(reader->container_name().find("mp4") != std::string::npos, true)
        << reader->container_name();
    Result<const VideoFrame*> frame = reader->read_frame(9);
    ASSERT_TRUE(frame) << frame.error();
    EXPECT_EQ(number_of(**frame), 9);
}

// A card of one colour, encoded by ffmpeg with the matrix and range given.
struct Card {
    const char* name;
    const char* colour;     // as ffmpeg's color source takes it
    int blue, green, red;   // what must come back
    const char* arguments;  // conversion and tags
    ColourMatrix matrix;    // what the reader must say it used
    ColourRange range;
};

class ReadsColourByTheTags : public VideoReaderTest, public ::testing::WithParamInterface<Card> {};

TEST_P(ReadsColourByTheTags, SoGreyStaysGreyAndRedStaysRed) {
    const Card& card = GetParam();
    const auto file = folder.path() / "card.mkv";
    testing::program_output(std::string("ffmpeg -nostdin -v error -y -f lavfi -i color=c=") +
                            card.colour + ":s=64x48:r=10:d=0.5 " + card.arguments +
                            " -c:v libx264 -qp 0 " + testing::shell_quoted(file));
    Result<VideoReader> reader = VideoReader::open(file);
    ASSERT_TRUE(reader) << reader.error();
    Result<const VideoFrame*> frame = reader->read_frame(2);
    ASSERT_TRUE(frame) << frame.error();
    EXPECT_EQ(reader->colour().matrix, card.matrix);
    EXPECT_EQ(reader->colour().range, card.range);
    int worst = 0;
    const int expected[3] = {card.blue, card.green, card.red};
    for (std::uint32_t y = 0; y < (*frame)->height; ++y) {
        for (std::uint32_t x = 0; x < (*frame)->width; ++x) {
            const std::uint8_t* p = &(*frame)->pixels[y * (*frame)->stride + x * 3];
            for (int c = 0; c < 3; ++c) {
                worst = std::max(worst, std::abs(p[c] - expected[c]));
            }
        }
    }
    EXPECT_LE(worst, 2) << "B G R at the middle: "
                        << int((*frame)->pixels[24 * (*frame)->stride + 96]) << " "
                        << int((*frame)->pixels[24 * (*frame)->stride + 97]) << " "
                        << int((*frame)->pixels[24 * (*frame)->stride + 98]);
}

INSTANTIATE_TEST_SUITE_P(
    Cards, ReadsColourByTheTags,
    ::testing::Values(
        Card{"Grey709Limited", "0x808080", 128, 128, 128,
             "-vf scale=out_color_matrix=bt709:out_range=tv,format=yuv444p -colorspace bt709 "
             "-color_primaries bt709 -color_trc bt709 -color_range tv",
             ColourMatrix::bt709, ColourRange::limited},
        Card{"Red709Limited", "0xC83C28", 0x28, 0x3C, 0xC8,
             "-vf scale=out_color_matrix=bt709:out_range=tv,format=yuv444p -colorspace bt709 "
             "-color_range tv",
             ColourMatrix::bt709, ColourRange::limited},
        Card{"Red601Limited", "0xC83C28", 0x28, 0x3C, 0xC8,
             "-vf scale=out_color_matrix=bt601:out_range=tv,format=yuv444p -colorspace smpte170m "
             "-color_range tv",
             ColourMatrix::bt601, ColourRange::limited},
        Card{"Red709Full", "0xC83C28", 0x28, 0x3C, 0xC8,
             "-vf scale=out_color_matrix=bt709:out_range=pc,format=yuv444p -colorspace bt709 "
             "-color_range pc",
             ColourMatrix::bt709, ColourRange::full},
        Card{"RedUntaggedIsBt601", "0xC83C28", 0x28, 0x3C, 0xC8,
             "-vf scale=out_color_matrix=bt601:out_range=tv,format=yuv444p", ColourMatrix::bt601,
             ColourRange::limited}),
    [](const auto& info) { return std::string(info.param.name); });

class CutFiles : public VideoReaderTest,
                 public ::testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(CutFiles, GiveAnErrorOrTheLastGoodFrame) {
    const std::string name = GetParam().first;
    const auto whole = make(name, GetParam().second, 24);
    std::ifstream in(whole, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    const auto cut = folder.path() / ("cut-" + name);
    int readable = 0;
    for (const double share : {0.05, 0.1, 0.3, 0.5, 0.8, 0.95}) {
        std::ofstream(cut, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size() * share));
        Result<VideoReader> reader = VideoReader::open(cut);
        if (!reader) {
            EXPECT_NE(reader.error().find(cut.filename().string()), std::string::npos)
                << reader.error();
            continue;
        }
        int last_number = -1;
        for (std::uint32_t f : {0u, 3u, 23u, 11u, 22u, 1u}) {
            Result<const VideoFrame*> frame = reader->read_frame(f);
            if (!frame) {
                EXPECT_NE(frame.error().find(cut.filename().string()), std::string::npos)
                    << frame.error();
                continue;
            }
            const int number = number_of(**frame);
            EXPECT_GE(number, 0) << "frame " << f << " of a file cut at " << share;
            EXPECT_LE(number, static_cast<int>(f)) << "a later frame for " << f;
            last_number = std::max(last_number, number);
        }
        readable += last_number > 0;
    }
    // A file cut late still gives its frames (unless the container keeps
    // its index at the end, as MP4 does without faststart).
    if (name != "moov-at-end.mp4") {
        EXPECT_GT(readable, 0) << "no frame read from any cut " << name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Containers, CutFiles,
    ::testing::Values(std::make_pair("cut.mkv", "-c:v libx264 -g 4 -pix_fmt yuv420p"),
                      std::make_pair("moov-at-end.mp4", "-c:v libx264 -g 4 -pix_fmt yuv420p"),
                      std::make_pair("faststart.mp4",
                                     "-c:v libx264 -g 4 -pix_fmt yuv420p -movflags +faststart"),
                      std::make_pair("cut.ts", "-c:v libx264 -g 4 -bf 2 -pix_fmt yuv420p"),
                      std::make_pair("cut.webm",
                                     "-c:v libvpx-vp9 -g 4 -deadline realtime "
                                     "-cpu-used 8")),
    [](const auto& info) {
        std::string name = info.param.first;
        for (char& c : name) {
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        return name;
    });

TEST_F(VideoReaderTest, NoiseIsNoVideo) {
    // Noise with a container's name is no video.
    const auto noise = folder.path() / "noise.mp4";
    std::string random_bytes(4096, '\0');
    std::mt19937 random(5);
    for (char& c : random_bytes) {
        c = static_cast<char>(random() & 0xFF);
    }
    std::ofstream(noise, std::ios::binary) << random_bytes;
    Result<VideoReader> reader = VideoReader::open(noise);
    ASSERT_FALSE(reader);
    EXPECT_NE(reader.error().find("noise.mp4"), std::string::npos) << reader.error();
}

TEST_F(VideoReaderTest, AFileWithoutVideoIsRefused) {
    const auto sound = folder.path() / "tone.m4a";
    testing::program_output("ffmpeg -nostdin -v error -y -f lavfi -i sine=d=0.5 -c:a aac " +
                            testing::shell_quoted(sound));
    Result<VideoReader> reader = VideoReader::open(sound);
    ASSERT_FALSE(reader);
    EXPECT_NE(reader.error().find("has no video stream"), std::string::npos) << reader.error();
}

}  // namespace
}  // namespace kdr::video
