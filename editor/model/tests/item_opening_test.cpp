#include "kaleidra/editor/item_opening.h"

#include <gtest/gtest.h>

#include "kaleidra/editor_testing/editor_fixture.h"
#include "kaleidra/images/targa_file.h"
#include "kaleidra/records/image_record.h"

namespace kdr::editor {
namespace {

class ItemOpening : public test::EditorTest {};

TEST_F(ItemOpening, EffectTakesVideoCountTypeAndThumbnail) {
    write_effect("Quad", 0, 4, 20, 10);
    auto item = effect_item("Quad", 0, 15);
    ASSERT_TRUE(open_item(*item).ok());
    EXPECT_EQ(item->tracks_used, 4);
    EXPECT_EQ(item->effect_type, 0);
    EXPECT_EQ(item->width, 20);
    EXPECT_EQ(item->height, 10);
    EXPECT_TRUE(image_has_pixels(item->image()));
    EXPECT_EQ(bitmap_header(*item).bit_count, 24);
}

TEST_F(ItemOpening, MissingEffectStillOpensWithNothing) {
    write_effect("Gone", 1, 2);
    auto item = effect_item("Gone", 0, 15);
    ASSERT_TRUE(open_item(*item).ok());
    EXPECT_EQ(item->tracks_used, 2);
    std::filesystem::remove(effects() / "Gone.KDR");
    ASSERT_TRUE(open_item(*item).ok());
    EXPECT_EQ(item->tracks_used, 0);
    EXPECT_EQ(item->effect_type, 0);
    EXPECT_EQ(item->width, 0);
    EXPECT_FALSE(image_has_pixels(item->image()));
}

TEST_F(ItemOpening, ClipTakesItsFramesRateAndFirstPicture) {
    const auto file = write_clip("a.avi", 1, 12, 16, 12, 25);
    auto fresh = clip_item(file, 1, 0, 0);
    ASSERT_TRUE(open_item(*fresh).ok());
    EXPECT_EQ(fresh->clip_frames, 12);
    EXPECT_EQ(fresh->length, 12);  // a fresh insert takes the whole clip
    EXPECT_EQ(fresh->rate, 25);
    EXPECT_EQ(fresh->width, 16);
    EXPECT_EQ(fresh->height, 12);
    const std::uint8_t* pixel = image_pixel(fresh->image(), 3, 3);
    EXPECT_EQ(pixel[0], test::clip_colour(1, 0).blue);
    EXPECT_EQ(pixel[2], test::clip_colour(1, 0).red);

    auto placed = clip_item(file, 2, 5, 7);
    ASSERT_TRUE(open_item(*placed).ok());
    EXPECT_EQ(placed->length, 7);
}

TEST_F(ItemOpening, PicturesTakeTheirSize) {
    const auto bmp = write_bitmap("p.bmp", {10, 20, 30}, 9, 7);
    auto bitmap = bitmap_item(bmp, 1, 0, 1);
    ASSERT_TRUE(open_item(*bitmap).ok());
    EXPECT_EQ(bitmap->width, 9);
    EXPECT_EQ(bitmap->height, 7);
    EXPECT_EQ(bitmap_header(*bitmap).image_size, bitmap->image().size);

    const auto tga = media() / "p.tga";
    ASSERT_TRUE(write_targa_file(bitmap->image(), tga).ok());
    auto targa = bitmap_item(tga, 1, 0, 1);
    targa->kind = ItemKind::targa;
    ASSERT_TRUE(open_item(*targa).ok());
    EXPECT_EQ(targa->width, 9);
    EXPECT_EQ(targa->height, 7);
}

TEST_F(ItemOpening, UnreadableSourcesFailAndSayWhy) {
    auto clip = clip_item(media() / "none.avi", 1, 0, 0);
    const Status missing = open_item(*clip);
    EXPECT_FALSE(missing.ok());
    EXPECT_NE(missing.error().find("none.avi"), std::string::npos) << missing.error();

    const auto bmp = write_bitmap("real.bmp", {1, 2, 3});
    auto wrong_kind = clip_item(bmp, 1, 0, 0);  // a bitmap named as a clip
    EXPECT_FALSE(open_item(*wrong_kind).ok());

    auto nothing = clip_item(bmp, 1, 0, 1);
    nothing->kind = static_cast<ItemKind>(9);
    EXPECT_FALSE(open_item(*nothing).ok());
}

TEST_F(ItemOpening, RelativeNamesAreFoundBelowTheGivenFolder) {
    write_clip("rel.avi", 2, 3);
    auto item = clip_item("../media/rel.avi", 1, 0, 0);
    EXPECT_FALSE(open_item(*item).ok());
    ASSERT_TRUE(open_item(*item, projects()).ok());
    EXPECT_EQ(item->clip_frames, 3);
    EXPECT_EQ(item_path("/abs/x.avi", projects()), std::filesystem::path("/abs/x.avi"));
}

}  // namespace
}  // namespace kdr::editor
