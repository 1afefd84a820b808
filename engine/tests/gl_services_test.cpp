// The OpenGL services on both surfaces: read-back order, texture upload with
// caller-chosen names and unpack windows, and the accumulation buffer.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine_harness.h"
#include "kaleidra/gl/accumulation.h"
#include "kaleidra/gl/glx_surface.h"
#include "kaleidra/gl/osmesa_surface.h"
#include "kaleidra/gl/texture_upload.h"
#include "kaleidra/records/image_record.h"

namespace kdr::gl {
namespace {

[[maybe_unused]] auto* const x_server =
    ::testing::AddGlobalTestEnvironment(new test::EngineTestEnvironment);

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

// Draws texture `name` (bound, nearest filtering) texel for texel over a
// `width` x `height` pixel view and reads the picture back.
const std::uint8_t* draw_texels(Surface& surface, std::uint32_t width, std::uint32_t height,
                                float s, float t, bool blend = false) {
    const GlApi& gl = surface.gl();
    pixel_view(gl, width, height);
    gl.ClearColor(0, 0, 0, 1);
    gl.Clear(GL_COLOR_BUFFER_BIT);
    if (blend) {
        gl.Enable(GL_BLEND);
        gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    gl.Enable(GL_TEXTURE_2D);
    gl.TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    gl.Color4f(1, 1, 1, 1);
    gl.Begin(GL_QUADS);
    gl.TexCoord2f(0, 0);
    gl.Vertex3f(0, 0, 0);
    gl.TexCoord2f(s, 0);
    gl.Vertex3f(static_cast<float>(width), 0, 0);
    gl.TexCoord2f(s, t);
    gl.Vertex3f(static_cast<float>(width), static_cast<float>(height), 0);
    gl.TexCoord2f(0, t);
    gl.Vertex3f(0, static_cast<float>(height), 0);
    gl.End();
    gl.Disable(GL_BLEND);
    return surface.finish_and_read();
}

class FieldUpload : public ::testing::TestWithParam<SurfaceKind> {};

// Selecting a field doubles the stride. With three bytes a pixel and a width
// that leaves 2 or 3 when divided by 4 the doubled stride is 4 bytes more
// than the doubled row's aligned length; the field's rows lie where the
// record's stride says.
TEST_P(FieldUpload, FieldRowsLieTheRecordsStrideApart) {
    constexpr std::uint32_t height = 6;
    for (std::uint8_t format : {format_bgr, format_rgb, format_bgra, format_argb}) {
        for (std::uint32_t width = 852; width <= 856; ++width) {
            for (int parity : {0, 1}) {
                WindowedPicture whole(format, width, height);
                // A plain picture: rows as long as the width, no skips.
                image_set_shape(whole.image, {format, whole.image.bytes_per_pixel, 4,
                                              row_order_bottom_up, width, height});
                whole.storage.assign(whole.image.size, 0);
                whole.image.buffer = whole.storage.data();
                whole.paint();
                ImageRecord field = whole.image;
                image_select_field(field, parity);
                image_prepare_texture(field);
                const std::uint32_t first_row = field.offset == 0 ? 0 : 1;

                auto surface = make_surface(GetParam(), width, height / 2);
                ASSERT_NE(surface, nullptr);
                ASSERT_TRUE(surface->make_current());
                ASSERT_TRUE(upload_texture(surface->gl(), 3, field, field.texture_width,
                                           field.texture_height, false));
                const std::uint8_t* drawn =
                    draw_texels(*surface, width, height / 2, field.width_ratio, field.height_ratio);
                int wrong = 0;
                for (std::uint32_t row = 0; row < height / 2 && wrong == 0; ++row) {
                    for (std::uint32_t x = 0; x < width; ++x) {
                        std::uint8_t r, g, b;
                        WindowedPicture::colour_of(x, 2 * row + first_row, r, g, b);
                        const Bgra p = pixel(drawn, width, x, row);
                        if (p.r != r || p.g != g || p.b != b) {
                            ADD_FAILURE() << "format " << int{format} << ", width " << width
                                          << ", field " << parity << ": texel (" << x << ", " << row
                                          << ") is not stored row " << 2 * row + first_row;
                            ++wrong;
                            break;
                        }
                    }
                }
                surface->release_current();
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Surfaces, FieldUpload,
                         ::testing::Values(SurfaceKind::memory, SurfaceKind::window), kind_name);

// A picture's alpha is uploaded through its alpha bias: the fourth bytes of
// a 32-bit bitmap are 0 and its bias 255 makes them opaque; a bias of 0.5
// adds 128.
TEST(TextureUpload, AlphaIsReadThroughTheBias) {
    for (std::uint8_t format : {format_bgra, format_abgr}) {
        for (float bias : {255.0f, 0.5f, 0.0f}) {
            WindowedPicture picture(format, 6, 5);
            picture.paint();
            const int alpha_at = format == format_abgr ? 0 : 3;
            for (std::size_t i = static_cast<std::size_t>(alpha_at); i < picture.storage.size();
                 i += 4) {
                picture.storage[i] = 0;
            }
            image_set_bias(picture.image, 3, bias);
            auto surface = make_surface(SurfaceKind::memory, 6, 5);
            ASSERT_NE(surface, nullptr);
            ASSERT_TRUE(surface->make_current());
            ASSERT_TRUE(upload_texture(surface->gl(), 4, picture.image, 8, 8, false));
            // Blended over black: the colour scaled by the alpha.
            const std::uint8_t* drawn = draw_texels(*surface, 6, 5, 0.75f, 0.625f, true);
            const double alpha = bias >= 1 ? 1.0 : bias == 0.5f ? 128 / 255.0 : 0.0;
            for (std::uint32_t row = 0; row < 5; ++row) {
                for (std::uint32_t x = 0; x < 6; ++x) {
                    std::uint8_t r, g, b;
                    WindowedPicture::colour_of(x, row, r, g, b);
                    const Bgra p = pixel(drawn, 6, x, row);
                    EXPECT_NEAR(p.r, r * alpha, 1.5)
                        << "bias " << bias << " at " << x << ", " << row;
                    EXPECT_NEAR(p.b, b * alpha, 1.5)
                        << "bias " << bias << " at " << x << ", " << row;
                }
            }
            surface->release_current();
        }
    }
}

TEST(TextureUpload, SizesBeyondTheLibraryDefineNothing) {
    auto surface = make_surface(SurfaceKind::memory, 4, 4);
    ASSERT_NE(surface, nullptr);
    ASSERT_TRUE(surface->make_current());
    WindowedPicture picture(format_bgr, 6, 5);
    GLint largest = 0;
    surface->gl().GetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    EXPECT_FALSE(upload_texture(surface->gl(), 3, picture.image,
                                static_cast<std::uint32_t>(largest) * 2, 8, false));
    EXPECT_FALSE(surface->gl().IsTexture(3));
    EXPECT_FALSE(upload_texture(surface->gl(), 4, picture.image, 0, 8, false));
    EXPECT_FALSE(surface->gl().IsTexture(4));
    surface->release_current();
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

// A drawing that uses what the drawing core uses: a perspective view, a
// texture with nearest filtering, depth, blending with a separate alpha
// function, culling of clockwise front faces, and many small triangles
// whose edges cross pixel centres everywhere.
void busy_drawing(Surface& surface, const float (&clear_rgba)[4]) {
    const GlApi& gl = surface.gl();
    const std::uint32_t width = surface.width();
    const std::uint32_t height = surface.height();
    std::vector<std::uint8_t> texels(64 * 64 * 4);
    for (std::size_t i = 0; i < texels.size(); ++i) {
        texels[i] = static_cast<std::uint8_t>((i * 37) ^ (i >> 7));
    }
    gl.BindTexture(GL_TEXTURE_2D, 7);
    gl.TexImage2D(GL_TEXTURE_2D, 0, 4, 64, 64, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl.Viewport(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    gl.MatrixMode(GL_PROJECTION);
    gl.LoadIdentity();
    gl.Frustum(-0.13, 0.13, -0.1, 0.1, 0.2, 40);
    gl.MatrixMode(GL_MODELVIEW);
    gl.LoadIdentity();
    gl.Enable(GL_DEPTH_TEST);
    gl.DepthFunc(GL_LEQUAL);
    gl.Enable(GL_BLEND);
    gl.BlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    gl.FrontFace(GL_CW);
    gl.Enable(GL_CULL_FACE);
    gl.Enable(GL_TEXTURE_2D);
    surface.clear(true, true, clear_rgba);
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<float>((seed >> 8) & 0xffff) / 65535.0f;
    };
    gl.Begin(GL_TRIANGLES);
    for (int i = 0; i < 1500; ++i) {
        const float x = (next() - 0.5f) * 6;
        const float y = (next() - 0.5f) * 4;
        const float z = -2 - next() * 10;
        for (int corner = 0; corner < 3; ++corner) {
            gl.Color4f(next(), next(), next(), 0.5f + next() * 0.5f);
            gl.TexCoord2f(next(), next());
            gl.Vertex3f(x + next() - 0.5f, y + next() - 0.5f, z + next() - 0.5f);
        }
    }
    gl.End();
}

// The rows of two bottom-up pictures from the top: [first, end).
::testing::AssertionResult same_rows(const std::uint8_t* a, const std::uint8_t* b,
                                     std::uint32_t width, std::uint32_t height, std::uint32_t first,
                                     std::uint32_t end) {
    for (std::uint32_t row = first; row < end; ++row) {
        const std::size_t at = std::size_t{height - 1 - row} * width * 4;
        for (std::uint32_t x = 0; x < width * 4; ++x) {
            if (a[at + x] != b[at + x]) {
                return ::testing::AssertionFailure()
                       << "row " << row << " (from the top), byte " << x << ": " << int(a[at + x])
                       << " against " << int(b[at + x]);
            }
        }
    }
    return ::testing::AssertionSuccess();
}

struct RowsCase {
    std::uint32_t first;
    std::uint32_t count;
};

class SurfaceRows : public ::testing::TestWithParam<SurfaceKind> {};

// A drawing limited to some rows gives exactly the pixels of a whole
// drawing in those rows, with clears and reads limited the same way.
TEST_P(SurfaceRows, LimitedDrawingEqualsWholeDrawingInItsRows) {
    constexpr std::uint32_t width = 97;
    constexpr std::uint32_t height = 61;
    // Transparent black is cleared row by row, other colours everywhere.
    const float colours[2][4] = {{0, 0, 0, 0}, {0.3f, 0.4f, 0.5f, 1}};
    for (const auto& rgba : colours) {
        auto whole_surface = make_surface(GetParam(), width, height);
        ASSERT_NE(whole_surface, nullptr);
        ASSERT_TRUE(whole_surface->make_current());
        busy_drawing(*whole_surface, rgba);
        const std::uint8_t* read = whole_surface->finish_and_read();
        const std::vector<std::uint8_t> whole(read, read + std::size_t{width} * height * 4);
        whole_surface->release_current();

        auto surface = make_surface(GetParam(), width, height);
        ASSERT_NE(surface, nullptr);
        ASSERT_TRUE(surface->make_current());
        // Each range drawn over what the one before left.
        for (RowsCase rows : {RowsCase{0, 30}, RowsCase{30, 31}, RowsCase{13, 1}, RowsCase{0, 0}}) {
            surface->set_rows(rows.first, rows.count);
            const std::uint32_t end = rows.count == 0 ? height : rows.first + rows.count;
            EXPECT_EQ(surface->first_row(), rows.count == 0 ? 0u : rows.first);
            EXPECT_EQ(surface->row_count(), end - surface->first_row());
            busy_drawing(*surface, rgba);
            const std::uint8_t* limited = surface->finish_and_read();
            EXPECT_TRUE(same_rows(whole.data(), limited, width, height, surface->first_row(), end))
                << "rows " << rows.first << " + " << rows.count << ", clear alpha " << rgba[3];
        }
        EXPECT_EQ(surface->gl().GetError(), static_cast<GLenum>(GL_NO_ERROR));
        surface->release_current();
    }
}

TEST_P(SurfaceRows, RowsOutsideTheSurfaceMeanAllRows) {
    auto surface = make_surface(GetParam(), 20, 10);
    ASSERT_NE(surface, nullptr);
    ASSERT_TRUE(surface->make_current());
    surface->set_rows(4, 100);
    EXPECT_EQ(surface->first_row(), 4u);
    EXPECT_EQ(surface->row_count(), 6u);
    EXPECT_FALSE(surface->all_rows());
    surface->set_rows(10, 3);
    EXPECT_TRUE(surface->all_rows());
    surface->set_rows(0, 10);
    EXPECT_TRUE(surface->all_rows());
    EXPECT_FALSE(surface->gl().IsEnabled(GL_SCISSOR_TEST));
    surface->release_current();
}

INSTANTIATE_TEST_SUITE_P(Surfaces, SurfaceTest,
                         ::testing::Values(SurfaceKind::memory, SurfaceKind::window), kind_name);
INSTANTIATE_TEST_SUITE_P(Surfaces, SurfaceRows,
                         ::testing::Values(SurfaceKind::memory, SurfaceKind::window), kind_name);

// The memory surface draws into a framebuffer of its own where the library
// offers one; its pictures are those of the library's own buffer exactly,
// swapped or not.
TEST(MemorySurface, OwnFramebufferDrawsExactlyAsTheLibraryBuffer) {
    for (bool swap : {false, true}) {
        auto own = OsMesaSurface::create(101, 67, swap, OsMesaTarget::own_framebuffer);
        auto library = OsMesaSurface::create(101, 67, swap, OsMesaTarget::library_buffer);
        ASSERT_TRUE(own.ok() && library.ok());
        const float grey[4] = {0.2f, 0.25f, 0.3f, 1};
        ASSERT_TRUE(library.value()->make_current());
        busy_drawing(*library.value(), grey);
        const std::uint8_t* read = library.value()->finish_and_read();
        const std::vector<std::uint8_t> expected(read, read + 101 * 67 * 4);
        EXPECT_EQ(library.value()->target(), OsMesaTarget::library_buffer);
        library.value()->release_current();

        ASSERT_TRUE(own.value()->make_current());
        // Mesa 22 and later have everything the own framebuffer needs.
        EXPECT_EQ(own.value()->target(), OsMesaTarget::own_framebuffer);
        busy_drawing(*own.value(), grey);
        const std::uint8_t* drawn = own.value()->finish_and_read();
        EXPECT_TRUE(same_rows(expected.data(), drawn, 101, 67, 0, 67)) << "swap " << swap;
        // The caller's texture names stay the caller's.
        EXPECT_FALSE(own.value()->gl().IsTexture(3));
        EXPECT_FALSE(own.value()->gl().IsTexture(100));
        own.value()->release_current();
    }
}

// Two surfaces making their first clears at once (the library's first use
// of its texture store table is not synchronised; the surface makes it so).
TEST(MemorySurface, FirstClearsOnTwoThreadsAtOnce) {
    for (int round = 0; round < 20; ++round) {
        bool done[2] = {false, false};
        auto work = [](bool* ok, std::uint32_t first) {
            auto made = OsMesaSurface::create(64, 40, true);
            if (!made.ok() || !made.value()->make_current()) {
                return;
            }
            Surface& surface = *made.value();
            surface.set_rows(first, 20);
            const float transparent[4] = {0, 0, 0, 0};
            surface.clear(true, true, transparent);
            const std::uint8_t* picture = surface.finish_and_read();
            *ok = picture[(40 - 1 - first) * 64 * 4 + 3] == 0;
            surface.release_current();
        };
        std::thread upper(work, &done[0], 0u);
        std::thread lower(work, &done[1], 20u);
        upper.join();
        lower.join();
        EXPECT_TRUE(done[0] && done[1]) << "round " << round;
    }
}

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

// Covering some rows, the accumulator sums and resolves only those.
TEST(Accumulator, CoversOnlyItsRows) {
    Accumulator accumulator;
    accumulator.reset(1, 4, 1, 2);  // stored rows 1 and 2 of 4, one pixel each
    const std::uint8_t first[16] = {50, 50, 50, 0, 10, 20, 30, 0, 40, 50, 60, 0, 70, 70, 70, 0};
    const std::uint8_t second[16] = {90, 90, 90, 0, 30, 40, 50, 0, 60, 70, 80, 0, 10, 10, 10, 0};
    accumulator.add(first);
    accumulator.add(second);
    std::uint8_t out[16];
    std::memset(out, 7, sizeof out);
    accumulator.resolve(out);
    const std::uint8_t expected[16] = {7, 7, 7, 7, 20, 30, 40, 255, 50, 60, 70, 255, 7, 7, 7, 7};
    EXPECT_EQ(0, std::memcmp(out, expected, sizeof out));
    // Rows beyond the picture cover every row.
    accumulator.reset(1, 4, 9, 2);
    accumulator.add(first);
    accumulator.resolve(out);
    EXPECT_EQ(out[0], 50);
    EXPECT_EQ(out[12], 70);
}

}  // namespace
}  // namespace kdr::gl
