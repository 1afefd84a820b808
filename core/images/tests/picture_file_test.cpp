#include "kaleidra/images/picture_file.h"

#include <gtest/gtest.h>

#include <fstream>

#include "kaleidra/records/owned_image.h"
#include "kaleidra/testing/temp_folder.h"

namespace kdr {
namespace {

// A 5x3 BGR picture whose pixels all differ.
OwnedImage busy_picture() {
    OwnedImage picture;
    ImageRecord& image = picture.record();
    EXPECT_TRUE(image_set_shape(image, {format_bgr, 3, 4, row_order_bottom_up, 5, 3}));
    EXPECT_TRUE(image_allocate(image));
    for (std::uint32_t i = 0; i < image.size; ++i) {
        image.buffer[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    return picture;
}

struct FormatCase {
    const char* name;
    PictureFormat format;
};

class PictureFile : public ::testing::TestWithParam<FormatCase> {
  protected:
    test::TempFolder folder;
};

TEST_P(PictureFile, TheExtensionChoosesTheFormatWhateverItsCase) {
    EXPECT_EQ(picture_format(GetParam().name), GetParam().format);
    EXPECT_TRUE(is_picture_file(GetParam().name));
}

TEST_P(PictureFile, WrittenPicturesReadBackPixelForPixel) {
    OwnedImage source = busy_picture();
    const auto file = folder.path() / GetParam().name;
    Status written = write_picture(source.record(), file);
    ASSERT_TRUE(written.ok()) << written.error();

    OwnedImage read;
    Status status = read_picture(read.record(), file);
    ASSERT_TRUE(status.ok()) << status.error();
    ASSERT_EQ(read.record().width, 5u);
    ASSERT_EQ(read.record().height, 3u);
    const bool red_first = read.record().format == format_rgb;
    for (std::uint32_t y = 0; y < 3; ++y) {
        for (std::uint32_t x = 0; x < 5; ++x) {
            const std::uint8_t* in = image_pixel(source.record(), x, y);
            const std::uint8_t* out = image_pixel(read.record(), x, y);
            EXPECT_EQ(out[red_first ? 2 : 0], in[0]) << x << ", " << y;
            EXPECT_EQ(out[1], in[1]) << x << ", " << y;
            EXPECT_EQ(out[red_first ? 0 : 2], in[2]) << x << ", " << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, PictureFile,
                         ::testing::Values(FormatCase{"p.kdt", PictureFormat::image_file},
                                           FormatCase{"p.KDRI", PictureFormat::image_file},
                                           FormatCase{"p.img", PictureFormat::image_file},
                                           FormatCase{"p.bmp", PictureFormat::bmp},
                                           FormatCase{"p.Dib", PictureFormat::bmp},
                                           FormatCase{"p.TGA", PictureFormat::targa},
                                           FormatCase{"p.png", PictureFormat::png}));

TEST(PictureFileNames, OtherNamesAreNoPictures) {
    for (const char* name : {"clip.avi", "noextension", "picture.png.txt", ".png", "folder.d/x"}) {
        EXPECT_EQ(picture_format(name), PictureFormat::none) << name;
    }
    EXPECT_EQ(lower_extension("A/B.C/Take0001.PnG"), "png");
    EXPECT_EQ(lower_extension("noextension"), "");
}

TEST(PictureFileNames, UnknownExtensionsFailWithTheKnownOnesListed) {
    test::TempFolder folder;
    OwnedImage picture = busy_picture();
    Status written = write_picture(picture.record(), folder.path() / "frame.jpg");
    ASSERT_FALSE(written.ok());
    EXPECT_NE(written.error().find(".tga"), std::string::npos) << written.error();
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "frame.jpg"));

    std::ofstream(folder.path() / "frame.jpg") << "jpeg";
    Status read = read_picture(picture.record(), folder.path() / "frame.jpg");
    ASSERT_FALSE(read.ok());
    EXPECT_NE(read.error().find("frame.jpg"), std::string::npos) << read.error();
}

TEST(PictureFileNames, AFailedReadLeavesTheRecordAsItWas) {
    test::TempFolder folder;
    OwnedImage picture = busy_picture();
    const std::uint8_t* pixels = picture.record().buffer;
    for (const char* name : {"broken.bmp", "broken.tga", "broken.png", "broken.kdt"}) {
        std::ofstream(folder.path() / name) << "not a picture";
        Status status = read_picture(picture.record(), folder.path() / name);
        EXPECT_FALSE(status.ok()) << name;
        EXPECT_NE(status.error().find(name), std::string::npos) << status.error();
        EXPECT_EQ(picture.record().buffer, pixels) << name;
        EXPECT_EQ(picture.record().width, 5u) << name;
    }
}

}  // namespace
}  // namespace kdr
