#include "kaleidra/video/avi_writer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kaleidra/testing/temp_folder.h"
#include "kaleidra/video/avi_reader.h"
#include "kaleidra/video/encoders.h"
#include "video_test_support.h"

namespace kdr::video {
namespace {

constexpr std::uint32_t width = 64;
constexpr std::uint32_t height = 48;
constexpr std::uint32_t frame_count = 10;

Status write_movie(const std::filesystem::path& file, const CompressOptions& options,
                   std::uint32_t fps = 15) {
    Result<AviWriter> writer = AviWriter::create(file, width, height, fps, options);
    if (!writer) {
        return Error{writer.error()};
    }
    for (std::uint32_t f = 0; f < frame_count; ++f) {
        const std::vector<std::uint8_t> frame =
            test::bitmap_of(test::picture(width, height, f), width, height);
        if (Status written = writer->write_frame(frame.data(), frame.size()); !written) {
            return written;
        }
    }
    EXPECT_EQ(writer->frames_written(), frame_count);
    return writer->close();
}

CompressOptions options_for(const char* handler, std::uint32_t quality = quality_default) {
    CompressOptions options;
    options.handler = make_fourcc(handler);
    options.quality = quality;
    return options;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

struct Written {
    const char* handler;
    const char* codec;  // as ffprobe names it
    double mean_tolerance;
    int max_tolerance;
};

class WrittenMovies : public ::testing::TestWithParam<Written> {
  protected:
    void SetUp() override {
        if (!test::have_program("ffprobe")) {
            GTEST_SKIP() << "the ffprobe program is not installed";
        }
    }
    kdr::test::TempFolder folder;
};

TEST_P(WrittenMovies, AreReadByFfprobeWithEveryFrameAKeyFrame) {
    const Written& movie = GetParam();
    const auto file = folder.path() / "movie.avi";
    Status written = write_movie(file, options_for(movie.handler, 8000));
    ASSERT_TRUE(written.ok()) << written.error();

    const std::string stream = test::run(
        "ffprobe -v error -select_streams v:0 -count_frames -show_entries "
        "stream=codec_name,r_frame_rate,nb_read_frames,width,height -of default=nw=1 " +
        test::quoted(file));
    EXPECT_NE(stream.find("codec_name=" + std::string(movie.codec) + "\n"), std::string::npos)
        << stream;
    EXPECT_NE(stream.find("r_frame_rate=15/1\n"), std::string::npos) << stream;
    EXPECT_NE(stream.find("nb_read_frames=10\n"), std::string::npos) << stream;
    EXPECT_NE(stream.find("width=64\n"), std::string::npos) << stream;
    EXPECT_NE(stream.find("height=48\n"), std::string::npos) << stream;

    const std::vector<std::string> packets = lines_of(
        test::run("ffprobe -v error -select_streams v:0 -show_entries packet=flags -of csv=p=0 " +
                  test::quoted(file)));
    ASSERT_EQ(packets.size(), frame_count);
    for (const std::string& flags : packets) {
        EXPECT_EQ(flags.substr(0, 1), "K") << "a packet that is not a key frame";
    }
    const std::vector<std::string> frames = lines_of(test::run(
        "ffprobe -v error -select_streams v:0 -show_entries frame=key_frame -of csv=p=0 " +
        test::quoted(file)));
    ASSERT_EQ(frames.size(), frame_count);
    for (const std::string& key : frames) {
        EXPECT_EQ(key, "1") << "a decoded frame that is not a key frame";
    }

    // And the pictures come back as they went in.
    Result<AviReader> reader = AviReader::open(file);
    ASSERT_TRUE(reader) << reader.error();
    EXPECT_EQ(reader->length(), frame_count);
    EXPECT_EQ(reader->rate(), 15u);
    EXPECT_EQ(reader->scale(), 1u);
    for (std::uint32_t f : {0u, 1u, 2u, 9u, 4u}) {
        Result<const VideoFrame*> frame = reader->read_frame(f);
        ASSERT_TRUE(frame) << frame.error();
        SCOPED_TRACE("reading frame " + std::to_string(f));
        test::expect_frame(**frame, f, frame_count, movie.mean_tolerance, movie.max_tolerance);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Compressors, WrittenMovies,
    ::testing::Values(Written{"DIB ", "rawvideo", 0, 0}, Written{"msvc", "msvideo1", 6, 90},
                      Written{"CRAM", "msvideo1", 6, 90}, Written{"cvid", "cinepak", 6, 90},
                      Written{"MJPG", "mjpeg", 3, 70}, Written{"HFYU", "huffyuv", 0, 0}),
    [](const auto& info) {
        std::string name = info.param.handler;
        return name == "DIB " ? std::string("DIB") : name;
    });

TEST(AviWriter, RawFramesAreStoredBottomUpAsGiven) {
    kdr::test::TempFolder folder;
    const auto file = folder.path() / "raw.avi";
    ASSERT_TRUE(write_movie(file, options_for("DIB ")).ok());
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    // The first frame's bytes appear verbatim in the file.
    const std::vector<std::uint8_t> first =
        test::bitmap_of(test::picture(width, height, 0), width, height);
    EXPECT_NE(bytes.find(std::string(first.begin(), first.end())), std::string::npos);
}

TEST(AviWriter, QualityChangesTheSizeOfLossyMovies) {
    kdr::test::TempFolder folder;
    for (const char* handler : {"MJPG", "cvid"}) {
        const auto low = folder.path() / "low.avi";
        const auto high = folder.path() / "high.avi";
        ASSERT_TRUE(write_movie(low, options_for(handler, 500)).ok());
        ASSERT_TRUE(write_movie(high, options_for(handler, 10000)).ok());
        EXPECT_LT(std::filesystem::file_size(low), std::filesystem::file_size(high)) << handler;
    }
}

struct Refused {
    const char* name;
    const char* handler;
    std::uint32_t width;
    std::uint32_t height;
    std::uint32_t fps;
    const char* message_part;
};

class WriterRefuses : public ::testing::TestWithParam<Refused> {};

TEST_P(WriterRefuses, WithAMessageAndNoFile) {
    const Refused& bad = GetParam();
    kdr::test::TempFolder folder;
    const auto file = folder.path() / "movie.avi";
    Result<AviWriter> writer =
        AviWriter::create(file, bad.width, bad.height, bad.fps, options_for(bad.handler));
    ASSERT_FALSE(writer);
    EXPECT_NE(writer.error().find(bad.message_part), std::string::npos) << writer.error();
    EXPECT_NE(writer.error().find("movie.avi"), std::string::npos) << writer.error();
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_TRUE(std::filesystem::is_empty(folder.path())) << "a temporary file was left";
}

INSTANTIATE_TEST_SUITE_P(
    BadSettings, WriterRefuses,
    ::testing::Values(Refused{"UnknownCompressor", "XVID", 64, 48, 15, "\"XVID\" is not supported"},
                      Refused{"MsVideo1OddSize", "MSVC", 66, 48, 15, "multiples of 4"},
                      Refused{"NoFramesPerSecond", "DIB ", 64, 48, 0, "frames per second"},
                      Refused{"ZeroWidth", "DIB ", 0, 48, 15, "outside"},
                      Refused{"HugeHeight", "MJPG", 64, 100000, 15, "outside"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AviWriter, WrongFrameSizeIsRefused) {
    kdr::test::TempFolder folder;
    Result<AviWriter> writer =
        AviWriter::create(folder.path() / "movie.avi", 5, 2, 10, options_for("DIB "));
    ASSERT_TRUE(writer) << writer.error();
    EXPECT_EQ(AviWriter::frame_size(5, 2), 32u);  // rows of 15 bytes padded to 16
    std::vector<std::uint8_t> frame(30);
    Status status = writer->write_frame(frame.data(), frame.size());
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error().find("30 bytes was given, 32 expected"), std::string::npos)
        << status.error();
    frame.resize(32);
    EXPECT_TRUE(writer->write_frame(frame.data(), frame.size()).ok());
    EXPECT_TRUE(writer->close().ok());
}

TEST(AviWriter, AnAbandonedMovieLeavesTheOldFile) {
    kdr::test::TempFolder folder;
    const auto file = folder.path() / "movie.avi";
    std::ofstream(file) << "the previous movie";
    {
        Result<AviWriter> writer = AviWriter::create(file, 8, 8, 10, options_for("DIB "));
        ASSERT_TRUE(writer) << writer.error();
        std::vector<std::uint8_t> frame(AviWriter::frame_size(8, 8), 7);
        ASSERT_TRUE(writer->write_frame(frame.data(), frame.size()).ok());
    }
    std::ifstream in(file);
    std::string contents;
    std::getline(in, contents);
    EXPECT_EQ(contents, "the previous movie");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(Encoders, ListTheFiveCompressorsAndFindThemByHandler) {
    const std::vector<EncoderInfo> encoders = list_encoders();
    ASSERT_EQ(encoders.size(), 5u);
    std::vector<std::string> handlers;
    for (const EncoderInfo& entry : encoders) {
        handlers.push_back(fourcc_text(entry.handler));
        EXPECT_TRUE(entry.available) << entry.name << " is missing from this FFmpeg";
    }
    EXPECT_EQ(handlers, (std::vector<std::string>{"DIB ", "MSVC", "cvid", "MJPG", "HFYU"}));
    ASSERT_NE(find_encoder(make_fourcc("mjpg")), nullptr);
    EXPECT_EQ(find_encoder(make_fourcc("mjpg"))->codec, "mjpeg");
    EXPECT_EQ(find_encoder(make_fourcc("CRAM"))->codec, "msvideo1");
    EXPECT_EQ(find_encoder(make_fourcc("CVID"))->codec, "cinepak");
    EXPECT_EQ(find_encoder(0)->codec, "rawvideo");
    EXPECT_EQ(find_encoder(make_fourcc("DIVX")), nullptr);
}

}  // namespace
}  // namespace kdr::video
