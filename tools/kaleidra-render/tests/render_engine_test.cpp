// kaleidra-render end to end with the real Rnd_Generic engine and an effect
// built for the test: a full-frame quad of video 1 and, in front of it, a
// quad of video 2 that moves from left to right as the effect completes.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/images/bmp_file.h"
#include "kaleidra/images/png_file.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/video/avi_reader.h"
#include "render_job.h"
#include "scene_kit.h"

namespace kdr::render_tool {
namespace {

constexpr std::uint32_t width = 96;
constexpr std::uint32_t height = 72;

class GenericRenderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        installation.install_engine("Rnd_Generic", KALEIDRA_RND_GENERIC);
        installation.set_string("Engine", "Rnd_Generic");
        test::SceneBuilder builder;
        builder.type(1).camera();
        builder.video_surface(10, 1);
        builder.video_surface(11, 2);
        builder.video_quad(100, 10, 1);
        scene::Object& inset = builder.quad(101, 11, 1.5f, 1.5f, 2);
        inset.motion.position[2] = 0.5f;
        builder.path(200, 101, {test::path_key(0, -1, 0, 0.5f), test::path_key(1, 1, 0, 0.5f)});
        ASSERT_TRUE(installation.add_effect("Slide", builder));
        ASSERT_TRUE(installation.add_video_over_backdrop("Cover"));
        write_png(file("a.png"), 255, 0, 0);
        write_png(file("b.png"), 0, 0, 255);
    }

    // A picture of `w` x `h` in which every pixel differs from its
    // neighbours; with `zero_alpha` a 32-bit bitmap whose fourth bytes are 0.
    void write_bitmap(const std::string& name, std::uint32_t w, std::uint32_t h,
                      bool zero_alpha = false) const {
        ImageRecord image;
        image_construct(image);
        image_set_shape(
            image, {zero_alpha ? format_bgra : format_bgr,
                    static_cast<std::uint8_t>(zero_alpha ? 4 : 3), 4, row_order_bottom_up, w, h});
        ASSERT_TRUE(image_allocate(image));
        for (std::uint32_t y = 0; y < h; ++y) {
            for (std::uint32_t x = 0; x < w; ++x) {
                std::uint8_t* p = image_pixel(image, x, y);
                p[0] = static_cast<std::uint8_t>(x * 7 + y * 61);
                p[1] = static_cast<std::uint8_t>(x * 3 + y * 29 + 40);
                p[2] = static_cast<std::uint8_t>(255 - x * 5 - y * 97);
                if (zero_alpha) {
                    p[3] = 0;
                }
            }
        }
        ASSERT_TRUE(write_bmp_file(image, file(name)).ok());
        image_release_all(image);
    }

    // Runs the program with `arguments`, at most a minute; its exit status
    // (124 when it ran out of time, -1 when a signal ended it) and output.
    static std::pair<int, std::string> run_program(const std::string& arguments) {
        const std::string command = "timeout -k 5 60 " + std::string(KDR_RENDER_PROGRAM) +
                                    " --no-progress " + arguments + " 2>&1";
        FILE* pipe = ::popen(command.c_str(), "r");
        if (pipe == nullptr) {
            return {-1, "cannot start the program"};
        }
        char buffer[512];
        std::string output;
        std::size_t count = 0;
        while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
            output.append(buffer, count);
        }
        const int status = ::pclose(pipe);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
    }

    static bool same_file(const std::string& a, const std::string& b) {
        Loaded x;
        Loaded y;
        if (!read_png_file(x.image, a) || !read_png_file(y.image, b) ||
            x.image.size != y.image.size || x.image.width != y.image.width) {
            return false;
        }
        return std::memcmp(x.image.buffer, y.image.buffer, x.image.size) == 0;
    }

    std::string file(const std::string& name) const {
        return (installation.path() / "Work" / name).string();
    }

    static void write_png(const std::string& path, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        ImageRecord image;
        image_construct(image);
        image_set_shape(image, {format_rgb, 3, 1, row_order_top_down, width, height});
        ASSERT_TRUE(image_allocate(image));
        for (std::uint32_t i = 0; i < image.size; i += 3) {
            image.buffer[i] = r;
            image.buffer[i + 1] = g;
            image.buffer[i + 2] = b;
        }
        ASSERT_TRUE(write_png_file(image, path));
        image_release_all(image);
    }

    RenderOptions options(const std::string& output, std::uint32_t frames) const {
        RenderOptions o;
        o.effect = "Slide";
        o.source_a = file("a.png");
        o.source_b = file("b.png");
        o.output = output;
        o.frames = frames;
        o.assignments = {"lighting=off", "shadows=0"};
        return o;
    }

    struct Loaded {
        ImageRecord image;
        Loaded() { image_construct(image); }
        ~Loaded() { image_release_all(image); }
        const std::uint8_t* at(std::uint32_t x, std::uint32_t y) const {
            return image_pixel(image, x, y);
        }
    };

    // The x of the middle of the inset on the picture's middle row: blue
    // (video 2), or red when the videos swap places (flying on).
    static double inset_centre(const Loaded& picture, bool red = false) {
        double sum = 0;
        int count = 0;
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint8_t* p = picture.at(x, height / 2);
            if (red ? p[0] > 128 && p[2] < 128 : p[2] > 128 && p[0] < 128) {
                sum += x;
                ++count;
            }
        }
        return count > 0 ? sum / count : -1;
    }

    test::Installation installation;
};

TEST_F(GenericRenderTest, TheInsetTravelsAcrossTheTransition) {
    Result<RenderSummary> summary = run_render(options(file("f%d.png"), 3), nullptr);
    ASSERT_TRUE(summary) << summary.error();
    double centres[3];
    for (int i = 0; i < 3; ++i) {
        Loaded picture;
        ASSERT_TRUE(read_png_file(picture.image, file("f" + std::to_string(i) + ".png")));
        // Video 1 fills the corners.
        const std::uint8_t* corner = picture.at(1, 1);
        EXPECT_GT(corner[0], 200) << "frame " << i;
        EXPECT_LT(corner[2], 60) << "frame " << i;
        centres[i] = inset_centre(picture);
        ASSERT_GE(centres[i], 0) << "frame " << i << " shows no inset";
    }
    EXPECT_LT(centres[0], width / 2.0 - 8);
    EXPECT_NEAR(centres[1], width / 2.0, 3);
    EXPECT_GT(centres[2], width / 2.0 + 8);
}

TEST_F(GenericRenderTest, FlyingOnRunsTheOtherWay) {
    RenderOptions on = options(file("on%d.png"), 2);
    on.fly_on = true;
    ASSERT_TRUE(run_render(on, nullptr));
    Loaded first;
    Loaded last;
    ASSERT_TRUE(read_png_file(first.image, file("on0.png")));
    ASSERT_TRUE(read_png_file(last.image, file("on1.png")));
    // This effect swaps its videos flying on: video 1 is the inset now.
    EXPECT_GT(inset_centre(first, true), width / 2.0 + 8);
    EXPECT_LT(inset_centre(last, true), width / 2.0 - 8);
    EXPECT_GT(first.at(1, 1)[2], 200) << "video 2 fills the corners";
}

TEST_F(GenericRenderTest, TwoHalvesOnTwoThreadsMatchOneThread) {
    RenderOptions one = options(file("one%d.png"), 2);
    one.threads = 1;
    RenderOptions two = options(file("two%d.png"), 2);
    two.threads = 2;
    ASSERT_TRUE(run_render(one, nullptr));
    Result<RenderSummary> summary = run_render(two, nullptr);
    ASSERT_TRUE(summary) << summary.error();
    ASSERT_TRUE(summary->two_threads);
    for (int i = 0; i < 2; ++i) {
        Loaded a;
        Loaded b;
        ASSERT_TRUE(read_png_file(a.image, file("one" + std::to_string(i) + ".png")));
        ASSERT_TRUE(read_png_file(b.image, file("two" + std::to_string(i) + ".png")));
        ASSERT_EQ(a.image.size, b.image.size);
        int worst = 0;
        std::uint32_t worst_row = 0;
        for (std::uint32_t y = 0; y < height; ++y) {
            for (std::uint32_t x = 0; x < width; ++x) {
                for (int c = 0; c < 3; ++c) {
                    const int difference = std::abs(a.at(x, y)[c] - b.at(x, y)[c]);
                    if (difference > worst) {
                        worst = difference;
                        worst_row = y;
                    }
                }
            }
        }
        EXPECT_LE(worst, 2) << "frame " << i << ", worst at row " << worst_row;
    }
}

TEST_F(GenericRenderTest, FieldsInterlaceTwoMomentsOfTheEffect) {
    RenderOptions fields = options(file("i.png"), 1);
    fields.frames = 1;
    fields.fields = FieldOrder::even_first;
    Result<RenderSummary> summary = run_render(fields, nullptr);
    ASSERT_TRUE(summary) << summary.error();
    Loaded picture;
    ASSERT_TRUE(read_png_file(picture.image, file("i.png")));
    // One frame of fields: the even rows at position 0 of 2, the odd rows
    // at position 1 of 2, half way.
    double even_sum = 0, odd_sum = 0;
    int even_count = 0, odd_count = 0;
    for (std::uint32_t y = height / 2 - 4; y < height / 2 + 4; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint8_t* p = picture.at(x, y);
            if (p[2] > 128 && p[0] < 128) {
                (y % 2 ? odd_sum : even_sum) += x;
                ++(y % 2 ? odd_count : even_count);
            }
        }
    }
    ASSERT_GT(even_count, 0);
    ASSERT_GT(odd_count, 0);
    EXPECT_LT(even_sum / even_count + 8, odd_sum / odd_count)
        << "the second field is later, so its inset is further right";
}

// Every width modulo 4 of a 24-bit source: the two fields of each frame
// (the odd one first; the effect stands still) equal the same rows of the
// frame rendered whole.
TEST_F(GenericRenderTest, FieldsOfPaddedRowsEqualTheWholeFrame) {
    for (std::uint32_t w = 852; w <= 856; ++w) {
        const std::string source = "w" + std::to_string(w) + ".bmp";
        write_bitmap(source, w, 48);
        const std::string tag = std::to_string(w);
        const std::string common = "--effect Cover --set image_quality=0 --frames 2 --a " +
                                   file(source) + " --b " + file(source);
        auto whole = run_program(common + " --out " + file("whole" + tag + "_%d.png"));
        ASSERT_EQ(whole.first, 0) << whole.second;
        auto fields =
            run_program(common + " --fields odd --out " + file("fields" + tag + "_%d.png"));
        ASSERT_EQ(fields.first, 0) << fields.second;
        for (int i = 0; i < 2; ++i) {
            EXPECT_TRUE(same_file(file("whole" + tag + "_" + std::to_string(i) + ".png"),
                                  file("fields" + tag + "_" + std::to_string(i) + ".png")))
                << "width " << w << ", frame " << i;
        }
    }
}

TEST_F(GenericRenderTest, ThirtyTwoBitBitmapRendersLikeItsTwentyFourBitTwin) {
    write_bitmap("z24.bmp", 90, 66);
    write_bitmap("z32.bmp", 90, 66, true);
    for (const char* name : {"z24", "z32"}) {
        const std::string source = file(std::string(name) + ".bmp");
        auto run = run_program("--effect Cover --frames 1 --a " + source + " --b " + source +
                               " --out " + file(std::string(name) + ".png"));
        ASSERT_EQ(run.first, 0) << run.second;
    }
    EXPECT_TRUE(same_file(file("z24.png"), file("z32.png")));
    Loaded picture;
    ASSERT_TRUE(read_png_file(picture.image, file("z32.png")));
    EXPECT_NE(picture.at(45, 33)[0], 26) << "the source shows, not the backdrop";
}

// A blur count of 2^30 would draw a billion sub-frames a frame; the engine
// draws at most 10.
TEST_F(GenericRenderTest, HugeBlurCountEndsWithAPicture) {
    auto run = run_program(
        "--effect Slide --frames 3 --set blur_count=1073741824 --set blur=100 "
        "--a " +
        file("a.png") + " --b " + file("b.png") + " --out " + file("blurred%d.png"));
    ASSERT_EQ(run.first, 0) << run.second;
    Loaded middle;
    ASSERT_TRUE(read_png_file(middle.image, file("blurred1.png")));
    EXPECT_GE(inset_centre(middle), 0) << "the inset shows";
}

// Stored settings files may hold any float in any of their 230 values and
// in the keys of the user's envelopes and paths.
TEST_F(GenericRenderTest, StoredSettingsWithHostileValuesEndWithPictures) {
    const float hostile[] = {std::numeric_limits<float>::quiet_NaN(),
                             std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity(),
                             -1.0f,
                             1e30f,
                             -1e30f,
                             1073741824.0f};
    int index = 0;
    for (float value : hostile) {
        EffectSettings stored;
        ASSERT_TRUE(settings_initialise(stored));
        std::strcpy(stored.name, "Slide");
        std::fill(std::begin(stored.globals), std::end(stored.globals), value);
        for (auto& group : stored.video_values) {
            std::fill(std::begin(group), std::end(group), value);
        }
        // The user's own envelope on the blur count and a path for the
        // inset, every key value the hostile one.
        auto envelope = std::make_unique<scene::Envelope>();
        envelope->id = 900;
        envelope->parameter = global_blur_count;
        envelope->keys = {test::envelope_key(0, value), test::envelope_key(1, value)};
        settings_scene(stored)->envelopes.push_back(std::move(envelope));
        auto path = std::make_unique<scene::Path>();
        path->id = 200;
        path->keys = {test::path_key(0, value, value, value, value, value, value),
                      test::path_key(1, value, value, value, value, value, value)};
        settings_scene(stored)->paths.push_back(std::move(path));
        const std::string settings_file = file("hostile" + std::to_string(index) + ".kdr");
        chunks::ChunkStream stream = chunks::ChunkStream::open_file(
            chunks::ChunkMode::write_file, settings_file, chunks::make_id("KDRR"));
        settings_write(stored, stream);
        ASSERT_EQ(stream.close(), chunks::ready);
        settings_destroy(stored);
        const std::string out = "hostile" + std::to_string(index) + "_%d.png";
        auto run = run_program("--settings " + settings_file + " --frames 3 --a " + file("a.png") +
                               " --b " + file("b.png") + " --out " + file(out));
        EXPECT_EQ(run.first, 0) << "every value " << value << ": " << run.second;
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(std::filesystem::is_regular_file(
                file("hostile" + std::to_string(index) + "_" + std::to_string(i) + ".png")))
                << "every value " << value << ", frame " << i;
        }
        ++index;
    }
}

TEST_F(GenericRenderTest, ProgramWritesAMovie) {
    const auto [status, output] =
        run_program("--effect Slide --frames 5 --codec MJPG --a " + file("a.png") + " --b " +
                    file("b.png") + " --out " + file("movie.avi"));
    ASSERT_EQ(status, 0) << output;
    EXPECT_EQ(output, file("movie.avi") + "\n");
    Result<video::AviReader> reader = video::AviReader::open(file("movie.avi"));
    ASSERT_TRUE(reader) << reader.error();
    EXPECT_EQ(reader->length(), 5u);
    EXPECT_EQ(reader->width(), width);
    EXPECT_EQ(reader->height(), height);
}

}  // namespace
}  // namespace kdr::render_tool
