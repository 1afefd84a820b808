#include "kaleidra/images/image_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/testing/installation_test.h"
#include "kaleidra/testing/temp_folder.h"

namespace kdr {
namespace {

using chunks::make_id;

ImageRecord make_picture(std::uint32_t width, std::uint32_t height) {
    ImageRecord image;
    image_construct(image);
    image_set_shape(image, {format_bgr, 3, 4, row_order_bottom_up, width, height});
    EXPECT_TRUE(image_allocate(image));
    for (std::uint32_t i = 0; i < image.size; ++i) {
        image.buffer[i] = static_cast<std::uint8_t>(i * 7 + 1);
    }
    return image;
}

struct Writer {
    explicit Writer(const std::filesystem::path& file)
        : stream(chunks::ChunkStream::open_file(chunks::ChunkMode::write_file, file,
                                                make_id("KDRI"))) {}
    Writer& u8(chunks::ChunkId id, std::uint8_t value) {
        EXPECT_EQ(stream.write_chunk(id, 1, &value), chunks::ready);
        return *this;
    }
    Writer& u32(chunks::ChunkId id, std::uint32_t value) {
        EXPECT_EQ(stream.write_chunk(id, 4, &value), chunks::ready);
        return *this;
    }
    Writer& bytes(chunks::ChunkId id, const std::string& data) {
        EXPECT_EQ(stream.write_chunk(id, static_cast<std::uint32_t>(data.size()), data.data()),
                  chunks::ready);
        return *this;
    }
    void close() { EXPECT_EQ(stream.close(), chunks::ready); }
    chunks::ChunkStream stream;
};

class ImageFileTest : public ::testing::Test {
  protected:
    test::TempFolder folder;
    std::filesystem::path file = folder.path() / "picture.kdt";
};

TEST_F(ImageFileTest, WrittenFileReadsBackWithGeometryPixelsAndName) {
    ImageRecord source = make_picture(5, 3);
    image_set_bias(source, 3, 255.0f);
    ASSERT_TRUE(write_image_file(source, file));

    ImageRecord read;
    image_construct(read);
    ASSERT_TRUE(read_image_file(read, file));
    EXPECT_EQ(read.format, format_bgr);
    EXPECT_EQ(read.row_order, row_order_bottom_up);
    EXPECT_EQ(read.width, 5u);
    EXPECT_EQ(read.height, 3u);
    EXPECT_EQ(read.stride, 16u);
    EXPECT_EQ(read.size, 48u);
    EXPECT_EQ(read.owns, 1);
    EXPECT_FLOAT_EQ(image_bias(read, 3), 255.0f);
    EXPECT_EQ(std::memcmp(read.buffer, source.buffer, 48), 0);
    EXPECT_STREQ(read.name, file.c_str());
    image_release_all(read);
    image_release_all(source);
}

TEST_F(ImageFileTest, WriterEmitsTheFixedChunkOrder) {
    ImageRecord source = make_picture(2, 2);
    ASSERT_TRUE(write_image_file(source, file));
    chunks::ChunkStream in =
        chunks::ChunkStream::open_file(chunks::ChunkMode::read_file, file, make_id("KDRI"));
    std::string order;
    chunks::Chunk chunk;
    while (in.read_chunk(chunk) == chunks::ready) {
        order += chunks::id_to_text(chunk.id) + " ";
    }
    EXPECT_EQ(order, "IFMT IORD IBPP IALN IWID IHIT IPXR ITRW ISKR ISKP IBIS IDAT ");
    image_release_all(source);
}

TEST_F(ImageFileTest, ChunksInAnyOrderUnknownSkippedShortDataLeavesZeros) {
    Writer(file)
        .u32(make_id("IHIT"), 2)
        .bytes(make_id("ZZZZ"), "ignored")
        .u8(make_id("IBPP"), 4)
        .u32(make_id("IWID"), 2)
        .u8(make_id("IALN"), 1)
        .u32(make_id("ITRW"), 2)
        .u32(make_id("IPXR"), 2)
        .u8(make_id("IFMT"), format_bgra)
        .u8(make_id("IORD"), row_order_top_down)
        .bytes(make_id("IDAT"), "abcd")
        .close();
    ImageRecord image;
    image_construct(image);
    ASSERT_TRUE(read_image_file(image, file));
    EXPECT_EQ(image.size, 16u);
    EXPECT_EQ(image.format, format_bgra);
    EXPECT_EQ(std::memcmp(image.buffer, "abcd", 4), 0);
    for (int i = 4; i < 16; ++i) {
        EXPECT_EQ(image.buffer[i], 0) << i;
    }
    image_release_all(image);
}

TEST_F(ImageFileTest, PixelsBeforeGeometryOrLyingGeometryFail) {
    struct Case {
        const char* what;
        std::uint32_t width, height, row_length, rows, skip;
        std::uint8_t bpp, alignment;
    };
    const Case cases[] = {
        {"no geometry yet", 0, 0, 0, 0, 0, 0, 0},
        {"zero width", 0, 2, 2, 2, 0, 3, 4},
        {"huge dimensions", 100000, 100000, 100000, 100000, 0, 4, 4},
        {"gigabytes", 16384, 16384, 16384, 16384, 0, 4, 4},
        {"window outside the rows", 4, 4, 4, 4, 1, 3, 4},
        {"row length below width", 8, 2, 4, 2, 0, 3, 4},
        {"two bytes per pixel", 2, 2, 2, 2, 0, 2, 4},
        {"alignment three", 2, 2, 2, 2, 0, 3, 3},
    };
    for (const Case& c : cases) {
        Writer writer(file);
        if (c.bpp != 0) {
            writer.u32(make_id("IWID"), c.width)
                .u32(make_id("IHIT"), c.height)
                .u32(make_id("IPXR"), c.row_length)
                .u32(make_id("ITRW"), c.rows)
                .u32(make_id("ISKR"), c.skip)
                .u8(make_id("IBPP"), c.bpp)
                .u8(make_id("IALN"), c.alignment);
        }
        writer.bytes(make_id("IDAT"), "pixels").close();
        ImageRecord image = make_picture(2, 2);  // owned pixels that reading frees
        EXPECT_FALSE(read_image_file(image, file)) << c.what;
        EXPECT_EQ(image.buffer, nullptr) << c.what;
        image_release_all(image);
    }
}

TEST_F(ImageFileTest, GeometryAfterThePixelsDoesNotReshapeThem) {
    // A larger window after the pixel chunk, then a pixel chunk that cannot be
    // read: the record keeps the shape its pixels were read with.
    Writer(file)
        .u32(make_id("IWID"), 2)
        .u32(make_id("IHIT"), 2)
        .u32(make_id("IPXR"), 2)
        .u32(make_id("ITRW"), 2)
        .u8(make_id("IBPP"), 3)
        .u8(make_id("IALN"), 1)
        .bytes(make_id("IDAT"), "abcdefghijkl")
        .u32(make_id("IWID"), 4000)
        .u32(make_id("IHIT"), 4000)
        .u32(make_id("IPXR"), 4000)
        .u32(make_id("ITRW"), 4000)
        .u8(make_id("IBPP"), 7)
        .bytes(make_id("IDAT"), "rejected")
        .close();
    ImageRecord image;
    image_construct(image);
    ASSERT_TRUE(read_image_file(image, file));
    EXPECT_EQ(image.width, 2u);
    EXPECT_EQ(image.height, 2u);
    EXPECT_EQ(image.row_length, 2u);
    EXPECT_EQ(image.bytes_per_pixel, 3);
    EXPECT_EQ(image.size, 12u);
    EXPECT_EQ(std::memcmp(image.buffer, "abcdefghijkl", 12), 0);
    image_release_all(image);

    // A second acceptable pixel chunk replaces the first with its own shape.
    Writer(file)
        .u32(make_id("IWID"), 1)
        .u32(make_id("IHIT"), 1)
        .u32(make_id("IPXR"), 1)
        .u32(make_id("ITRW"), 1)
        .u8(make_id("IBPP"), 4)
        .u8(make_id("IALN"), 1)
        .bytes(make_id("IDAT"), "wxyz")
        .u32(make_id("IWID"), 2)
        .u32(make_id("IPXR"), 2)
        .bytes(make_id("IDAT"), "12345678")
        .close();
    image_construct(image);
    ASSERT_TRUE(read_image_file(image, file));
    EXPECT_EQ(image.width, 2u);
    EXPECT_EQ(image.size, 8u);
    EXPECT_EQ(std::memcmp(image.buffer, "12345678", 8), 0);
    image_release_all(image);
}

TEST_F(ImageFileTest, MissingFileFails) {
    ImageRecord image;
    image_construct(image);
    EXPECT_FALSE(read_image_file(image, folder.path() / "absent.kdt"));
    EXPECT_EQ(image.name, nullptr);
}

TEST(EmbeddedImage, RoundTripsAndReplacesOwnedPixels) {
    ImageRecord source = make_picture(3, 2);
    std::vector<std::uint8_t> chunk = write_embedded_image(source);
    ASSERT_EQ(chunk.size(), 44u + 24u);
    EXPECT_EQ(chunk[0], format_bgr);
    EXPECT_EQ(chunk[4], 3);

    ImageRecord image = make_picture(1, 1);
    image.offset = 12;
    ASSERT_TRUE(read_embedded_image(image, chunk.data(), static_cast<std::uint32_t>(chunk.size())));
    EXPECT_EQ(image.offset, 0);
    EXPECT_EQ(image.owns, 1);
    EXPECT_EQ(image.width, 3u);
    EXPECT_EQ(std::memcmp(image.buffer, source.buffer, 24), 0);

    // A chunk cut short keeps the pixels it has and zeros for the rest.
    ASSERT_TRUE(read_embedded_image(image, chunk.data(), 44 + 10));
    EXPECT_EQ(std::memcmp(image.buffer, source.buffer, 10), 0);
    EXPECT_EQ(image.buffer[10], 0);
    EXPECT_FALSE(read_embedded_image(image, chunk.data(), 43));
    chunk[4] = 0;  // width 0
    EXPECT_FALSE(
        read_embedded_image(image, chunk.data(), static_cast<std::uint32_t>(chunk.size())));
    image_release_all(image);
    image_release_all(source);
}

class TextureFile : public test::InstallationTest {};

TEST_F(TextureFile, IsFoundByNameUnderTheInstallationFolder) {
    ImageRecord source = make_picture(4, 4);
    ASSERT_TRUE(write_image_file(source, textures() / "PREVS_01.KDT"));
    ImageRecord texture;
    image_construct(texture);
    ASSERT_TRUE(load_texture_file(texture, "PREVS_01"));
    EXPECT_EQ(texture.width, 4u);
    EXPECT_FALSE(load_texture_file(texture, "PREVS_02"));
    EXPECT_EQ(texture.buffer, nullptr);
    // Texture names are file names in the textures folder, not paths.
    ASSERT_TRUE(write_image_file(source, folder.path() / "OUTSIDE.KDT"));
    for (const std::string& name : std::vector<std::string>{
             "../OUTSIDE", (folder.path() / "OUTSIDE").string(), "../Textures/PREVS_01"}) {
        EXPECT_FALSE(load_texture_file(texture, name.c_str())) << name;
        EXPECT_EQ(texture.buffer, nullptr) << name;
    }
    image_release_all(texture);
    image_release_all(source);
}

}  // namespace
}  // namespace kdr
