#include "pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace kdr::content {
namespace {

using raster::Canvas;
using raster::Rgb;

double saturation(Rgb p) {
    int high = std::max({p.r, p.g, p.b}), low = std::min({p.r, p.g, p.b});
    return high == 0 ? 0.0 : (high - low) / static_cast<double>(high);
}

TEST(PreviewTextures, EveryOneDiffersClearlyFromEveryOther) {
    std::vector<Canvas> textures;
    for (int n = 1; n <= preview_texture_count; ++n) {
        textures.push_back(preview_texture(n, 32));
        ASSERT_EQ(textures.back().width(), 32);
    }
    for (int a = 0; a < preview_texture_count; ++a) {
        for (int b = a + 1; b < preview_texture_count; ++b) {
            EXPECT_LT(raster::psnr(textures[a], textures[b]), 16.0)
                << "textures " << a + 1 << " and " << b + 1 << " look alike";
        }
    }
}

TEST(PreviewTextures, AreColourfulWithAMarkedTopLeftCorner) {
    for (int n = 1; n <= preview_texture_count; ++n) {
        Canvas texture = preview_texture(n, 128);
        double total = 0;
        for (int y = 0; y < 128; ++y) {
            for (int x = 0; x < 128; ++x) {
                total += saturation(texture.pixel(x, y));
            }
        }
        EXPECT_GT(total / (128 * 128), 0.3) << "texture " << n << " is too grey";
        // The orientation mark is white near the top left corner only.
        Rgb mark = texture.pixel(8, 8);
        Rgb other = texture.pixel(119, 119);
        EXPECT_GT(mark.r + mark.g + mark.b, 700) << n;
        EXPECT_LT(saturation(mark), 0.1) << n;
        EXPECT_FALSE(other.r > 240 && other.g > 240 && other.b > 240) << n;
    }
}

TEST(PreviewTextures, NumbersTellTexturesOfOnePatternApart) {
    // 3 and 13 share a pattern; their number plates must still differ.
    Canvas three = preview_texture(3, 128), thirteen = preview_texture(13, 128);
    int differing = 0;
    for (int y = 50; y < 78; ++y) {
        for (int x = 40; x < 88; ++x) {
            Rgb a = three.pixel(x, y), b = thirteen.pixel(x, y);
            bool a_white = a.r > 200 && a.g > 200 && a.b > 200;
            bool b_white = b.r > 200 && b.g > 200 && b.b > 200;
            differing += a_white != b_white;
        }
    }
    EXPECT_GT(differing, 40);
}

TEST(Backdrops, AreSquarePowersOfTwoWithContent) {
    for (const Backdrop& b : backdrops()) {
        Canvas canvas = backdrop(b.name);
        EXPECT_EQ(canvas.width(), b.size) << b.name;
        EXPECT_EQ(canvas.height(), b.size) << b.name;
        EXPECT_EQ(b.size & (b.size - 1), 0) << b.name;
        // Not a flat colour.
        Rgb first = canvas.pixel(0, 0);
        bool varies = false;
        for (int y = 0; y < b.size && !varies; y += 7) {
            for (int x = 0; x < b.size && !varies; x += 7) {
                varies = !(canvas.pixel(x, y) == first);
            }
        }
        EXPECT_TRUE(varies) << b.name;
    }
    EXPECT_TRUE(backdrop("NO_SUCH").empty());
}

TEST(Noise, StaysInRangeAndRepeatsWithItsPeriod) {
    for (double x = -3; x < 5; x += 0.37) {
        for (double y = -2; y < 4; y += 0.41) {
            double n = tiled_noise(x, y, 4, 7);
            EXPECT_GE(n, 0.0);
            EXPECT_LE(n, 1.0);
            EXPECT_NEAR(n, tiled_noise(x + 4, y - 8, 4, 7), 1e-12);
        }
    }
}

}  // namespace
}  // namespace kdr::content
