// Runs the kdr-image and kdr-dump programs as a user would.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kaleidra/images/bmp_file.h"
#include "kaleidra/images/image_file.h"
#include "kaleidra/images/png_file.h"
#include "kaleidra/images/targa_file.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/testing/temp_folder.h"
#include "kaleidra/video/avi_writer.h"
#include "kaleidra/video/movie_writer.h"

namespace kdr {
namespace {

struct Outcome {
    int exit_code = -1;
    std::string out;
    std::string err;
};

std::string quoted(const std::string& text) {
    std::string result = "'";
    for (char c : text) {
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return result + "'";
}

std::string slurp(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class ToolTest : public ::testing::Test {
  protected:
    Outcome run(const std::string& program, const std::vector<std::string>& arguments) {
        std::string command = quoted(program);
        for (const std::string& argument : arguments) {
            command += " " + quoted(argument);
        }
        const auto out = folder.path() / "stdout.txt";
        const auto err = folder.path() / "stderr.txt";
        command += " >" + quoted(out.string()) + " 2>" + quoted(err.string());
        const int status = std::system(command.c_str());
        Outcome outcome;
        outcome.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        outcome.out = slurp(out);
        outcome.err = slurp(err);
        return outcome;
    }
    Outcome image_tool(const std::vector<std::string>& arguments) {
        return run(KDR_IMAGE_PROGRAM, arguments);
    }
    std::string path(const std::string& name) const { return (folder.path() / name).string(); }

    test::TempFolder folder;
};

// A picture whose every byte differs, as an owned record.
class Picture {
  public:
    Picture(std::uint8_t format, std::uint32_t width, std::uint32_t height, int seed = 0) {
        image_construct(m_image);
        image_set_shape(m_image,
                        {format, static_cast<std::uint8_t>(image_has_alpha(format) ? 4 : 3), 4,
                         row_order_bottom_up, width, height});
        EXPECT_TRUE(image_allocate(m_image));
        for (std::uint32_t i = 0; i < m_image.size; ++i) {
            m_image.buffer[i] = static_cast<std::uint8_t>(i * 37 + seed * 11 + 1);
        }
    }
    ~Picture() { image_release_all(m_image); }
    ImageRecord& record() { return m_image; }

  private:
    ImageRecord m_image;
};

// Pixel bytes of two BGR(A) records, compared picture row by picture row.
void expect_same_picture(const ImageRecord& a, const ImageRecord& b) {
    ASSERT_EQ(a.width, b.width);
    ASSERT_EQ(a.height, b.height);
    ASSERT_EQ(a.bytes_per_pixel, b.bytes_per_pixel);
    for (std::uint32_t y = 0; y < a.height; ++y) {
        ASSERT_EQ(std::memcmp(image_row(a, y), image_row(b, y), a.width * a.bytes_per_pixel), 0)
            << "row " << y;
    }
}

TEST_F(ToolTest, ConvertsThroughEveryFormatWithoutLoss) {
    for (std::uint8_t format : {format_bgr, format_bgra}) {
        Picture source(format, 5, 3);
        // Bitmaps read opaque whatever their fourth bytes hold (the alpha
        // bias of 32-bit bitmaps): alpha that matters starts from a PNG.
        const bool alpha = format == format_bgra;
        ASSERT_TRUE(alpha ? write_png_file(source.record(), path("source.png")).ok()
                          : write_bmp_file(source.record(), path("source.bmp")).ok());
        const std::vector<std::string> chain = {
            alpha ? "source.png" : "source.bmp", "a.png", "b.tga", "c.kdt", "d.img", "back.bmp"};
        for (std::size_t i = 0; i + 1 < chain.size(); ++i) {
            Outcome outcome = image_tool({path(chain[i]), path(chain[i + 1])});
            ASSERT_EQ(outcome.exit_code, 0)
                << chain[i] << " -> " << chain[i + 1] << ": " << outcome.err;
            EXPECT_EQ(outcome.err, "");
        }
        ImageRecord back;
        image_construct(back);
        ASSERT_TRUE(read_bmp_file(back, path("back.bmp")).ok());
        EXPECT_EQ(back.format, format);
        expect_same_picture(back, source.record());
        image_release_all(back);
    }
}

// Most writers leave the fourth bytes of 32-bit bitmaps 0; the picture is
// opaque all the same, and converts exactly as its 24-bit twin does.
TEST_F(ToolTest, ThirtyTwoBitBitmapConvertsLikeItsTwentyFourBitTwin) {
    Picture twin(format_bgr, 7, 5);
    Picture z32(format_bgra, 7, 5);
    for (std::uint32_t y = 0; y < 5; ++y) {
        for (std::uint32_t x = 0; x < 7; ++x) {
            std::memcpy(image_pixel(z32.record(), x, y), image_pixel(twin.record(), x, y), 3);
            image_pixel(z32.record(), x, y)[3] = 0;
        }
    }
    ASSERT_TRUE(write_bmp_file(twin.record(), path("z24.bmp")).ok());
    ASSERT_TRUE(write_bmp_file(z32.record(), path("z32.bmp")).ok());
    for (const std::string extension : {".png", ".tga"}) {
        for (const std::string name : {"z24", "z32"}) {
            Outcome outcome = image_tool({path(name + ".bmp"), path(name + extension)});
            ASSERT_EQ(outcome.exit_code, 0) << outcome.err;
        }
        EXPECT_EQ(slurp(path("z32" + extension)), slurp(path("z24" + extension))) << extension;
    }
    // An image file keeps the bitmap's pixels and its bias, and converts
    // the same way in turn.
    ASSERT_EQ(image_tool({path("z32.bmp"), path("z32.kdt")}).exit_code, 0);
    ASSERT_EQ(image_tool({path("z32.kdt"), path("z32k.png")}).exit_code, 0);
    EXPECT_EQ(slurp(path("z32k.png")), slurp(path("z24.png")));
}

TEST_F(ToolTest, TakesAFrameOfANumberedSequenceAsTheRenderersDo) {
    Picture frame0(format_bgr, 4, 4, 0);
    Picture frame1(format_bgr, 4, 4, 1);
    ASSERT_TRUE(write_targa_file(frame0.record(), path("run00.tga")).ok());
    ASSERT_TRUE(write_targa_file(frame1.record(), path("run01.tga")).ok());
    Outcome outcome = image_tool({"--frame", "5", path("run00.tga"), path("out.bmp")});
    ASSERT_EQ(outcome.exit_code, 0) << outcome.err;
    ImageRecord out;
    image_construct(out);
    ASSERT_TRUE(read_bmp_file(out, path("out.bmp")).ok());
    expect_same_picture(out, frame1.record());
    image_release_all(out);
}

TEST_F(ToolTest, TakesAFrameOfAVideoAndDescribesIt) {
    const std::string movie = path("clip.avi");
    {
        Result<video::AviWriter> writer =
            video::AviWriter::create(movie, 8, 6, 25, video::CompressOptions{});
        ASSERT_TRUE(writer) << writer.error();
        for (int f = 0; f < 4; ++f) {
            std::vector<std::uint8_t> frame(video::AviWriter::frame_size(8, 6),
                                            static_cast<std::uint8_t>(50 * f + 10));
            ASSERT_TRUE(writer->write_frame(frame.data(), frame.size()).ok());
        }
        ASSERT_TRUE(writer->close().ok());
    }
    for (auto [frame, level] : {std::pair{"2", 110}, std::pair{"99", 160}}) {
        Outcome outcome = image_tool({"--frame", frame, movie, path("frame.tga")});
        ASSERT_EQ(outcome.exit_code, 0) << outcome.err;
        ImageRecord out;
        image_construct(out);
        ASSERT_TRUE(read_targa_file(out, path("frame.tga")).ok());
        EXPECT_EQ(out.width, 8u);
        EXPECT_EQ(image_pixel(out, 3, 3)[0], level) << "frame " << frame;
        image_release_all(out);
    }
    Outcome info = image_tool({"--info", movie});
    ASSERT_EQ(info.exit_code, 0) << info.err;
    EXPECT_NE(info.out.find("codec: rawvideo\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("length: 4 frames\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("rate: 25 / 1 frames per second\n"), std::string::npos) << info.out;
}

// Movies in containers beyond AVI, written without loss by the video
// services, are taken by their extension as AVIs are.
struct MovieCase {
    const char* name;
    const char* file;
    const char* container;
    const char* encoder;
    std::vector<std::pair<std::string, std::string>> options;
};

void PrintTo(const MovieCase& movie, std::ostream* out) {
    *out << movie.file;
}

class TakesFramesOfMovies : public ToolTest, public ::testing::WithParamInterface<MovieCase> {};

TEST_P(TakesFramesOfMovies, InEveryContainerTheVideoServicesRead) {
    const std::string movie = path(GetParam().file);
    {
        video::MovieSettings settings;
        settings.container = GetParam().container;
        settings.width = 16;
        settings.height = 16;
        settings.rate = video::FrameRate{25, 1};
        settings.video.encoder = GetParam().encoder;
        settings.video.pixel_format = "yuv444p";
        settings.video.options = GetParam().options;
        Result<video::MovieWriter> writer = video::MovieWriter::create(movie, settings);
        ASSERT_TRUE(writer) << writer.error();
        for (int f = 0; f < 4; ++f) {
            std::vector<std::uint8_t> frame(video::MovieWriter::frame_size(16, 16),
                                            static_cast<std::uint8_t>(50 * f + 10));
            ASSERT_TRUE(writer->write_frame(frame.data(), frame.size()).ok());
        }
        ASSERT_TRUE(writer->close().ok());
    }
    for (auto [frame, level] : {std::pair{"2", 110}, std::pair{"99", 160}}) {
        Outcome outcome = image_tool({"--frame", frame, movie, path("frame.png")});
        ASSERT_EQ(outcome.exit_code, 0) << outcome.err;
        ImageRecord out;
        image_construct(out);
        ASSERT_TRUE(read_png_file(out, path("frame.png")).ok());
        EXPECT_EQ(out.width, 16u);
        // Grey through YCbCr and back: within a step or two of rounding.
        EXPECT_NEAR(image_pixel(out, 8, 8)[1], level, 2) << "frame " << frame;
        image_release_all(out);
    }
    Outcome info = image_tool({"--info", movie});
    ASSERT_EQ(info.exit_code, 0) << info.err;
    EXPECT_NE(info.out.find("length: 4 frames\n"), std::string::npos) << info.out;
}

INSTANTIATE_TEST_SUITE_P(
    Containers, TakesFramesOfMovies,
    ::testing::Values(MovieCase{"WebM", "clip.webm", "webm", "libvpx-vp9", {{"lossless", "1"}}},
                      MovieCase{"M4v", "clip.M4V", "mp4", "libx264", {{"qp", "0"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ToolTest, InfoPrintsTheGeometryOfAPicture) {
    Picture picture(format_bgra, 5, 3);
    ASSERT_TRUE(write_bmp_file(picture.record(), path("p.bmp")).ok());
    Outcome outcome = image_tool({"--info", path("p.bmp")});
    ASSERT_EQ(outcome.exit_code, 0) << outcome.err;
    for (const char* line : {"format: 18 (BGRA)\n", "row order: 1 (bottom row first)\n",
                             "bytes per pixel: 4\n", "alignment: 4\n", "width: 5\n", "height: 3\n",
                             "stride: 20\n", "size: 60\n", "bias: 0 0 0 255\n"}) {
        EXPECT_NE(outcome.out.find(line), std::string::npos) << line << "in\n" << outcome.out;
    }
}

struct Misuse {
    const char* name;
    std::vector<std::string> arguments;
    int exit_code;
    const char* message_part;
};

class ToolMisuse : public ToolTest, public ::testing::WithParamInterface<Misuse> {};

TEST_P(ToolMisuse, FailsWithAnExitCodeAndAMessage) {
    std::vector<std::string> arguments;
    for (const std::string& argument : GetParam().arguments) {
        arguments.push_back(argument.rfind("@", 0) == 0 ? path(argument.substr(1)) : argument);
    }
    Outcome outcome = image_tool(arguments);
    EXPECT_EQ(outcome.exit_code, GetParam().exit_code) << outcome.err;
    EXPECT_NE(outcome.err.find(GetParam().message_part), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToolMisuse,
    ::testing::Values(Misuse{"NoFiles", {}, 2, "give an INPUT and an OUTPUT"},
                      Misuse{"BadFrame", {"--frame", "x1", "@a.bmp", "@b.bmp"}, 2, "x1"},
                      Misuse{"UnknownOption", {"--colour"}, 2, "unknown option"},
                      Misuse{"MissingInput", {"@absent.bmp", "@b.png"}, 1, "absent.bmp"},
                      Misuse{"UnknownExtension", {"@a.jpg", "@b.png"}, 1, "extension"},
                      Misuse{"VideoOutput", {"@a.bmp", "@b.avi"}, 1, "not videos"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ToolTest, HelpGoesToStandardOutput) {
    Outcome outcome = image_tool({"--help"});
    EXPECT_EQ(outcome.exit_code, 0);
    EXPECT_NE(outcome.out.find("Usage: kdr-image"), std::string::npos);
}

TEST_F(ToolTest, DumpDecodesImageFileGeometry) {
    Picture picture(format_bgr, 5, 3);
    ASSERT_TRUE(write_image_file(picture.record(), path("p.kdt")));
    Outcome outcome = run(KDR_DUMP_PROGRAM, {path("p.kdt")});
    ASSERT_EQ(outcome.exit_code, 0) << outcome.err;
    for (const char* text :
         {"IFMT", "format 2 (BGR)", "row order 1 (bottom row first)", "bytes per pixel 3",
          "alignment 4", "width 5", "height 3", "row length 5", "stored rows 3",
          "pixels 48 bytes, the geometry gives 48\n", "image 5 x 3, format 2 (BGR)",
          "stride 16, size 48"}) {
        EXPECT_NE(outcome.out.find(text), std::string::npos) << text << " in\n" << outcome.out;
    }
    EXPECT_EQ(outcome.out.find("IDAT holds"), std::string::npos) << outcome.out;
}

}  // namespace
}  // namespace kdr
