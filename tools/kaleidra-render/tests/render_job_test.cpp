// kaleidra-render end to end with the counting engine: real sources, the
// real render driver, real picture files out; the engine's pattern tells
// which frame position and which rows each picture came from.

#include "render_job.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/images/png_file.h"
#include "kaleidra/install/registry_values.h"
#include "kaleidra/platform/registry.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/testing/installation_test.h"
#include "kaleidra/testing/program_run.h"
#include "kaleidra/video/avi_reader.h"
#include "kaleidra/video/avi_writer.h"

namespace kdr::render_tool {
namespace {

class RenderJobTest : public kdr::test::InstallationTest {
  protected:
    void SetUp() override {
        for (const char* name : {"in", "out"}) {
            std::filesystem::create_directories(folder.path() / name);
        }
        install_counting_engine("Rnd_Count");
        write_empty_effect("Swirl");
        write_png(in("a.png"), 16, 10, 10);
        write_png(in("b.png"), 16, 10, 200);
    }

  public:
    std::string in(const std::string& name) const { return (folder.path() / "in" / name).string(); }
    std::string out(const std::string& name) const {
        return (folder.path() / "out" / name).string();
    }

    static void write_png(const std::string& file, std::uint32_t width, std::uint32_t height,
                          std::uint8_t shade) {
        ImageRecord image;
        image_construct(image);
        image_set_shape(image, {format_rgb, 3, 1, row_order_top_down, width, height});
        ASSERT_TRUE(image_allocate(image));
        std::memset(image.buffer, shade, image.size);
        ASSERT_TRUE(write_png_file(image, file));
        image_release_all(image);
    }

    // An uncompressed movie whose frame k is all of one shade, 10 * (k + 1).
    static void write_movie(const std::string& file, std::uint32_t width, std::uint32_t height,
                            std::uint32_t frames) {
        video::CompressOptions options;
        options.handler = video::make_fourcc("DIB ");
        Result<video::AviWriter> writer =
            video::AviWriter::create(file, width, height, 25, options);
        ASSERT_TRUE(writer) << writer.error();
        std::vector<std::uint8_t> pixels(video::AviWriter::frame_size(width, height));
        for (std::uint32_t k = 0; k < frames; ++k) {
            std::fill(pixels.begin(), pixels.end(), static_cast<std::uint8_t>(10 * (k + 1)));
            ASSERT_TRUE(writer->write_frame(pixels.data(), pixels.size()));
        }
        ASSERT_TRUE(writer->close());
    }

    // The first source bytes the engine saw at each render, in order.
    std::vector<int> source_bytes_seen(int slot) const {
        std::vector<int> seen;
        std::istringstream lines(engine_log_text());
        std::string line;
        while (std::getline(lines, line)) {
            std::istringstream fields(line);
            std::string library, event, name;
            long thread = 0;
            int context = 0, a = 0, b = 0;
            unsigned flags = 0, position = 0, images = 0;
            fields >> library >> event >> context >> flags >> position >> images >> thread >>
                name >> a >> b;
            if (event == "render") {
                seen.push_back(slot == 0 ? a : b);
            }
        }
        return seen;
    }

  protected:
    RenderOptions options(const std::string& output, std::uint32_t frames) const {
        RenderOptions o;
        o.effect = "Swirl";
        o.source_a = in("a.png");
        o.source_b = in("b.png");
        o.output = output;
        o.frames = frames;
        return o;
    }

    // The counting engine's colours at (x, y) of a picture it drew whole,
    // as red, green, blue.
    static void expect_pattern(const std::string& file, std::uint32_t position) {
        ImageRecord image;
        image_construct(image);
        ASSERT_TRUE(read_png_file(image, file)) << file;
        for (std::uint32_t y = 0; y < image.height; ++y) {
            for (std::uint32_t x = 0; x < image.width; ++x) {
                const std::uint8_t* p = image_pixel(image, x, y);
                ASSERT_EQ(p[2], static_cast<std::uint8_t>(x + position))
                    << file << " " << x << "," << y;
                ASSERT_EQ(p[1], static_cast<std::uint8_t>(y)) << file << " " << x << "," << y;
                ASSERT_EQ(p[0], static_cast<std::uint8_t>(x * 3 + y * 5 + position * 7));
            }
        }
        image_release_all(image);
    }

    std::string engine_log_text() const { return read_text(engine_log()); }
    std::string render_log_text() const { return read_text(render_log()); }
};

TEST_F(RenderJobTest, RendersEveryPositionIntoNumberedPictures) {
    Result<RenderSummary> summary = run_render(options(out("f%02d.png"), 4), nullptr);
    ASSERT_TRUE(summary) << summary.error();
    EXPECT_EQ(summary->frames, 4u);
    EXPECT_EQ(summary->width, 16u);
    EXPECT_EQ(summary->height, 10u);
    EXPECT_EQ(summary->conversions, 0u) << "same-sized pictures go to the engine as they are";
    for (std::uint32_t i = 0; i < 4; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%02u.png", i);
        expect_pattern(out(name), i);
    }
    EXPECT_FALSE(std::filesystem::exists(out("f04.png")));
    // Positions 0..3 of total 3: completion 0 at the first frame, 1 at the last.
    EXPECT_NE(engine_log_text().find("render"), std::string::npos);
}

TEST_F(RenderJobTest, TwoThreadsGiveTheSamePictures) {
    RenderOptions two = options(out("two%d.png"), 3);
    two.threads = 2;
    Result<RenderSummary> summary = run_render(two, nullptr);
    ASSERT_TRUE(summary) << summary.error();
    EXPECT_TRUE(summary->two_threads);
    for (std::uint32_t i = 0; i < 3; ++i) {
        expect_pattern(out("two" + std::to_string(i) + ".png"), i);
    }
}

TEST_F(RenderJobTest, ProgressCountsEveryFrame) {
    std::vector<std::uint32_t> seen;
    Result<RenderSummary> summary =
        run_render(options(out("p.png"), 3), [&](std::uint32_t done, std::uint32_t total) {
            EXPECT_EQ(total, 3u);
            seen.push_back(done);
        });
    ASSERT_TRUE(summary) << summary.error();
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{1, 2, 3}));
    EXPECT_TRUE(std::filesystem::exists(out("p0002.png")));
    EXPECT_NE(summary->where.find("p0000.png"), std::string::npos) << summary->where;
}

class FieldOrderTest : public RenderJobTest, public ::testing::WithParamInterface<int> {};

TEST_P(FieldOrderTest, InterlacesTwoFieldsHalfAFrameApart) {
    RenderOptions fielded = options(out("i%d.png"), 2);
    fielded.fields = FieldOrder::even_first;
    fielded.threads = GetParam();
    Result<RenderSummary> summary = run_render(fielded, nullptr);
    ASSERT_TRUE(summary) << summary.error();
    for (std::uint32_t frame = 0; frame < 2; ++frame) {
        ImageRecord image;
        image_construct(image);
        ASSERT_TRUE(read_png_file(image, out("i" + std::to_string(frame) + ".png")));
        for (std::uint32_t y = 0; y < image.height; ++y) {
            // Even rows are the first field, at position 2 * frame; odd rows
            // the second, half a frame later. Each field counts its own rows.
            const std::uint32_t position = frame * 2 + (y % 2);
            const std::uint32_t field_row = y / 2;
            const std::uint8_t* p = image_pixel(image, 3, y);
            EXPECT_EQ(p[2], static_cast<std::uint8_t>(3 + position))
                << "frame " << frame << " row " << y;
            EXPECT_EQ(p[1], static_cast<std::uint8_t>(field_row))
                << "frame " << frame << " row " << y;
        }
        image_release_all(image);
    }
}

INSTANTIATE_TEST_SUITE_P(Threads, FieldOrderTest, ::testing::Values(1, 2));

TEST_F(RenderJobTest, OddFirstPutsTheFirstFieldOnOddRows) {
    RenderOptions fielded = options(out("odd.png"), 1);
    fielded.fields = FieldOrder::odd_first;
    ASSERT_TRUE(run_render(fielded, nullptr));
    ImageRecord image;
    image_construct(image);
    ASSERT_TRUE(read_png_file(image, out("odd.png")));
    EXPECT_EQ(image_pixel(image, 0, 1)[2], 0) << "odd rows: position 0";
    EXPECT_EQ(image_pixel(image, 0, 0)[2], 1) << "even rows: position 1";
    image_release_all(image);
}

TEST_F(RenderJobTest, ResizesSourcesOnceEachToTheOutputSize) {
    RenderOptions sized = options(out("s%d.png"), 3);
    sized.width = 8;
    sized.height = 6;
    Result<RenderSummary> summary = run_render(sized, nullptr);
    ASSERT_TRUE(summary) << summary.error();
    EXPECT_EQ(summary->conversions, 2u) << "each still picture is resized once";
    ImageRecord image;
    image_construct(image);
    ASSERT_TRUE(read_png_file(image, out("s2.png")));
    EXPECT_EQ(image.width, 8u);
    EXPECT_EQ(image.height, 6u);
    image_release_all(image);
}

TEST_F(RenderJobTest, ExtraSourcesAndSequencesReachTheEngine) {
    write_png(in("seq1.png"), 16, 10, 1);
    write_png(in("seq2.png"), 16, 10, 2);
    RenderOptions extra = options(out("e%d.png"), 3);
    extra.extras = {in("seq%d.png"), in("a.png")};
    ASSERT_TRUE(run_render(extra, nullptr));
    std::istringstream lines(engine_log_text());
    std::string line;
    int renders = 0;
    while (std::getline(lines, line)) {
        if (line.find(" render ") != std::string::npos) {
            std::istringstream fields(line);
            std::string library, event;
            int context = 0;
            unsigned flags = 0, position = 0, images = 0;
            fields >> library >> event >> context >> flags >> position >> images;
            EXPECT_EQ(images, 4u) << line;
            ++renders;
        }
    }
    EXPECT_EQ(renders, 3);
}

TEST_F(RenderJobTest, SetValuesReachTheSettings) {
    set_number("Rnd_Logging", 1);
    RenderOptions set = options(out("v.png"), 1);
    set.fly_on = true;
    set.assignments = {"shadows=75", "style=wire", "lighting=off"};
    ASSERT_TRUE(run_render(set, nullptr));
    const std::string log = render_log_text();
    EXPECT_NE(log.find("Effect    : Swirl\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Engine    : Rnd_Count\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Options   : FlyOn, Wire  , Best-Render, Best-Image, Antialias Off\r\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Lighting Off, LightDir: 45, Shadows:75%, "), std::string::npos) << log;
}

TEST_F(RenderJobTest, StoredSettingsFileGivesEffectAndValues) {
    write_empty_effect("Stored");
    EffectSettings stored;
    ASSERT_TRUE(settings_initialise(stored));
    std::strcpy(stored.name, "Stored");
    stored.globals[global_shadows] = 20;
    stored.globals[global_blur_count] = 3;
    {
        chunks::ChunkStream stream = chunks::ChunkStream::open_file(
            chunks::ChunkMode::write_file, folder.path() / "in" / "s.kdr", chunks::make_id("KDRR"));
        settings_write(stored, stream);
        ASSERT_EQ(stream.close(), chunks::ready);
    }
    // The same record as a host keeps it: a memory block in a file.
    {
        const std::vector<std::uint8_t> block = settings_to_block(stored);
        std::ofstream(folder.path() / "in" / "block.bin", std::ios::binary)
            .write(reinterpret_cast<const char*>(block.data()),
                   static_cast<std::streamsize>(block.size()));
    }
    settings_destroy(stored);
    set_number("Rnd_Logging", 1);

    for (const char* file : {"s.kdr", "block.bin"}) {
        RenderOptions from_file = options(out("stored.png"), 1);
        from_file.effect.clear();
        from_file.settings_file = in(file);
        from_file.assignments = {"blur_count=4"};
        Result<RenderSummary> summary = run_render(from_file, nullptr);
        ASSERT_TRUE(summary) << summary.error();
    }
    const std::string log = render_log_text();
    EXPECT_NE(log.find("Effect    : Stored\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Shadows:20%, Blur: 0, BlurCount: 4\r\n"), std::string::npos) << log;
}

TEST_F(RenderJobTest, SavedDefaultsAreTheStartingPoint) {
    EffectSettings defaults;
    ASSERT_TRUE(settings_initialise(defaults));
    std::strcpy(defaults.name, "Ignored");
    defaults.globals[global_light_direction] = 120;
    {
        chunks::ChunkStream stream = chunks::ChunkStream::open_file(
            chunks::ChunkMode::write_file, folder.path() / "Work" / "Defaults.KRI",
            chunks::make_id("KDRR"));
        settings_write(defaults, stream);
        ASSERT_EQ(stream.close(), chunks::ready);
    }
    settings_destroy(defaults);
    set_number("Rnd_Logging", 1);
    ASSERT_TRUE(run_render(options(out("d.png"), 1), nullptr));
    const std::string log = render_log_text();
    EXPECT_NE(log.find("Effect    : Swirl\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Lighting Off, LightDir: 120, Shadows:0%"), std::string::npos) << log;
}

struct FailureCase {
    const char* what;
    std::function<void(RenderJobTest&, RenderOptions&)> change;
    const char* message;
};

class RenderFailureTest : public RenderJobTest,
                          public ::testing::WithParamInterface<FailureCase> {};

TEST_P(RenderFailureTest, FailsWithAClearMessage) {
    RenderOptions failing = options(out("x%d.png"), 2);
    GetParam().change(*this, failing);
    Result<RenderSummary> summary = run_render(failing, nullptr);
    ASSERT_FALSE(summary) << GetParam().what;
    EXPECT_NE(summary.error().find(GetParam().message), std::string::npos)
        << GetParam().what << ": " << summary.error();
    EXPECT_FALSE(std::filesystem::exists(out("x0.png"))) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RenderFailureTest,
    ::testing::Values(
        FailureCase{"missing effect", [](auto&, RenderOptions& o) { o.effect = "Nowhere"; },
                    "EFFECTS/Nowhere.KDR"},
        FailureCase{"missing source",
                    [](auto& t, RenderOptions& o) { o.source_b = t.in("gone.png"); },
                    "source B: \""},
        FailureCase{"unreadable source",
                    [](auto& t, RenderOptions& o) {
                        std::ofstream(t.in("bad.png")) << "not a png";
                        o.source_a = t.in("bad.png");
                    },
                    "bad.png"},
        FailureCase{"empty sequence",
                    [](auto& t, RenderOptions& o) { o.extras = {t.in("none%03d.png")}; },
                    "extra source 1: no pictures"},
        FailureCase{"missing engine", [](auto&, RenderOptions& o) { o.engine = "Rnd_Gone"; },
                    "LIBS/Rnd_Gone.so"},
        FailureCase{
            "engine without entry points",
            [](auto&, RenderOptions& o) { o.engine = kdr::test::partial_engine_file().string(); },
            "lacks Rnd_Prepare"},
        FailureCase{"odd height with fields",
                    [](auto&, RenderOptions& o) {
                        o.fields = FieldOrder::odd_first;
                        o.height = 7;
                        o.width = 8;
                    },
                    "even output height"},
        FailureCase{"output folder missing",
                    [](auto& t, RenderOptions& o) { o.output = t.out("no/where%d.png"); },
                    "does not exist"},
        FailureCase{"unknown output type",
                    [](auto& t, RenderOptions& o) { o.output = t.out("x.gif"); },
                    "must be an .mp4, .mov, .mkv, .webm or .avi movie"},
        FailureCase{"bad setting", [](auto&, RenderOptions& o) { o.assignments = {"hue=3"}; },
                    "unknown setting \"hue\""}),
    [](const ::testing::TestParamInfo<FailureCase>& info) {
        return "Case" + std::to_string(info.index);
    });

TEST_F(RenderJobTest, MovieFramesFollowTheOutputAndHoldTheLast) {
    write_movie(in("clip.avi"), 16, 10, 3);
    RenderOptions movie = options(out("m%d.png"), 5);
    movie.source_a = in("clip.avi");
    Result<RenderSummary> summary = run_render(movie, nullptr);
    ASSERT_TRUE(summary) << summary.error();
    EXPECT_EQ(summary->conversions, 0u) << "decoded frames go to the engine as they are";
    EXPECT_EQ(source_bytes_seen(0), (std::vector<int>{10, 20, 30, 30, 30}));
    EXPECT_EQ(source_bytes_seen(1), (std::vector<int>{200, 200, 200, 200, 200}));
}

TEST_F(RenderJobTest, MovieSourcesAreResizedPerFrame) {
    write_movie(in("big.avi"), 32, 20, 2);
    RenderOptions movie = options(out("r%d.png"), 3);
    movie.source_b = in("big.avi");
    Result<RenderSummary> summary = run_render(movie, nullptr);
    ASSERT_TRUE(summary) << summary.error();
    EXPECT_EQ(summary->width, 16u) << "the output takes source A's size";
    EXPECT_EQ(summary->conversions, 0u) << "movies are scaled as they are decoded";
    EXPECT_EQ(source_bytes_seen(1), (std::vector<int>{10, 20, 20}));
}

TEST_F(RenderJobTest, WritesAnUncompressedMovieFrameByFrame) {
    RenderOptions movie = options(out("dib.avi"), 3);
    movie.codec = "DIB ";
    movie.rate = video::FrameRate{12, 1};
    Result<RenderSummary> summary = run_render(movie, nullptr);
    ASSERT_TRUE(summary) << summary.error();
    EXPECT_EQ(summary->where, out("dib.avi"));
    Result<video::AviReader> reader = video::AviReader::open(out("dib.avi"));
    ASSERT_TRUE(reader) << reader.error();
    EXPECT_EQ(reader->length(), 3u);
    EXPECT_EQ(reader->width(), 16u);
    EXPECT_EQ(reader->height(), 10u);
    EXPECT_EQ(reader->rate() / reader->scale(), 12u);
    for (std::uint32_t i = 0; i < 3; ++i) {
        Result<const video::VideoFrame*> frame = reader->read_frame(i);
        ASSERT_TRUE(frame) << frame.error();
        for (std::uint32_t y = 0; y < 10; ++y) {
            // Bottom row first in the movie.
            const std::uint8_t* row = (*frame)->pixels.data() + (*frame)->stride * (9 - y);
            for (std::uint32_t x = 0; x < 16; ++x) {
                ASSERT_EQ(row[x * 3], static_cast<std::uint8_t>(x + i))
                    << i << " " << x << "," << y;
                ASSERT_EQ(row[x * 3 + 1], static_cast<std::uint8_t>(y));
            }
        }
    }
}

TEST_F(RenderJobTest, WritesACompressedMovie) {
    RenderOptions movie = options(out("mjpg.avi"), 4);
    movie.codec = "MJPG";
    movie.quality = 90;
    ASSERT_TRUE(run_render(movie, nullptr));
    Result<video::AviReader> reader = video::AviReader::open(out("mjpg.avi"));
    ASSERT_TRUE(reader) << reader.error();
    EXPECT_EQ(reader->length(), 4u);
    EXPECT_EQ(reader->rate() / reader->scale(), 30u) << "pictures give 30 frames a second";
}

TEST_F(RenderJobTest, UnknownCompressorListsTheAvailableOnes) {
    RenderOptions movie = options(out("x.avi"), 2);
    movie.codec = "ABCD";
    Result<RenderSummary> summary = run_render(movie, nullptr);
    ASSERT_FALSE(summary);
    EXPECT_NE(summary.error().find("no compressor \"ABCD\""), std::string::npos) << summary.error();
    EXPECT_NE(summary.error().find("\"MJPG\""), std::string::npos) << summary.error();
    EXPECT_FALSE(std::filesystem::exists(out("x.avi")));
}

TEST_F(RenderJobTest, NoInstallFolderIsAClearError) {
    remove_value("Path");
    Result<RenderSummary> summary = run_render(options(out("x.png"), 1), nullptr);
    ASSERT_FALSE(summary);
    EXPECT_NE(summary.error().find("\"Path\""), std::string::npos) << summary.error();
}

TEST_F(RenderJobTest, EngineThatRendersNothingFailsTheRender) {
    fail_prepare("all");
    Result<RenderSummary> summary = run_render(options(out("y.png"), 1), nullptr);
    fail_prepare("");
    ASSERT_FALSE(summary);
    EXPECT_NE(summary.error().find("rendered no picture for frame 0"), std::string::npos)
        << summary.error();
}

// The program itself: exit codes and where its words go.
test::ProgramRun run_program(const std::string& arguments) {
    return test::run_program(std::string(KDR_RENDER_PROGRAM) + " " + arguments);
}

TEST_F(RenderJobTest, ProgramExitCodes) {
    test::ProgramRun help = run_program("--help");
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_NE(help.output.find("Usage: kaleidra-render"), std::string::npos);

    test::ProgramRun usage = run_program("--frames 0");
    EXPECT_EQ(usage.exit_code, 2);
    EXPECT_NE(usage.output.find("--help"), std::string::npos) << usage.output;

    test::ProgramRun missing = run_program("--effect Nowhere --a " + in("a.png") + " --b " +
                                           in("b.png") + " --out " + out("m.png"));
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_NE(missing.output.find("kaleidra-render: effect \"Nowhere\" not found"),
              std::string::npos)
        << missing.output;

    test::ProgramRun good = run_program("--effect Swirl --frames 2 --a " + in("a.png") + " --b " +
                                        in("b.png") + " --out " + out("g%d.png"));
    EXPECT_EQ(good.exit_code, 0) << good.output;
    EXPECT_NE(good.output.find("frame 2 of 2"), std::string::npos) << good.output;
    expect_pattern(out("g1.png"), 1);
}

}  // namespace
}  // namespace kdr::render_tool
