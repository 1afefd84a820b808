// How both engines read the pictures they are given: one field of a picture
// whose rows are padded (every width modulo 4, 24 and 32 bits, from the host
// and from mapped video files), and 32-bit pictures whose fourth bytes are 0
// but whose alpha bias makes them opaque (bitmaps, texture files).

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine_harness.h"
#include "kaleidra/images/bmp_file.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/video/avi_writer.h"

namespace kdr::test {
namespace {

[[maybe_unused]] auto* const x_server =
    ::testing::AddGlobalTestEnvironment(new EngineTestEnvironment);

// A picture in which every pixel differs from its neighbours on all four
// sides, so that a row or a column read from the wrong place shows.
void paint_distinct(TestPicture& picture, bool zero_alpha = false) {
    const ImageRecord& image = picture.image;
    for (std::uint32_t y = 0; y < image.height; ++y) {
        for (std::uint32_t x = 0; x < image.width; ++x) {
            picture.set(x, y, static_cast<std::uint8_t>(x * 7 + y * 61),
                        static_cast<std::uint8_t>(x * 3 + y * 29 + 40),
                        static_cast<std::uint8_t>(255 - ((x * 5 + y * 97) & 0xff)));
            if (zero_alpha) {
                image_pixel(image, x, y)[3] = 0;
            }
        }
    }
}

// A user mapping of `file` (source kind 3 AVI, 4 bitmaps) onto image slot 0.
void map_file(EffectSettings& settings, std::uint16_t kind, const std::filesystem::path& file) {
    auto surface = std::make_unique<scene::Surface>();
    surface->id = 500;
    surface->source_kind = kind;
    surface->video_number = 0;
    const std::string name = file.string();
    std::copy(name.begin(), name.end(), surface->name.begin());
    settings_scene(settings)->surfaces.push_back(std::move(surface));
}

// What video 1 of a render shows: a picture handed over in slot 0, or a
// file mapped onto it.
struct Video {
    const ImageRecord* picture = nullptr;
    std::uint16_t mapped_kind = 0;
    std::filesystem::path mapped_file;
};

// Renders "Shown" (or `effect`) at position 0 into `output`: the whole
// frame, or with `parity` 0 or 1 that field of it, as a host renders fields
// (slot 0 and the output describe every other row; mapped files are cut to
// the field by the engine).
int render_into(const Engine& engine, const Video& video, TestPicture& output, int parity,
                const std::string& effect = "Shown") {
    const std::uint32_t width = output.image.width;
    const std::uint32_t height = output.image.height;
    RenderJob job(effect, width, height);
    job.settings.globals[global_image_quality] = 0;
    job.at(0, 10);
    if (video.picture != nullptr) {
        image_shallow_copy(job.frame.images[0], *video.picture);
    }
    if (video.mapped_kind != 0) {
        map_file(job.settings, video.mapped_kind, video.mapped_file);
    }
    image_shallow_copy(job.frame.output, output.image);
    if (parity >= 0) {
        job.frame.height = static_cast<std::int32_t>(height / 2);
        job.frame.flags = flag_field | (parity == 1 ? flag_field_parity_1 : flag_field_parity_0);
        if (video.picture != nullptr) {
            image_select_field(job.frame.images[0], parity);
        }
        image_select_field(job.frame.output, parity);
    }
    return render_once(engine, job);
}

enum class Source { host, mapped_bitmaps, mapped_avi };

struct FieldCase {
    EngineKind kind;
    Source source;
    std::uint8_t bytes_per_pixel;
};

std::string field_case_name(const ::testing::TestParamInfo<FieldCase>& info) {
    const char* sources[] = {"Host", "MappedBitmaps", "MappedAvi"};
    return std::string(engine_name(info.param.kind)) +
           sources[static_cast<int>(info.param.source)] +
           std::to_string(info.param.bytes_per_pixel * 8) + "Bit";
}

class FieldStrides : public ::testing::TestWithParam<FieldCase> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(engine.loaded()) << engine.error();
        ASSERT_TRUE(installation.add_video_over_backdrop("Shown"));
    }
    // The video of a render for `picture`: the picture itself, or a file
    // holding it that is mapped onto video 1.
    Video video_of(const TestPicture& picture) {
        Video video;
        const FieldCase c = GetParam();
        if (c.source == Source::host) {
            video.picture = &picture.image;
        } else if (c.source == Source::mapped_bitmaps) {
            video.mapped_kind = source_bitmap_sequence;
            video.mapped_file = installation.path() / "Work" / "take0000.bmp";
            EXPECT_TRUE(write_bmp_file(picture.image, video.mapped_file).ok());
        } else {
            video.mapped_kind = source_avi;
            video.mapped_file = installation.path() / "Work" / "take.avi";
            const ImageRecord& image = picture.image;
            auto writer =
                video::AviWriter::create(video.mapped_file, image.width, image.height, 25, {});
            EXPECT_TRUE(writer.ok()) << writer.error();
            if (writer.ok()) {
                // The movie's frame is the picture's rows as they lie: 24-bit,
                // bottom row first, padded to four bytes.
                EXPECT_TRUE(writer->write_frame(image.buffer, image.size).ok());
                EXPECT_TRUE(writer->close().ok());
            }
        }
        return video;
    }

    Installation installation;
    Engine engine{GetParam().kind};
};

// Selecting a field doubles the stride; with three bytes a pixel and a width
// that leaves 2 or 3 when divided by 4, that is not the aligned row length
// of the doubled row, and reading the field by its row length shears it.
TEST_P(FieldStrides, FieldRendersEqualTheWholeFrameOnTheirRows) {
    const FieldCase c = GetParam();
    constexpr std::uint32_t height = 24;
    for (std::uint32_t width = 852; width <= 856; ++width) {
        SCOPED_TRACE("width " + std::to_string(width));
        TestPicture picture(c.bytes_per_pixel == 3 ? format_bgr : format_bgra, width, height);
        paint_distinct(picture);
        const Video video = video_of(picture);

        // 24-bit outputs with padded rows, as the command-line renderer has.
        TestPicture whole(format_bgr, width, height);
        ASSERT_EQ(render_into(engine, video, whole, -1), 1);
        const std::string name = field_case_name({GetParam(), 0}) + "_" + std::to_string(width);
        ASSERT_TRUE(pictures_match(picture_of(picture.image), picture_of(whole.image),
                                   "fields_whole_" + name, Tolerance{1, 0.1}))
            << "the whole frame shows the video pixel for pixel";

        TestPicture fields(format_bgr, width, height);
        fields.fill(7);
        ASSERT_EQ(render_into(engine, video, fields, 0), 1);
        ASSERT_EQ(render_into(engine, video, fields, 1), 1);
        EXPECT_TRUE(pictures_match(picture_of(whole.image), picture_of(fields.image),
                                   "fields_" + name, Tolerance{1, 0.1}));
    }
}

std::vector<FieldCase> field_cases() {
    std::vector<FieldCase> cases;
    for (EngineKind kind : {EngineKind::generic, EngineKind::hardware}) {
        for (std::uint8_t bytes : {std::uint8_t{3}, std::uint8_t{4}}) {
            cases.push_back({kind, Source::host, bytes});
            cases.push_back({kind, Source::mapped_bitmaps, bytes});
        }
        cases.push_back({kind, Source::mapped_avi, 3});  // movies give 24-bit frames
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Engines, FieldStrides, ::testing::ValuesIn(field_cases()),
                         field_case_name);

class AlphaBias : public ::testing::TestWithParam<EngineKind> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(engine.loaded()) << engine.error();
        ASSERT_TRUE(installation.add_video_over_backdrop("Shown"));
        paint_distinct(picture_24);
        paint_distinct(picture_32, true);
        ASSERT_TRUE(write_bmp_file(picture_24.image, file("z24_0000.bmp")).ok());
        ASSERT_TRUE(write_bmp_file(picture_32.image, file("z32_0000.bmp")).ok());
    }
    std::filesystem::path file(const std::string& name) const {
        return installation.path() / "Work" / name;
    }

    static constexpr std::uint32_t width = 94;
    static constexpr std::uint32_t height = 70;
    Installation installation;
    Engine engine{GetParam()};
    TestPicture picture_24{format_bgr, width, height};
    TestPicture picture_32{format_bgra, width, height};
};

// Most writers leave the fourth bytes of 32-bit bitmaps 0. Read as a
// device-independent bitmap the picture gets the alpha bias 255, which
// makes it opaque: it shows exactly as its 24-bit twin does.
TEST_P(AlphaBias, ThirtyTwoBitBitmapShowsLikeItsTwentyFourBitTwin) {
    ImageRecord loaded[2];
    for (ImageRecord& image : loaded) {
        image_construct(image);
    }
    ASSERT_TRUE(read_bmp_file(loaded[0], file("z24_0000.bmp")).ok());
    ASSERT_TRUE(read_bmp_file(loaded[1], file("z32_0000.bmp")).ok());
    ASSERT_EQ(loaded[1].bytes_per_pixel, 4);
    ASSERT_EQ(image_pixel(loaded[1], 3, 3)[3], 0);

    const Video handed[2] = {{&loaded[0], 0, {}}, {&loaded[1], 0, {}}};
    const Video mapped[2] = {{nullptr, source_bitmap_sequence, file("z24_0000.bmp")},
                             {nullptr, source_bitmap_sequence, file("z32_0000.bmp")}};
    for (const Video* videos : {handed, mapped}) {
        TestPicture outputs[2] = {{format_bgra, width, height}, {format_bgra, width, height}};
        for (int i = 0; i < 2; ++i) {
            ASSERT_EQ(render_into(engine, videos[i], outputs[i], -1), 1);
        }
        const std::string how = videos == handed ? "handed over" : "mapped";
        EXPECT_TRUE(pictures_match(picture_of(picture_24.image), picture_of(outputs[0].image),
                                   "alpha_bias_24_" + how, Tolerance{1, 0.1}))
            << how;
        EXPECT_TRUE(pictures_match(picture_of(outputs[0].image), picture_of(outputs[1].image),
                                   "alpha_bias_32_" + how, Tolerance{0, 0}))
            << how;
    }
    for (ImageRecord& image : loaded) {
        image_release_all(image);
    }
}

// Texture files keep the bias they were written with: a 32-bit texture
// whose alpha bytes are 0 and whose bias is 255 is opaque, and one without
// the bias is not drawn over the backdrop at all.
TEST_P(AlphaBias, TextureFilesReadAlphaThroughTheirBias) {
    TestPicture texture_24(format_bgr, 64, 64);
    TestPicture texture_32(format_bgra, 64, 64);
    paint_distinct(texture_24);
    paint_distinct(texture_32, true);
    ASSERT_TRUE(installation.add_texture("Plain", texture_24.image));
    image_set_bias(texture_32.image, 3, 255.0f);
    ASSERT_TRUE(installation.add_texture("Biased", texture_32.image));
    image_set_bias(texture_32.image, 3, 0.0f);
    ASSERT_TRUE(installation.add_texture("Clear", texture_32.image));

    TestPicture outputs[3] = {
        {format_bgra, width, height}, {format_bgra, width, height}, {format_bgra, width, height}};
    const char* names[3] = {"Plain", "Biased", "Clear"};
    for (int i = 0; i < 3; ++i) {
        SceneBuilder s;
        s.type(1).camera();
        s.colour_surface(12, 0.1f, 0.1f, 0.1f);
        s.quad(100, 12, 6, 4.5f).motion.position[2] = -1;
        s.texture_surface(10, names[i]);
        s.video_quad(101, 10, 0);
        ASSERT_TRUE(installation.add_effect(std::string("Tex") + names[i], s));
        ASSERT_EQ(render_into(engine, {}, outputs[i], -1, std::string("Tex") + names[i]), 1);
    }
    EXPECT_TRUE(pictures_match(picture_of(outputs[0].image), picture_of(outputs[1].image),
                               "alpha_bias_texture", Tolerance{0, 0}));
    // Without the bias only the backdrop shows.
    const Picture clear = picture_of(outputs[2].image);
    EXPECT_NEAR(clear.at(width / 2, height / 2)[0], 26, 2);
    EXPECT_NEAR(clear.at(width / 3, height / 4)[1], 26, 2);
}

INSTANTIATE_TEST_SUITE_P(Engines, AlphaBias,
                         ::testing::Values(EngineKind::generic, EngineKind::hardware),
                         [](const auto& info) { return std::string(engine_name(info.param)); });

}  // namespace
}  // namespace kdr::test
