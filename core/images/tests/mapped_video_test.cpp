#include "kaleidra/images/mapped_video.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "kaleidra/images/bmp_file.h"
#include "kaleidra/images/targa_file.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/testing/temp_folder.h"
#include "kaleidra/video/avi_writer.h"

namespace kdr {
namespace {

// A 3 x 2 picture filled with one grey level, so frames tell themselves apart.
class Grey {
  public:
    explicit Grey(std::uint8_t level) {
        image_construct(m_image);
        image_set_shape(m_image, {format_bgr, 3, 1, row_order_top_down, 3, 2});
        EXPECT_TRUE(image_allocate(m_image));
        std::fill_n(m_image.buffer, m_image.size, level);
    }
    ~Grey() { image_release_all(m_image); }
    const ImageRecord& record() const { return m_image; }

  private:
    ImageRecord m_image;
};

std::uint8_t level_of(const ImageRecord& image) {
    return image_pixel(image, 1, 1)[1];
}

class MappedVideoTest : public ::testing::Test {
  protected:
    MappedVideoTest() { image_construct(image); }
    ~MappedVideoTest() override { image_release_all(image); }

    std::string path(const std::string& name) const { return (folder.path() / name).string(); }
    void targa(const std::string& name, std::uint8_t level) {
        ASSERT_TRUE(write_targa_file(Grey(level).record(), folder.path() / name).ok());
    }
    void bitmap(const std::string& name, std::uint8_t level) {
        ASSERT_TRUE(write_bmp_file(Grey(level).record(), folder.path() / name).ok());
    }
    std::uint8_t load(const std::string& name, int kind, std::uint32_t index) {
        Status status = video.load(image, path(name), kind, index);
        EXPECT_TRUE(status.ok()) << status.error();
        return status.ok() ? level_of(image) : 0;
    }

    test::TempFolder folder;
    MappedVideo video;
    ImageRecord image;
};

TEST_F(MappedVideoTest, TargaSequenceMissingAFrameShowsTheOneBefore) {
    targa("shot0010.tga", 110);
    targa("shot0011.tga", 111);
    targa("shot0013.tga", 113);
    EXPECT_EQ(load("shot0010.tga", mapped_targa_sequence, 11), 111);
    EXPECT_EQ(load("shot0010.tga", mapped_targa_sequence, 12), 111);
    EXPECT_EQ(load("shot0010.tga", mapped_targa_sequence, 13), 113);
    EXPECT_EQ(image.format, format_bgr);
    EXPECT_EQ(image.alignment, 1);
    EXPECT_EQ(image.owns, 1);
}

TEST_F(MappedVideoTest, BeforeTheFirstFrameTheNameAsGivenIsShown) {
    targa("shot0010.tga", 110);
    EXPECT_EQ(load("shot0010.tga", mapped_targa_sequence, 4), 110);
}

TEST_F(MappedVideoTest, FrameZeroFallsBackToFrameOne) {
    bitmap("take1.bmp", 21);
    bitmap("take5.bmp", 25);
    EXPECT_EQ(load("take5.bmp", mapped_bitmap_sequence, 0), 21);
    EXPECT_EQ(image.format, format_bgr);
    EXPECT_EQ(image.alignment, 4);
    EXPECT_EQ(image.row_order, row_order_bottom_up);
}

// Far past its end a short sequence shows its last picture at once, frame
// after frame, and a picture that cannot be read gives way to the one
// before it.
TEST_F(MappedVideoTest, FarFramesOfAShortSequenceShowItsLastReadablePicture) {
    for (std::uint8_t f = 1; f <= 7; ++f) {
        bitmap("take000" + std::to_string(f) + ".bmp", static_cast<std::uint8_t>(10 * f));
    }
    for (std::uint32_t frame : {2'000'000u, 2'000'001u, 4'000'000'000u}) {
        EXPECT_EQ(load("take0001.bmp", mapped_bitmap_sequence, frame), 70) << "frame " << frame;
    }
    std::ofstream(folder.path() / "take0007.bmp") << "not a bitmap";
    EXPECT_EQ(load("take0001.bmp", mapped_bitmap_sequence, 2'000'002), 60);
    EXPECT_EQ(load("take0001.bmp", mapped_bitmap_sequence, 3), 30);
}

TEST_F(MappedVideoTest, AStemWithoutDigitsLoadsAsNamedForEveryFrame) {
    bitmap("still.bmp", 77);
    bitmap("still0.bmp", 1);  // never looked at
    for (std::uint32_t frame : {0u, 1u, 5u, 99u}) {
        EXPECT_EQ(load("still.bmp", mapped_bitmap_sequence, frame), 77) << "frame " << frame;
    }
}

TEST_F(MappedVideoTest, NothingToLoadLeavesTheRecordAndSaysWhy) {
    targa("shot5.tga", 55);
    ASSERT_EQ(load("shot5.tga", mapped_targa_sequence, 5), 55);
    const std::uint8_t* pixels = image.buffer;
    Status status = video.load(image, path("gone7.bmp"), mapped_bitmap_sequence, 3);
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error().find("gone7.bmp"), std::string::npos) << status.error();
    EXPECT_EQ(image.buffer, pixels);
    EXPECT_EQ(level_of(image), 55);

    Status unknown = video.load(image, path("shot5.tga"), 3, 0);
    ASSERT_FALSE(unknown.ok());
    EXPECT_NE(unknown.error().find("kind 3"), std::string::npos) << unknown.error();
}

TEST_F(MappedVideoTest, AviFramesBecomeBottomUpBgrRecordsClampedToTheLength) {
    const std::uint32_t width = 6;
    const std::uint32_t height = 4;
    video::CompressOptions options;  // full frames
    const std::string movie = path("clip.avi");
    {
        Result<video::AviWriter> writer =
            video::AviWriter::create(movie, width, height, 25, options);
        ASSERT_TRUE(writer) << writer.error();
        for (std::uint8_t f = 0; f < 5; ++f) {
            std::vector<std::uint8_t> frame(video::AviWriter::frame_size(width, height),
                                            static_cast<std::uint8_t>(40 * f + 3));
            ASSERT_TRUE(writer->write_frame(frame.data(), frame.size()).ok());
        }
        ASSERT_TRUE(writer->close().ok());
    }
    EXPECT_EQ(load("clip.avi", mapped_avi, 3), 123);
    EXPECT_EQ(image.format, format_bgr);
    EXPECT_EQ(image.bytes_per_pixel, 3);
    EXPECT_EQ(image.alignment, 4);
    EXPECT_EQ(image.row_order, row_order_bottom_up);
    EXPECT_EQ(image.width, width);
    EXPECT_EQ(image.height, height);
    EXPECT_EQ(image.row_length, width);
    EXPECT_EQ(image.stored_rows, height);
    EXPECT_EQ(image.stride, 20u);
    EXPECT_EQ(image.owns, 1);
    EXPECT_EQ(load("clip.avi", mapped_avi, 4), 163);
    EXPECT_EQ(load("clip.avi", mapped_avi, 1000), 163);
    EXPECT_EQ(load("clip.avi", mapped_avi, 0), 3);

    // A fresh loader each time gives the same frames.
    ASSERT_TRUE(load_mapped_video_frame(image, movie, mapped_avi, 2).ok());
    EXPECT_EQ(level_of(image), 83);
}

}  // namespace
}  // namespace kdr
