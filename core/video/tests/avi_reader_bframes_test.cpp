// Clips with B-frames, made and decoded by the ffmpeg program: every frame
// the reader gives, in any order, is the frame ffmpeg extracts at that
// position. Decoders that hold frames back give their last frames without
// time stamps, which is where frames near the end went wrong.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <numeric>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "kaleidra/testing/temp_folder.h"
#include "kaleidra/video/avi_reader.h"
#include "video_test_support.h"

namespace kdr::video {
namespace {

constexpr std::uint32_t clip_width = 160;
constexpr std::uint32_t clip_height = 120;
// Four seconds at 29.97 frames a second.
constexpr std::uint32_t clip_frames = 120;
// The scaler settings the reader uses, so that ffmpeg's pictures match ours.
constexpr const char* reader_scaling = "bilinear+full_chroma_int";

struct BFrameClip {
    const char* name;
    const char* codec_arguments;
};

void PrintTo(const BFrameClip& clip, std::ostream* out) {
    *out << clip.name << " (" << clip.codec_arguments << ")";
}

// Every frame of a clip as ffmpeg decodes it: packed BGR, top row first.
class FfmpegFrames {
  public:
    FfmpegFrames(const std::filesystem::path& clip, const std::filesystem::path& raw) {
        test::run(std::string("ffmpeg -nostdin -v error -y -i ") + test::quoted(clip) +
                  " -sws_flags " + reader_scaling + " -f rawvideo -pix_fmt bgr24 " +
                  test::quoted(raw));
        std::ifstream in(raw, std::ios::binary);
        m_bytes.assign(std::istreambuf_iterator<char>(in), {});
    }

    std::uint32_t count() const { return static_cast<std::uint32_t>(m_bytes.size() / frame_bytes); }

    // Mean channel difference between a decoded frame (bottom row first)
    // and ffmpeg's frame f.
    double difference(const VideoFrame& frame, std::uint32_t f) const {
        const std::size_t row_bytes = std::size_t{clip_width} * 3;
        const unsigned char* expected =
            reinterpret_cast<const unsigned char*>(m_bytes.data()) + std::size_t{f} * frame_bytes;
        double sum = 0;
        for (std::uint32_t y = 0; y < clip_height; ++y) {
            const std::uint8_t* row =
                &frame.pixels[std::size_t{clip_height - 1 - y} * frame.stride];
            for (std::size_t x = 0; x < row_bytes; ++x) {
                sum += std::abs(int{row[x]} - int{expected[y * row_bytes + x]});
            }
        }
        return sum / double(frame_bytes);
    }

    // The frame of the clip that `frame` is closest to, for failure messages.
    std::uint32_t closest(const VideoFrame& frame) const {
        std::uint32_t best = 0;
        for (std::uint32_t f = 1; f < count(); ++f) {
            if (difference(frame, f) < difference(frame, best)) {
                best = f;
            }
        }
        return best;
    }

  private:
    static constexpr std::size_t frame_bytes = std::size_t{clip_width} * clip_height * 3;
    std::vector<char> m_bytes;
};

class ReadsBFrameClipsAtRandom : public ::testing::TestWithParam<BFrameClip> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(test::have_program("ffmpeg")) << "the ffmpeg program is not installed";
        clip = folder.path() / (std::string(GetParam().name) + ".avi");
        test::run(
            "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=" + std::to_string(clip_width) +
            "x" + std::to_string(clip_height) + ":rate=30000/1001:duration=4 " +
            GetParam().codec_arguments + " " + test::quoted(clip));
    }

    // Reads frame `index` and checks it against ffmpeg's frame.
    void expect_frame(AviReader& reader, const FfmpegFrames& expected, std::uint32_t index) {
        Result<const VideoFrame*> frame = reader.read_frame(index);
        ASSERT_TRUE(frame) << frame.error();
        const VideoFrame& picture = **frame;
        ASSERT_EQ(picture.width, clip_width);
        ASSERT_EQ(picture.height, clip_height);
        const double own = expected.difference(picture, index);
        bool nearest = true;
        for (std::uint32_t other : {index - 1, index + 1}) {
            if (other < expected.count()) {
                nearest = nearest && own < expected.difference(picture, other);
            }
        }
        EXPECT_TRUE(own <= 0.5 && nearest)
            << "frame " << index << " differs from ffmpeg's by " << own
            << " on average and looks like ffmpeg's frame " << expected.closest(picture);
    }

    kdr::test::TempFolder folder;
    std::filesystem::path clip;
};

TEST_P(ReadsBFrameClipsAtRandom, EveryFrameEqualsTheFrameFfmpegExtracts) {
    const FfmpegFrames expected(clip, folder.path() / "frames.bgr");
    ASSERT_EQ(expected.count(), clip_frames);
    Result<AviReader> reader = AviReader::open(clip);
    ASSERT_TRUE(reader) << reader.error();
    ASSERT_EQ(reader->length(), clip_frames);

    std::vector<std::uint32_t> order(clip_frames);
    std::iota(order.begin(), order.end(), 0u);
    std::mt19937 random(20240613);
    std::shuffle(order.begin(), order.end(), random);
    for (std::uint32_t index : order) {
        expect_frame(*reader, expected, index);
    }
}

// The first read of a fresh reader seeks; past the last key frame the
// decoder's last frames come without time stamps.
TEST_P(ReadsBFrameClipsAtRandom, FramesNearTheEndAsTheFirstRead) {
    const FfmpegFrames expected(clip, folder.path() / "frames.bgr");
    ASSERT_EQ(expected.count(), clip_frames);
    for (std::uint32_t index = clip_frames - 14; index < clip_frames; ++index) {
        Result<AviReader> reader = AviReader::open(clip);
        ASSERT_TRUE(reader) << reader.error();
        expect_frame(*reader, expected, index);
        // And back again, from the end.
        expect_frame(*reader, expected, clip_frames - 1);
        expect_frame(*reader, expected, index);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, ReadsBFrameClipsAtRandom,
    ::testing::Values(BFrameClip{"Mpeg4", "-c:v mpeg4 -bf 2 -g 12"},
                      BFrameClip{"H264", "-c:v libx264 -bf 2 -g 12 -pix_fmt yuv420p"},
                      BFrameClip{"H264ThreeBFrames", "-c:v libx264 -bf 3 -g 25 -pix_fmt yuv420p"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kdr::video
