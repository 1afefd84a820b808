#include "kaleidra/editor/source_pictures.h"

#include <gtest/gtest.h>

#include "kaleidra/editor/item_opening.h"
#include "kaleidra/editor_testing/editor_fixture.h"
#include "kaleidra/records/image_record.h"

namespace kdr::editor {
namespace {

using test::clip_colour;

class SourcePicturesTest : public test::EditorTest {
  protected:
    static int blue(const ImageRecord* picture) {
        return picture == nullptr ? -1 : *image_pixel(*picture, 1, 1);
    }
};

TEST_F(SourcePicturesTest, ClipsReadEachFrameIntoTheBufferAsked) {
    auto clip = clip_item(write_clip("a.avi", 1, 8), 1, 0, 8);
    SourcePictures sources({});
    const ImageRecord* first = sources.picture(*clip, 2, 0);
    const ImageRecord* second = sources.picture(*clip, 3, 1);
    ASSERT_NE(first, second);
    EXPECT_EQ(blue(first), clip_colour(1, 2).blue);  // still there while the next is read
    EXPECT_EQ(blue(second), clip_colour(1, 3).blue);
    EXPECT_EQ(blue(sources.picture(*clip, 99, 0)), clip_colour(1, 7).blue);  // the last frame
    EXPECT_TRUE(sources.take_notices().empty());
}

TEST_F(SourcePicturesTest, PicturesGiveTheirOpenedImage) {
    auto bitmap = bitmap_item(write_bitmap("b.bmp", {11, 12, 13}), 1, 0, 5);
    ASSERT_TRUE(open_item(*bitmap).ok());
    SourcePictures sources({});
    EXPECT_EQ(sources.picture(*bitmap, 3, 1), &bitmap->image());
    auto unopened = bitmap_item(media() / "b.bmp", 1, 0, 5);
    EXPECT_EQ(sources.picture(*unopened, 0, 0), nullptr);
}

TEST_F(SourcePicturesTest, AFrameThatCannotBeReadKeepsTheLastPictureInBothBuffers) {
    auto clip = clip_item(write_clip("a.avi", 1, 8), 1, 0, 8);
    SourcePictures sources({});
    ASSERT_EQ(blue(sources.picture(*clip, 4, 0)), clip_colour(1, 4).blue);
    clip->file_name = (media() / "gone.avi").string();
    const ImageRecord* kept = sources.picture(*clip, 5, 1);
    EXPECT_EQ(blue(kept), clip_colour(1, 4).blue);
    EXPECT_EQ(blue(sources.picture(*clip, 6, 0)), clip_colour(1, 4).blue);
    EXPECT_EQ(blue(sources.picture(*clip, 7, 1)), clip_colour(1, 4).blue);
    const std::vector<std::string> notices = sources.take_notices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("gone.avi"), std::string::npos) << notices[0];
}

TEST_F(SourcePicturesTest, ANeverReadClipFallsBackToItsOpenedPicture) {
    auto clip = clip_item(write_clip("a.avi", 2, 3), 1, 0, 3);
    ASSERT_TRUE(open_item(*clip).ok());
    clip->file_name = (media() / "gone.avi").string();
    SourcePictures sources({});
    EXPECT_EQ(sources.picture(*clip, 2, 0), &clip->image());
}

TEST_F(SourcePicturesTest, RelativeNamesAreFoundBelowTheProjectsFolder) {
    write_clip("rel.avi", 3, 2);
    auto clip = clip_item("../media/rel.avi", 1, 0, 2);
    SourcePictures sources(projects());
    EXPECT_EQ(blue(sources.picture(*clip, 1, 0)), clip_colour(3, 1).blue);
}

}  // namespace
}  // namespace kdr::editor
