// Drawing the FX page's buttons, and turning effect icons held in image
// records into pictures.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPalette>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "icon_button.h"
#include "kaleidra/records/image_record.h"
#include "record_image.h"

namespace kdr::gui::test {
namespace {

// Pixels of `colour` (each channel within 40, as smooth scaling leaves
// edges a little mixed) inside `area`, or in the whole image.
int count_colour(const QImage& image, QColor colour, QRect area = {}) {
    if (area.isNull()) {
        area = image.rect();
    }
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor pixel(image.pixel(x, y));
            count += std::abs(pixel.red() - colour.red()) < 40 &&
                             std::abs(pixel.green() - colour.green()) < 40 &&
                             std::abs(pixel.blue() - colour.blue()) < 40
                         ? 1
                         : 0;
        }
    }
    return count;
}

QImage solid(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(colour);
    return image;
}

QImage draw(IconButton& button) {
    return button.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(IconButtonTest, DrawsTheIconTheNameOrBothAsEffDisplaySays) {
    std::uint32_t display = 0;
    IconButton button(nullptr, [&] { return display; });
    button.resize(60, 50);
    button.set_item("Globe", solid(8, 8, Qt::red));
    const int inside = (60 - 4) * (50 - 4);
    const QImage icon_only = draw(button);
    EXPECT_EQ(count_colour(icon_only, Qt::red),
              count_colour(icon_only, Qt::red, QRect(2, 2, 56, 46)))
        << "the icon stays two pixels inside";
    EXPECT_GE(count_colour(icon_only, Qt::red), inside * 95 / 100) << "the icon fills the button";
    display = 1;
    EXPECT_EQ(count_colour(draw(button), Qt::red), 0) << "names only: no icon";
    display = 2;
    const int both = count_colour(draw(button), Qt::red);
    EXPECT_GT(both, 0);
    EXPECT_LT(both, inside) << "the name covers part of the icon";
}

TEST(IconButtonTest, AButtonWithoutAnEffectDrawsNothing) {
    IconButton button(nullptr, [] { return 0u; });
    button.resize(40, 30);
    button.set_item("Globe", solid(4, 4, Qt::red));
    button.clear_item();
    EXPECT_EQ(count_colour(draw(button), Qt::red), 0);
    EXPECT_FALSE(button.has_item());
}

TEST(IconButtonTest, TheSelectedButtonIsSunkenAndTheOthersRaised) {
    IconButton button(nullptr, [] { return 0u; });
    button.resize(40, 30);
    button.set_item("Globe", solid(4, 4, Qt::red));
    const QRgb shadow = button.palette().color(QPalette::Dark).rgb();
    const QRgb light = button.palette().color(QPalette::Light).rgb();
    ASSERT_NE(shadow, light);
    QImage raised = draw(button);
    EXPECT_EQ(raised.pixel(10, 1), light) << "top edge of a raised button";
    EXPECT_EQ(raised.pixel(10, 28), shadow) << "bottom edge of a raised button";
    button.set_selected(true);
    QImage sunken = draw(button);
    EXPECT_EQ(sunken.pixel(10, 1), shadow);
    EXPECT_EQ(sunken.pixel(10, 28), light);
    EXPECT_EQ(sunken.pixel(1, 10), shadow) << "left edge of a sunken button";
}

TEST(IconButtonTest, EachIconFillsItsButtonWhateverItsSize) {
    // Icons of one group may differ in size; each is drawn from its own.
    for (QSize size : {QSize(64, 48), QSize(3, 2), QSize(200, 10)}) {
        IconButton button(nullptr, [] { return 0u; });
        button.resize(40, 30);
        button.set_item("Effect", solid(size.width(), size.height(), Qt::blue));
        const QImage drawn = draw(button);
        const int blue = count_colour(drawn, Qt::blue);
        EXPECT_GE(blue, 36 * 26 * 95 / 100) << size.width() << "x" << size.height();
        EXPECT_EQ(blue, count_colour(drawn, Qt::blue, QRect(2, 2, 36, 26)))
            << size.width() << "x" << size.height();
    }
}

// An image record over `bytes`, bottom row first unless told.
ImageRecord record_over(std::vector<std::uint8_t>& bytes, std::uint8_t format, std::uint8_t bpp,
                        std::uint32_t width, std::uint32_t height,
                        std::uint8_t order = row_order_bottom_up) {
    ImageRecord image;
    image_construct(image);
    ImageShape shape;
    shape.format = format;
    shape.bytes_per_pixel = bpp;
    shape.alignment = 4;
    shape.row_order = order;
    shape.width = width;
    shape.height = height;
    EXPECT_TRUE(image_set_shape(image, shape));
    bytes.assign(image.size, 0);
    image.buffer = bytes.data();
    return image;
}

TEST(RecordImageTest, ReadsPixelsThroughTheRecordsLayout) {
    std::vector<std::uint8_t> bytes;
    ImageRecord image = record_over(bytes, format_bgr, 3, 2, 2);
    // Bottom-up: the first stored row is the picture's bottom row.
    image_pixel(image, 0, 0)[2] = 200;  // top left red
    image_pixel(image, 1, 1)[0] = 100;  // bottom right blue
    const QImage picture = record_to_image(image);
    ASSERT_EQ(picture.size(), QSize(2, 2));
    EXPECT_EQ(QColor(picture.pixel(0, 0)), QColor(200, 0, 0));
    EXPECT_EQ(QColor(picture.pixel(1, 1)), QColor(0, 0, 100));
    EXPECT_EQ(bytes[2], 0) << "the bottom row is stored first";

    std::vector<std::uint8_t> argb_bytes;
    ImageRecord argb = record_over(argb_bytes, format_argb, 4, 1, 1, row_order_top_down);
    std::uint8_t* pixel = image_pixel(argb, 0, 0);
    pixel[0] = 255, pixel[1] = 10, pixel[2] = 20, pixel[3] = 30;
    EXPECT_EQ(QColor(record_to_image(argb).pixel(0, 0)), QColor(10, 20, 30));
}

TEST(RecordImageTest, RefusesRecordsWhoseGeometryLeavesTheBuffer) {
    std::vector<std::uint8_t> bytes;
    ImageRecord image = record_over(bytes, format_bgr, 3, 4, 4);
    image.height = 5;  // one row more than stored
    EXPECT_TRUE(record_to_image(image).isNull());
    image.height = 4;
    image.skip_pixels = 2;  // rows reach past the stride
    EXPECT_TRUE(record_to_image(image).isNull());
    image.skip_pixels = 0;
    image.offset = -4;
    EXPECT_TRUE(record_to_image(image).isNull());
    image.offset = 0;
    image.format = 99;
    EXPECT_TRUE(record_to_image(image).isNull());
    image.format = format_argb;  // four channels named in three bytes
    EXPECT_TRUE(record_to_image(image).isNull());
    image.format = format_bgr;
    EXPECT_FALSE(record_to_image(image).isNull());
    image.buffer = nullptr;
    EXPECT_TRUE(record_to_image(image).isNull());
}

}  // namespace
}  // namespace kdr::gui::test
