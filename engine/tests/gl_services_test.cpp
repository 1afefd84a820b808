// The OpenGL services on both surfaces: read-back order, texture upload with
// caller-chosen names and unpack windows, and the accumulation buffer.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "kaleidra/gl/accumulation.h"
#include "kaleidra/gl/glx_surface.h"
#include "kaleidra/gl/osmesa_surface.h"
#include "kaleidra/gl/texture_upload.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/testing/xvfb_environment.h"

namespace kdr::gl {
namespace {

[[maybe_unused]] auto* const x_server =
    ::testing::AddGlobalTestEnvironment(new test::XvfbEnvironment);

enum class SurfaceKind { memory, window };

std::string kind_name(const ::testing::TestParamInfo<SurfaceKind>& info) {
    return info.param == SurfaceKind::memory ? "Memory" : "Window";
}

std::unique_ptr<Surface> make_surface(SurfaceKind kind, std::uint32_t width, std::uint32_t height,
                                      std::int32_t y = 0) {
    if (kind == SurfaceKind::memory) {
        auto surface = OsMesaSurface::create(width, height);
        EXPECT_TRUE(surface.ok()) << (surface.ok() ? "" : surface.error());
        return surface.ok() ? std::move(surface.value()) : nullptr;
    }
    GlxSurfaceOptions options;
    options.y = y;
    options.width = width;
    options.height = height;
    auto surface = GlxSurface::create(options);
    EXPECT_TRUE(surface.ok()) << (surface.ok() ? "" : surface.error());
    return surface.ok() ? std::move(surface.value()) : nullptr;
}

// An orthographic view in which one unit is one pixel, origin bottom left.
void pixel_view(const GlApi& gl, std::uint32_t width, std::uint32_t height) {
    gl.Viewport(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    gl.MatrixMode(GL_PROJECTION);
    gl.LoadIdentity();
    gl.Ortho(0, width, 0, height, -1, 1);
    gl.MatrixMode(GL_MODELVIEW);
    gl.LoadIdentity();
}

void fill_rectangle(const GlApi& gl, float x0, float y0, float x1, float y1) {
    gl.Begin(GL_QUADS);
    gl.Vertex3f(x0, y0, 0);
    gl.Vertex3f(x1, y0, 0);
    gl.Vertex3f(x1, y1, 0);
    gl.Vertex3f(x0, y1, 0);
    gl.End();
}

struct Bgra {
    std::uint8_t b, g, r, a;
};

Bgra pixel(const std::uint8_t* picture, std::uint32_t width, std::uint32_t x,
           std::uint32_t row_from_bottom) {
    const std::uint8_t* p = picture + (std::size_t{row_from_bottom} * width + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

class SurfaceTest : public ::testing::TestWithParam<SurfaceKind> {};

TEST_P(SurfaceTest, ReadsBackBottomRowFirst) {
    auto surface = make_surface(GetParam(), 40, 30);
    ASSERT_NE(surface, nullptr);
    ASSERT_TRUE(surface->make_current());
    const GlApi& gl = surface->gl();
    pixel_view(gl, 40, 30);
    gl.ClearColor(0, 0, 1, 1);
    gl.Clear(GL_COLOR_BUFFER_BIT);
    gl.Color4f(1, 0, 0, 1);
    fill_rectangle(gl, 0, 0, 10, 5);  // lower-left corner
    const std::uint8_t* picture = surface->finish_and_read();
    surface->release_current();

    const Bgra corner = pixel(picture, 40, 0, 0);
    EXPECT_EQ(corner.r, 255);
    EXPECT_EQ(corner.b, 0);
    const Bgra above = pixel(picture, 40, 0, 5);
    EXPECT_EQ(above.r, 0);
    EXPECT_EQ(above.b, 255);
    const Bgra right = pixel(picture, 40, 10, 0);
    EXPECT_EQ(right.r, 0);
    EXPECT_EQ(right.b, 255);
}

TEST_P(SurfaceTest, RejectsSizesItCannotMake) {
    if (GetParam() == SurfaceKind::memory) {
        EXPECT_FALSE(OsMesaSurface::create(0, 10).ok());
        EXPECT_FALSE(OsMesaSurface::create(10, max_surface_size + 1).ok());
    } else {
        GlxSurfaceOptions options;
        options.width = 0;
        options.height = 10;
        EXPECT_FALSE(GlxSurface::create(options).ok());
        options.display_name = ":65000";
        options.width = 10;
        auto missing = GlxSurface::create(options);
        ASSERT_FALSE(missing.ok());
        EXPECT_NE(missing.error().find("display"), std::string::npos) << missing.error();
    }
}

// A picture window inside a larger buffer: rows of `row_length` pixels,
// `skip_rows` and `skip_pixels` before the window, rows aligned to 4 bytes.
struct WindowedPicture {
    ImageRecord image{};
    std::vector<std::uint8_t> storage;

    WindowedPicture(std::uint8_t format, std::uint32_t width, std::uint32_t height) {
        image_construct(image);
        image.format = format;
        image.bytes_per_pixel = image_has_alpha(format) ? 4 : 3;
        image.alignment = 4;
        image.row_order = row_order_bottom_up;
        image.width = width;
        image.height = height;
        image.row_length = width + 3;
        image.skip_rows = 2;
        image.skip_pixels = 1;
        image.stored_rows = height + 4;
        EXPECT_TRUE(image_update_sizes(image));
        storage.assign(image.size, 0x55);
        image.buffer = storage.data();
        image_prepare_texture(image);
    }
    // The colour of window pixel (x, row from the start of the window).
    static void colour_of(std::uint32_t x, std::uint32_t row, std::uint8_t& r, std::uint8_t& g,
                          std::uint8_t& b) {
        r = static_cast<std::uint8_t>(20 + x * 30);
        g = static_cast<std::uint8_t>(10 + row * 40);
        b = static_cast<std::uint8_t>(200 - x * 10 - row * 5);
    }
    void paint() {
        const std::uint32_t bpp = image.bytes_per_pixel;
        for (std::uint32_t row = 0; row < image.height; ++row) {
            std::uint8_t* line = image.buffer + std::size_t{row + image.skip_rows} * image.stride;
            for (std::uint32_t x = 0; x < image.width; ++x) {
                std::uint8_t* p = line + std::size_t{x + image.skip_pixels} * bpp;
                std::uint8_t r, g, b;
                colour_of(x, row, r, g, b);
                switch (image.format) {
                    case format_rgb:
                        p[0] = r, p[1] = g, p[2] = b;
                        break;
                    case format_bgr:
                        p[0] = b, p[1] = g, p[2] = r;
                        break;
                    case format_rgba:
                        p[0] = r, p[1] = g, p[2] = b, p[3] = 255;
                        break;
                    case format_bgra:
                        p[0] = b, p[1] = g, p[2] = r, p[3] = 255;
                        break;
                    case format_abgr:
                        p[0] = 255, p[1] = b, p[2] = g, p[3] = r;
                        break;
                    case format_argb:
                        p[0] = 255, p[1] = r, p[2] = g, p[3] = b;
                        break;
                }
            }
        }
    }
};

struct UploadCase {
    SurfaceKind kind;
    std::uint8_t format;
    GLuint name;
};

class TextureUploadTest : public ::testing::TestWithParam<UploadCase> {};

// Each texel lands on one pixel: nearest filtering, a viewport of the
// picture's size and texture coordinates scaled by the ratios.
TEST_P(TextureUploadTest, WindowOfLargerBufferFillsLowerLeftCorner) {
    const UploadCase c = GetParam();
    WindowedPicture picture(c.format, 6, 5);
    picture.paint();
    EXPECT_EQ(picture.image.texture_width, 8u);
    EXPECT_EQ(picture.image.texture_height, 8u);

    auto surface = make_surface(c.kind, 6, 5);
    ASSERT_NE(surface, nullptr);
    ASSERT_TRUE(surface->make_current());
    const GlApi& gl = surface->gl();
    ASSERT_FALSE(gl.IsTexture(c.name));
    ASSERT_TRUE(upload_texture(gl, c.name, picture.image, picture.image.texture_width,
                               picture.image.texture_height, false));
    EXPECT_TRUE(gl.IsTexture(c.name));
    EXPECT_EQ(gl.GetError(), static_cast<GLenum>(GL_NO_ERROR));

    pixel_view(gl, 6, 5);
    gl.Enable(GL_TEXTURE_2D);
    gl.TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    gl.Color4f(1, 1, 1, 1);
    const float s = picture.image.width_ratio;
    const float t = picture.image.height_ratio;
    gl.Begin(GL_QUADS);
    gl.TexCoord2f(0, 0);
    gl.Vertex3f(0, 0, 0);
    gl.TexCoord2f(s, 0);
    gl.Vertex3f(6, 0, 0);
    gl.TexCoord2f(s, t);
    gl.Vertex3f(6, 5, 0);
    gl.TexCoord2f(0, t);
    gl.Vertex3f(0, 5, 0);
    gl.End();
    const std::uint8_t* drawn = surface->finish_and_read();
    surface->release_current();

    // The first stored row of the window is texture row 0, the bottom.
    for (std::uint32_t row = 0; row < 5; ++row) {
        for (std::uint32_t x = 0; x < 6; ++x) {
            std::uint8_t r, g, b;
            WindowedPicture::colour_of(x, row, r, g, b);
            const Bgra p = pixel(drawn, 6, x, row);
            EXPECT_EQ(p.r, r) << "x " << x << " row " << row;
            EXPECT_EQ(p.g, g) << "x " << x << " row " << row;
            EXPECT_EQ(p.b, b) << "x " << x << " row " << row;
        }
    }
}

std::vector<UploadCase> upload_cases() {
    std::vector<UploadCase> cases;
    for (SurfaceKind kind : {SurfaceKind::memory, SurfaceKind::window}) {
        cases.push_back({kind, format_rgb, 3});
        cases.push_back({kind, format_bgr, 3});
        cases.push_back({kind, format_rgba, 4});
        cases.push_back({kind, format_bgra, 4});
        cases.push_back({kind, format_abgr, 100});
        cases.push_back({kind, format_argb, 117});
    }
    return cases;
}

std::string upload_name(const ::testing::TestParamInfo<UploadCase>& info) {
    return std::string(info.param.kind == SurfaceKind::memory ? "Memory" : "Window") + "Format" +
           std::to_string(info.param.format) + "Name" + std::to_string(info.param.name);
}

INSTANTIATE_TEST_SUITE_P(Formats, TextureUploadTest, ::testing::ValuesIn(upload_cases()),
                         upload_name);

// The memory surface may keep red and blue swapped: callers then exchange
// them in what they give it, and read back the same picture.
TEST(TextureUpload, SwappedSurfaceGivesTheSamePicture) {
    for (std::uint8_t format : {format_bgra, format_bgr, format_rgb, format_argb}) {
        WindowedPicture picture(format, 6, 5);
        picture.paint();
        auto made = OsMesaSurface::create(6, 5, true);
        ASSERT_TRUE(made.ok());
        Surface& surface = *made.value();
        EXPECT_TRUE(surface.swaps_red_blue());
        ASSERT_TRUE(surface.make_current());
        const GlApi& gl = surface.gl();
        ASSERT_TRUE(upload_texture(gl, 3, picture.image, 8, 8, false, true));
        pixel_view(gl, 6, 5);
        gl.Enable(GL_TEXTURE_2D);
        gl.Color4f(1, 1, 1, 1);
        gl.Begin(GL_QUADS);
        gl.TexCoord2f(0, 0);
        gl.Vertex3f(0, 0, 0);
        gl.TexCoord2f(0.75f, 0);
        gl.Vertex3f(6, 0, 0);
        gl.TexCoord2f(0.75f, 0.625f);
        gl.Vertex3f(6, 5, 0);
        gl.TexCoord2f(0, 0.625f);
        gl.Vertex3f(0, 5, 0);
        gl.End();
        const std::uint8_t* drawn = surface.finish_and_read();
        for (std::uint32_t row = 0; row < 5; ++row) {
            for (std::uint32_t x = 0; x < 6; ++x) {
                std::uint8_t r, g, b;
                WindowedPicture::colour_of(x, row, r, g, b);
                const Bgra p = pixel(drawn, 6, x, row);
                EXPECT_EQ(p.r, r) << int(format);
                EXPECT_EQ(p.b, b) << int(format);
            }
        }
        surface.release_current();
    }
}

TEST(TextureUpload, RefusesWindowsOutsideTheBuffer) {
    WindowedPicture picture(format_bgr, 6, 5);
    // Rows of 9 pixels aligned to 28 bytes; the window's last byte is that
    // of pixel 1 + 6 of stored row 2 + 4: 6 x 28 + 7 x 3 = 189 bytes.
    ASSERT_EQ(picture.image.stride, 28u);
    ImageRecord exact = picture.image;
    exact.size = 189;
    EXPECT_TRUE(upload_extent_valid(exact));
    ImageRecord short_buffer = exact;
    short_buffer.size = 188;
    EXPECT_FALSE(upload_extent_valid(short_buffer));
    ImageRecord offset = picture.image;  // size 9 x 28 = 252
    offset.offset = 252 - 189;
    EXPECT_TRUE(upload_extent_valid(offset));
    offset.offset += 1;
    EXPECT_FALSE(upload_extent_valid(offset));
    ImageRecord negative = picture.image;
    negative.offset = -1;
    EXPECT_FALSE(upload_extent_valid(negative));
    ImageRecord wrong_depth = picture.image;
    wrong_depth.bytes_per_pixel = 4;
    EXPECT_FALSE(upload_extent_valid(wrong_depth));
    ImageRecord narrow_rows = picture.image;
    narrow_rows.row_length = 5;
    EXPECT_FALSE(upload_extent_valid(narrow_rows));
    ImageRecord no_size = picture.image;
    no_size.size = 0;  // falls back to stored rows x stride
    EXPECT_TRUE(upload_extent_valid(no_size));
    no_size.stored_rows = 6;
    EXPECT_FALSE(upload_extent_valid(no_size));
}

TEST(TextureUpload, NameWithoutPixelsIsDefinedButNotFilled) {
    auto surface = make_surface(SurfaceKind::memory, 4, 4);
    ASSERT_NE(surface, nullptr);
    ASSERT_TRUE(surface->make_current());
    ImageRecord empty;
    image_construct(empty);
    empty.format = format_bgr;
    empty.bytes_per_pixel = 3;
    empty.alignment = 4;
    EXPECT_FALSE(upload_texture(surface->gl(), 3, empty, 16, 8, true));
    EXPECT_TRUE(surface->gl().IsTexture(3));
    GLint width = 0;
    surface->gl().GetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 16);
    EXPECT_EQ(surface->gl().GetError(), static_cast<GLenum>(GL_NO_ERROR));
    surface->release_current();
}

// Windows stacked below each other may lie partly outside the screen; the
// picture read back must still be the one drawn.
TEST(WindowSurface, ReadsBackWindowBelowTheScreen) {
    auto surface = make_surface(SurfaceKind::window, 64, 48, 4096 - 16);
    ASSERT_NE(surface, nullptr);
    auto* window = static_cast<GlxSurface*>(surface.get());
    window->show();
    ASSERT_TRUE(surface->make_current());
    const GlApi& gl = surface->gl();
    pixel_view(gl, 64, 48);
    gl.ClearColor(0, 1, 0, 1);
    gl.Clear(GL_COLOR_BUFFER_BIT);
    gl.Color4f(1, 0, 0, 1);
    fill_rectangle(gl, 0, 0, 64, 24);
    const std::uint8_t* picture = surface->finish_and_read();
    surface->release_current();
    EXPECT_EQ(pixel(picture, 64, 5, 2).r, 255);
    EXPECT_EQ(pixel(picture, 64, 5, 40).g, 255);
    EXPECT_EQ(pixel(picture, 64, 5, 40).r, 0);
}

INSTANTIATE_TEST_SUITE_P(Surfaces, SurfaceTest,
                         ::testing::Values(SurfaceKind::memory, SurfaceKind::window), kind_name);

TEST(Accumulator, AveragesWithRoundingAndIgnoresAlpha) {
    Accumulator accumulator;
    accumulator.reset(2, 1);
    const std::uint8_t first[8] = {0, 10, 255, 7, 100, 101, 1, 0};
    const std::uint8_t second[8] = {1, 11, 255, 9, 100, 102, 2, 0};
    const std::uint8_t third[8] = {1, 10, 254, 9, 101, 102, 2, 0};
    accumulator.add(first);
    accumulator.add(second);
    accumulator.add(third);
    EXPECT_EQ(accumulator.count(), 3u);
    std::uint8_t out[8] = {};
    accumulator.resolve(out);
    // (0+1+1)/3 = 0.67 -> 1; 31/3 = 10.3 -> 10; 764/3 = 254.7 -> 255;
    // 301/3 = 100.3 -> 100; 305/3 = 101.7 -> 102; 5/3 = 1.67 -> 2.
    const std::uint8_t expected[8] = {1, 10, 255, 255, 100, 102, 2, 255};
    EXPECT_EQ(0, std::memcmp(out, expected, 8));

    accumulator.clear();
    std::uint8_t untouched[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    accumulator.resolve(untouched);
    EXPECT_EQ(untouched[0], 9);
}

}  // namespace
}  // namespace kdr::gl
