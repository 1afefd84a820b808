#include "kaleidra/host/host_frame.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "driver_test_support.h"
#include "kaleidra/images/image_file.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/records/owned_image.h"

namespace kdr::host {
namespace {

using test::EngineEvent;

// Pixels a host keeps: `width` x `height` pixels of `bytes_per_pixel`, rows
// `row_bytes` long, every byte `fill`.
struct HostBuffer {
    HostBuffer(std::uint32_t width, std::uint32_t height, std::uint8_t bytes_per_pixel,
               std::uint32_t row_bytes = 0, std::uint8_t fill = 0x11)
        : row_bytes(row_bytes != 0 ? row_bytes : width * bytes_per_pixel),
          bytes(static_cast<std::size_t>(this->row_bytes) * height, fill) {}
    std::uint32_t row_bytes;
    std::vector<std::uint8_t> bytes;
};

HostPicture rgba_picture(HostBuffer& buffer, std::uint32_t width, std::uint32_t height) {
    HostPicture picture;
    picture.pixels = buffer.bytes.data();
    picture.format = format_rgba;
    picture.bytes_per_pixel = 4;
    picture.row_order = row_order_top_down;
    picture.width = width;
    picture.height = height;
    return picture;
}

TEST(DescribeHostPicture, PointsAtTheHostsPixelsWithTheirLayout) {
    // 24-bit bottom-up rows padded to four bytes, the picture 2 pixels and 1
    // row into a larger bitmap, as vxDLL hosts hand frames over.
    HostBuffer buffer(7, 5, 3, 24);
    HostPicture picture;
    picture.pixels = buffer.bytes.data();
    picture.format = format_bgr;
    picture.bytes_per_pixel = 3;
    picture.row_order = row_order_bottom_up;
    picture.alignment = 4;
    picture.width = 4;
    picture.height = 3;
    picture.row_length = 7;
    picture.stored_rows = 5;
    picture.skip_pixels = 2;
    picture.skip_rows = 1;
    picture.bias[3] = 255.0f;

    OwnedImage image;
    ASSERT_TRUE(describe_host_picture(image.record(), picture).ok());
    const ImageRecord& record = image.record();
    EXPECT_EQ(record.buffer, buffer.bytes.data());
    EXPECT_EQ(record.owns, 0);
    EXPECT_EQ(record.stride, 24u);
    EXPECT_EQ(record.size, 120u);
    EXPECT_FLOAT_EQ(image_bias(record, 3), 255.0f);
    // The picture's top row is stored row 5 - 1 - 1 - 0 = 3 from the start.
    EXPECT_EQ(image_pixel(record, 0, 0), buffer.bytes.data() + 3 * 24 + 2 * 3);
    EXPECT_EQ(image_pixel(record, 3, 2), buffer.bytes.data() + 1 * 24 + 5 * 3);
}

struct BadLayout {
    const char* what;
    void (*spoil)(HostPicture&);
    const char* message;
};

class RefusedHostPicture : public ::testing::TestWithParam<BadLayout> {};

TEST_P(RefusedHostPicture, LeavesTheRecordEmptyAndSaysWhy) {
    HostBuffer buffer(8, 8, 4);
    HostPicture picture = rgba_picture(buffer, 8, 8);
    GetParam().spoil(picture);
    OwnedImage image;
    image.record().width = 99;
    Status status = describe_host_picture(image.record(), picture);
    ASSERT_FALSE(status.ok()) << GetParam().what;
    EXPECT_NE(status.error().find(GetParam().message), std::string::npos) << status.error();
    EXPECT_EQ(image.record().buffer, nullptr);
    EXPECT_EQ(image.record().width, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, RefusedHostPicture,
    ::testing::Values(
        BadLayout{"no pixels", [](HostPicture& p) { p.pixels = nullptr; }, "no pixels"},
        BadLayout{"unknown format", [](HostPicture& p) { p.format = 7; }, "pixel format 7"},
        BadLayout{"alpha in three bytes", [](HostPicture& p) { p.bytes_per_pixel = 3; },
                  "3 bytes a pixel"},
        BadLayout{"no width", [](HostPicture& p) { p.width = 0; }, "0 x 8"},
        BadLayout{"odd alignment", [](HostPicture& p) { p.alignment = 3; }, "aligned to 3"},
        BadLayout{"rows too short", [](HostPicture& p) { p.skip_pixels = 1; }, "does not fit"},
        BadLayout{"too few rows", [](HostPicture& p) { p.stored_rows = 7; }, "does not fit"},
        BadLayout{"beyond 4 GiB",
                  [](HostPicture& p) {
                      p.row_length = 70000;
                      p.stored_rows = 70000;
                  },
                  "larger than 4 GiB"}));

TEST(HostPictureOf, DescribesTheSameWindowOfTheSamePixels) {
    OwnedImage source;
    ImageRecord& record = source.record();
    ASSERT_TRUE(image_set_shape(record, {format_bgr, 3, 4, row_order_bottom_up, 5, 4}));
    ASSERT_TRUE(image_allocate(record));
    image_set_bias(record, 3, 255.0f);
    image_select_field(record, 0);

    OwnedImage copy;
    ASSERT_TRUE(describe_host_picture(copy.record(), host_picture_of(record)).ok());
    EXPECT_EQ(copy.record().owns, 0);
    EXPECT_FLOAT_EQ(image_bias(copy.record(), 3), 255.0f);
    for (std::uint32_t y = 0; y < record.height; ++y) {
        EXPECT_EQ(image_pixel(copy.record(), 4, y), image_pixel(record, 4, y)) << y;
    }
}

TEST(MakeOpaque, SetsOnlyTheAlphaBytesOfThePicturesOwnPixels) {
    // ABGR keeps alpha first; the row padding and the pixels beside the
    // picture belong to the host and stay as they are.
    HostBuffer buffer(4, 3, 4, 20, 0x22);
    HostPicture picture;
    picture.pixels = buffer.bytes.data();
    picture.format = format_abgr;
    picture.bytes_per_pixel = 4;
    picture.width = 3;
    picture.height = 3;
    picture.row_length = 5;
    picture.skip_pixels = 1;
    make_opaque(picture);
    for (std::uint32_t y = 0; y < 3; ++y) {
        for (std::uint32_t byte = 0; byte < 20; ++byte) {
            const bool alpha = byte >= 4 && byte < 16 && byte % 4 == 0;
            EXPECT_EQ(buffer.bytes[y * 20 + byte], alpha ? 255 : 0x22) << y << ", " << byte;
        }
    }

    HostBuffer plain(2, 2, 3, 0, 0x22);
    HostPicture bgr;
    bgr.pixels = plain.bytes.data();
    bgr.format = format_bgr;
    bgr.bytes_per_pixel = 3;
    bgr.width = bgr.height = 2;
    make_opaque(bgr);
    EXPECT_EQ(plain.bytes, std::vector<std::uint8_t>(12, 0x22));
}

class HostFrameTest : public test::DriverTest {
  protected:
    // Two sources and an output of `width` x `height` RGBA pixels.
    HostFrame frame_of(std::uint32_t width, std::uint32_t height) {
        a = std::make_unique<HostBuffer>(width, height, 4, 0, 0x11);
        b = std::make_unique<HostBuffer>(width, height, 4, 0, 0x99);
        out = std::make_unique<HostBuffer>(width, height, 4, 0, 0xEE);
        pictures = {rgba_picture(*a, width, height), rgba_picture(*b, width, height)};
        HostFrame frame;
        frame.sources = pictures;
        frame.output = rgba_picture(*out, width, height);
        frame.position = 3;
        frame.total = 10;
        return frame;
    }
    const std::uint8_t* out_pixel(std::uint32_t width, std::uint32_t x, std::uint32_t y) const {
        return out->bytes.data() + (std::size_t{y} * width + x) * 4;
    }

    std::unique_ptr<HostBuffer> a;
    std::unique_ptr<HostBuffer> b;
    std::unique_ptr<HostBuffer> out;
    std::vector<HostPicture> pictures;
};

TEST_F(HostFrameTest, AWholeFrameIsDrawnIntoTheHostsOutput) {
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    Result<DrawnPicture> drawn = render_host_frame(driver, frame_of(6, 4));
    ASSERT_TRUE(drawn.ok()) << drawn.error();
    EXPECT_EQ(*drawn, DrawnPicture::whole);

    const std::vector<EngineEvent> renders = events_of("render");
    ASSERT_EQ(renders.size(), 1u);
    EXPECT_EQ(renders[0].flags, 0u);
    EXPECT_EQ(renders[0].position, 3u);
    EXPECT_EQ(renders[0].images, 2u);
    EXPECT_EQ(renders[0].a, 0x11);
    EXPECT_EQ(renders[0].b, 0x99);
    // The counting engine's pattern: blue = x + position, green = y.
    EXPECT_EQ(out_pixel(6, 5, 3)[0], 5 + 3);
    EXPECT_EQ(out_pixel(6, 5, 3)[1], 3);
    const FrameRecord& record = driver.frame(0);
    EXPECT_EQ(record.width, 6u);
    EXPECT_EQ(record.height, 4);
    EXPECT_FLOAT_EQ(record.aspect, 1.5f);
    EXPECT_EQ(record.images[0].owns, 0);
}

struct QuietCase {
    std::uint32_t width;
    std::uint32_t height;
    QuietRule rule;
    bool quiet;
};

class HostFrameQuiet : public HostFrameTest, public ::testing::WithParamInterface<QuietCase> {};

TEST_P(HostFrameQuiet, FollowsTheOneQuietRule) {
    const QuietCase& c = GetParam();
    set_number("Rnd_Logging", 2);
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    HostFrame frame = frame_of(c.width, c.height);
    frame.quiet = c.rule;
    ASSERT_TRUE(render_host_frame(driver, frame).ok());
    EXPECT_EQ(driver.frame(0).quiet, c.quiet ? 1u : 0u);
    EXPECT_EQ(std::filesystem::exists(render_log()), !c.quiet)
        << c.width << " x " << c.height << ": a quiet frame writes no log lines";
}

INSTANTIATE_TEST_SUITE_P(Sizes, HostFrameQuiet,
                         ::testing::Values(QuietCase{159, 119, QuietRule::by_size, true},
                                           QuietCase{118, 88, QuietRule::by_size, true},
                                           QuietCase{135, 240, QuietRule::by_size, false},
                                           QuietCase{1920, 100, QuietRule::by_size, false},
                                           QuietCase{160, 119, QuietRule::by_size, false},
                                           QuietCase{204, 166, QuietRule::always, true},
                                           QuietCase{32, 32, QuietRule::never, false}));

TEST_F(HostFrameTest, AFieldCutFromWholePicturesDrawsOnlyThatFieldsRows) {
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    for (int parity : {0, 1}) {
        clear_events();
        HostFrame frame = frame_of(4, 6);
        const HostField field{parity, true};
        frame.field = &field;
        frame.call = FrameCall::first_field;
        Result<DrawnPicture> drawn = render_host_frame(driver, frame);
        ASSERT_TRUE(drawn.ok()) << drawn.error();
        EXPECT_EQ(*drawn, DrawnPicture::whole);
        const std::vector<EngineEvent> renders = events_of("render");
        ASSERT_EQ(renders.size(), 1u);
        EXPECT_EQ(renders[0].flags,
                  flag_field | (parity == 1 ? flag_field_parity_1 : flag_field_parity_0));
        EXPECT_EQ(driver.frame(0).height, 3);
        // Top row first: field 1 starts one row down, field 0 at the top.
        for (std::uint32_t y = 0; y < 6; ++y) {
            const bool in_field = static_cast<int>(y % 2) == parity;
            EXPECT_EQ(out_pixel(4, 0, y)[1] == 0xEE, !in_field)
                << "parity " << parity << " row " << y;
            if (in_field) {
                EXPECT_EQ(out_pixel(4, 0, y)[1], y / 2) << "the field's own row number";
            }
        }
    }
}

TEST_F(HostFrameTest, AFieldOfTheHostsOwnKeepsThePicturesWhole) {
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    HostFrame frame = frame_of(4, 3);
    const HostField field{1, false};
    frame.field = &field;
    ASSERT_TRUE(render_host_frame(driver, frame).ok());
    EXPECT_EQ(driver.frame(0).height, 3);
    EXPECT_EQ(events_of("render")[0].flags, flag_field | flag_field_parity_1);
    EXPECT_NE(out_pixel(4, 0, 2)[1], 0xEE);
}

TEST_F(HostFrameTest, UnderMultiRenderingTheFirstFieldWaitsForTheSecond) {
    set_number("Rnd_Multi", 1);
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    ASSERT_TRUE(driver.multi());
    HostFrame frame = frame_of(4, 6);
    const HostField first{0, true};
    frame.field = &first;
    frame.call = FrameCall::first_field;
    Result<DrawnPicture> drawn = render_host_frame(driver, frame);
    ASSERT_TRUE(drawn.ok());
    EXPECT_EQ(*drawn, DrawnPicture::pending);
    EXPECT_TRUE(events_of("render").empty());

    const HostField second{1, true};
    frame.field = &second;
    frame.call = FrameCall::second_field;
    drawn = render_host_frame(driver, frame);
    ASSERT_TRUE(drawn.ok());
    EXPECT_EQ(*drawn, DrawnPicture::whole);
    EXPECT_EQ(events_of("render").size(), 2u);
    for (std::uint32_t y = 0; y < 6; ++y) {
        EXPECT_NE(out_pixel(4, 3, y)[1], 0xEE) << "row " << y << " of one field or the other";
    }
}

TEST_F(HostFrameTest, AnEngineThatDrawsNothingLeavesThePictureMissing) {
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    fail_prepare("all");
    Result<DrawnPicture> drawn = render_host_frame(driver, frame_of(4, 4));
    ASSERT_TRUE(drawn.ok());
    EXPECT_EQ(*drawn, DrawnPicture::missing);
    EXPECT_EQ(out->bytes, std::vector<std::uint8_t>(64, 0xEE));

    set_number("Rnd_Multi", 1);
    fail_prepare("0x800");
    RenderDriver halves;
    ASSERT_TRUE(halves.attach());
    drawn = render_host_frame(halves, frame_of(4, 4));
    ASSERT_TRUE(drawn.ok());
    EXPECT_EQ(*drawn, DrawnPicture::missing) << "the lower half was not drawn";
}

TEST_F(HostFrameTest, APictureThatCannotBeDescribedRendersNothing) {
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    HostFrame frame = frame_of(4, 4);
    pictures[1].format = 99;
    Result<DrawnPicture> drawn = render_host_frame(driver, frame);
    ASSERT_FALSE(drawn.ok());
    EXPECT_NE(drawn.error().find("source B: pixel format 99"), std::string::npos) << drawn.error();
    EXPECT_TRUE(events().empty());
    EXPECT_EQ(driver.frame(0).image_count, 0u);
    EXPECT_EQ(driver.frame(0).images[0].buffer, nullptr);
}

TEST_F(HostFrameTest, WorkFolderPicturesFollowTheFieldParity) {
    // Multisaver pictures V030.IMG (field 0) and V031.IMG (field 1).
    for (const char* name : {"V030.IMG", "V031.IMG"}) {
        OwnedImage picture;
        ASSERT_TRUE(
            image_set_shape(picture.record(), {format_bgr, 3, 4, row_order_bottom_up, 4, 4}));
        ASSERT_TRUE(image_allocate(picture.record()));
        picture.record().buffer[0] = name[3] == '0' ? 40 : 41;
        ASSERT_TRUE(write_image_file(picture.record(), work() / name));
    }
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    HostFrame frame = frame_of(4, 4);
    const HostField field{1, false};
    frame.field = &field;
    frame.work_folder_images = WorkFolderImages::numbered_by_parity;
    ASSERT_TRUE(fill_host_frame(driver, frame).ok());
    ASSERT_EQ(driver.frame(0).image_count, 3u);
    EXPECT_EQ(driver.frame(0).images[2].buffer[0], 41);
    EXPECT_EQ(driver.frame(0).images[2].owns, 1) << "released by the driver after the frame";
    driver.render(FrameCall::whole_frame);
    EXPECT_EQ(driver.frame(0).images[2].buffer, nullptr);

    std::vector<HostPicture> three(3, pictures[0]);
    frame.sources = three;
    Status refused = fill_host_frame(driver, frame);
    EXPECT_FALSE(refused.ok()) << "host sources and work-folder pictures cannot share slots";
}

TEST_F(HostFrameTest, AtMostTwentySourcesFit) {
    RenderDriver driver;
    HostFrame frame = frame_of(2, 2);
    std::vector<HostPicture> many(21, pictures[0]);
    frame.sources = many;
    Status status = fill_host_frame(driver, frame);
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error().find("at most 20"), std::string::npos) << status.error();
}

// The progress calls the counting engine made, by slot (the thread tells
// nothing when both slots run on the calling thread, so the tests count
// calls instead).
std::atomic<int> progress_calls{0};
int count_progress(int) {
    progress_calls.fetch_add(1);
    return 0;
}

std::atomic<int> abort_polls{0};
int count_abort(int) {
    abort_polls.fetch_add(1);
    return 0;
}

void write_work_picture(const std::filesystem::path& file, std::uint8_t first_byte) {
    OwnedImage picture;
    ASSERT_TRUE(image_set_shape(picture.record(), {format_bgra, 4, 1, row_order_bottom_up, 4, 6}));
    ASSERT_TRUE(image_allocate(picture.record()));
    picture.record().buffer[0] = first_byte;
    ASSERT_TRUE(write_image_file(picture.record(), file));
}

struct PairCase {
    const char* name;
    bool multi;
    CallingThread calling_thread;
};

class HostFramePair : public HostFrameTest, public ::testing::WithParamInterface<PairCase> {};

// Both fields of a whole interlaced picture in one call, as Speed Razor
// hands them over: slot 0 draws the first field at the position, slot 1
// the second one step later, each cut from the whole pictures, with the
// work folder's picture loaded once and shared.
TEST_P(HostFramePair, DrawsBothFieldsOfTheWholePictureInOneCall) {
    const PairCase& c = GetParam();
    set_number("Rnd_Multi", c.multi ? 1 : 0);
    write_work_picture(work() / "V03.IMG", 77);
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    driver.set_calling_thread(c.calling_thread);
    HostFrame frame = frame_of(4, 6);
    // The field bit and the rows pair the other way round than the bit's
    // parity says: the first field is 0x2000 on the rows from stored row 0.
    const HostField first{1, true, 0};
    const HostField second{0, true, 1};
    frame.call = FrameCall::field_pair;
    frame.field = &first;
    frame.second_field = &second;
    frame.position = 6;
    frame.total = 20;
    frame.work_folder_images = WorkFolderImages::numbered;
    frame.progress = count_progress;
    frame.abort = count_abort;
    progress_calls = 0;
    abort_polls = 0;
    Result<DrawnPicture> drawn = render_host_frame(driver, frame);
    ASSERT_TRUE(drawn.ok()) << drawn.error();
    EXPECT_EQ(*drawn, DrawnPicture::whole);

    const std::vector<EngineEvent> renders = events_of("render");
    ASSERT_EQ(renders.size(), 2u);
    std::uint32_t positions[2] = {};
    for (const EngineEvent& render : renders) {
        EXPECT_EQ(render.images, 3u) << "the shared work-folder picture";
        const bool is_first = (render.flags & flag_field_parity_1) != 0;
        EXPECT_EQ(render.flags,
                  flag_field | (is_first ? flag_field_parity_1 : flag_field_parity_0));
        positions[is_first ? 0 : 1] = render.position;
    }
    EXPECT_EQ(positions[0], 6u);
    EXPECT_EQ(positions[1], 7u);
    if (c.multi) {
        EXPECT_NE(renders[0].thread, renders[1].thread) << "both fields at once";
    }
    if (c.multi || c.calling_thread != CallingThread::own_context) {
        EXPECT_NE(renders[0].context, renders[1].context) << "each slot's own context";
    }
    EXPECT_EQ(progress_calls.load(), 1) << "only the first field reports progress";
    EXPECT_EQ(abort_polls.load(), 2) << "both fields poll for an abort";

    // Rows from the top: stored rows 0, 2, 4 hold the first field (drawn at
    // position 6), 1, 3, 5 the second (position 7); every row is drawn.
    for (std::uint32_t y = 0; y < 6; ++y) {
        const std::uint32_t position = y % 2 == 0 ? 6 : 7;
        EXPECT_EQ(out_pixel(4, 2, y)[0], 2 + position) << "row " << y;
        EXPECT_EQ(out_pixel(4, 2, y)[1], y / 2) << "the field's own row number, row " << y;
    }
    EXPECT_EQ(driver.frame(0).height, 3);
    EXPECT_EQ(driver.frame(1).height, 3);
    // The work picture is the first slot's to release.
    EXPECT_EQ(driver.frame(0).images[2].buffer, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, HostFramePair,
    ::testing::Values(PairCase{"worker", false, CallingThread::none},
                      PairCase{"calling_thread", false, CallingThread::slot_routine},
                      PairCase{"own_context", false, CallingThread::own_context},
                      PairCase{"multi", true, CallingThread::slot_routine}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HostFrameTest, AFieldPairNeedsBothFieldsCut) {
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    HostFrame frame = frame_of(4, 6);
    const HostField cut{1, true};
    const HostField whole{0, false};
    frame.call = FrameCall::field_pair;
    frame.field = &cut;
    EXPECT_FALSE(fill_host_frame(driver, frame).ok()) << "no second field";
    frame.second_field = &whole;
    EXPECT_FALSE(fill_host_frame(driver, frame).ok()) << "a second field of whole pictures";
    EXPECT_TRUE(events().empty());
}

TEST_F(HostFrameTest, TheSecondFieldOfAPairWithoutAContextPreparesAlone) {
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    driver.set_calling_thread(CallingThread::slot_routine);
    // A whole frame first: slot 0 prepares, slot 1 stays marked.
    ASSERT_TRUE(render_host_frame(driver, frame_of(4, 3)).ok());
    // Slot 1's first prepare fails; it has no context afterwards.
    HostFrame frame = frame_of(4, 6);
    const HostField first{1, true, 0};
    const HostField second{0, true, 1};
    frame.call = FrameCall::field_pair;
    frame.field = &first;
    frame.second_field = &second;
    fail_prepare("0x4000");
    ASSERT_TRUE(render_host_frame(driver, frame).ok());
    EXPECT_EQ(driver.slot(1).context, nullptr);
    clear_events();
    // Same size and settings: slot 0 keeps its context, slot 1 tries again.
    fail_prepare("");
    Result<DrawnPicture> drawn = render_host_frame(driver, frame);
    ASSERT_TRUE(drawn.ok());
    EXPECT_EQ(*drawn, DrawnPicture::whole);
    const std::vector<EngineEvent> prepares = events_of("prepare");
    ASSERT_EQ(prepares.size(), 1u);
    EXPECT_EQ(prepares[0].flags & flag_field_parity_0, flag_field_parity_0);
}

TEST_F(HostFrameTest, AnExplicitSlotIsFilledAndABadOneRefused) {
    RenderDriver driver;
    HostFrame frame = frame_of(4, 4);
    frame.slot = 1;
    ASSERT_TRUE(fill_host_frame(driver, frame).ok());
    EXPECT_EQ(driver.frame(1).width, 4u);
    EXPECT_EQ(driver.frame(0).width, 0u);
    frame.slot = 2;
    Status refused = fill_host_frame(driver, frame);
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().find("no render slot 2"), std::string::npos) << refused.error();
}

TEST_F(HostFrameTest, TheWorkPictureDigitMayDifferFromTheFieldBit) {
    // Premiere numbers its fields by the part (even 0, odd 1) whatever field
    // bit its field order gives them.
    write_work_picture(work() / "V030.IMG", 40);
    write_work_picture(work() / "V031.IMG", 41);
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    HostFrame frame = frame_of(4, 4);
    HostField field{1, false};
    field.work_image_digit = 0;
    frame.field = &field;
    frame.work_folder_images = WorkFolderImages::numbered_by_parity;
    ASSERT_TRUE(fill_host_frame(driver, frame).ok());
    EXPECT_EQ(driver.frame(0).flags, flag_field | flag_field_parity_1);
    ASSERT_EQ(driver.frame(0).image_count, 3u);
    EXPECT_EQ(driver.frame(0).images[2].buffer[0], 40);
}

TEST_F(HostFrameTest, HalvesUnderMultiRenderingReportProgressFromTheUpperHalfOnly) {
    set_number("Rnd_Multi", 1);
    RenderDriver driver;
    ASSERT_TRUE(driver.attach());
    HostFrame frame = frame_of(4, 4);
    frame.progress = count_progress;
    progress_calls = 0;
    ASSERT_TRUE(render_host_frame(driver, frame).ok());
    EXPECT_EQ(events_of("render").size(), 2u);
    EXPECT_EQ(progress_calls.load(), 1);
}

}  // namespace
}  // namespace kdr::host
