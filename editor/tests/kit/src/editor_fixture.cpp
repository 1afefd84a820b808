#include "kaleidra/editor_testing/editor_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/images/bmp_file.h"
#include "kaleidra/images/image_file.h"
#include "kaleidra/install/registry_values.h"
#include "kaleidra/platform/registry.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/video/avi_writer.h"

namespace kdr::editor::test {
namespace {

std::vector<std::uint8_t> word(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

// A bottom-up BGR picture of one colour, rows padded to 4 bytes.
std::vector<std::uint8_t> flat_picture(std::uint32_t width, std::uint32_t height,
                                       FlatColour colour) {
    const std::size_t stride = (width * 3 + 3) / 4 * 4;
    std::vector<std::uint8_t> pixels(stride * height, 0);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            std::uint8_t* pixel = &pixels[y * stride + x * 3];
            pixel[0] = colour.blue;
            pixel[1] = colour.green;
            pixel[2] = colour.red;
        }
    }
    return pixels;
}

}  // namespace

FlatColour clip_colour(int clip, int frame) {
    return {static_cast<std::uint8_t>(clip * 64 + frame), static_cast<std::uint8_t>(frame),
            static_cast<std::uint8_t>(200 - clip)};
}

void EditorTest::SetUp() {
    ::setenv("KALEIDRA_REGISTRY", (root() / "registry").c_str(), 1);
    install::set_registry_key(install::package_registry_key);
    for (const auto& folder : {effects(), work(), libs(), projects(), media()}) {
        std::filesystem::create_directories(folder);
    }
    set_package_string("Path", root().string());
}

void EditorTest::set_package_number(const char* name, std::uint32_t value) {
    ASSERT_TRUE(
        platform::Registry::open_default()
            .set(install::package_registry_key, platform::RegistryValue::make_number(name, value))
            .ok());
}

void EditorTest::set_package_string(const char* name, const std::string& value) {
    ASSERT_TRUE(
        platform::Registry::open_default()
            .set(install::package_registry_key, platform::RegistryValue::make_string(name, value))
            .ok());
}

void EditorTest::write_effect(const std::string& name, std::uint32_t type, std::uint32_t videos,
                              std::uint32_t thumb_width, std::uint32_t thumb_height) {
    using chunks::make_id;
    chunks::ChunkStream stream = chunks::ChunkStream::open_file(
        chunks::ChunkMode::write_file, effects() / (name + ".KDR"), make_id("KDRE"));
    stream.write_chunk(make_id("ENAM"), static_cast<std::uint32_t>(name.size() + 1), name.c_str());
    const std::vector<std::uint8_t> type_word = word(type);
    stream.write_chunk(make_id("ETYP"), 4, type_word.data());
    const std::vector<std::uint8_t> count_word = word(videos);
    stream.write_chunk(make_id("VCNT"), 4, count_word.data());
    if (thumb_width > 0 && thumb_height > 0) {
        ImageRecord thumbnail;
        image_construct(thumbnail);
        image_set_shape(thumbnail,
                        {format_bgr, 3, 4, row_order_bottom_up, thumb_width, thumb_height});
        ASSERT_TRUE(image_allocate(thumbnail));
        const std::vector<std::uint8_t> body = write_embedded_image(thumbnail);
        image_release_all(thumbnail);
        stream.write_chunk(make_id("IMG0"), static_cast<std::uint32_t>(body.size()), body.data());
    }
    ASSERT_EQ(stream.close(), chunks::ready);
}

std::filesystem::path EditorTest::write_clip(const std::string& name, int clip, int frames,
                                             std::uint32_t width, std::uint32_t height,
                                             std::uint32_t rate) {
    const std::filesystem::path file = media() / name;
    write_movie(file, "DIB ", clip, 0, frames, width, height, rate);
    return file;
}

std::filesystem::path EditorTest::write_bitmap(const std::string& name, FlatColour colour,
                                               std::uint32_t width, std::uint32_t height) {
    const std::filesystem::path file = media() / name;
    ImageRecord picture;
    image_construct(picture);
    image_set_shape(picture, {format_bgr, 3, 4, row_order_bottom_up, width, height});
    EXPECT_TRUE(image_allocate(picture));
    const std::vector<std::uint8_t> pixels = flat_picture(width, height, colour);
    std::memcpy(picture.buffer, pixels.data(), pixels.size());
    EXPECT_TRUE(write_bmp_file(picture, file).ok());
    image_release_all(picture);
    return file;
}

std::unique_ptr<TimelineItem> EditorTest::effect_item(const std::string& effect, std::int32_t start,
                                                      std::int32_t length) {
    auto item = std::make_unique<TimelineItem>();
    item->kind = ItemKind::effect;
    std::strncpy(item->settings().name, effect.c_str(), effect_name_size - 1);
    item->track = 0;
    item->start = start;
    item->length = length;
    return item;
}

std::unique_ptr<TimelineItem> EditorTest::clip_item(const std::filesystem::path& file,
                                                    std::int32_t track, std::int32_t start,
                                                    std::int32_t length) {
    auto item = std::make_unique<TimelineItem>();
    item->kind = ItemKind::video;
    item->file_name = file.string();
    item->track = track;
    item->start = start;
    item->length = length;
    return item;
}

std::unique_ptr<TimelineItem> EditorTest::bitmap_item(const std::filesystem::path& file,
                                                      std::int32_t track, std::int32_t start,
                                                      std::int32_t length) {
    auto item = clip_item(file, track, start, length);
    item->kind = ItemKind::bitmap;
    return item;
}

void write_movie(const std::filesystem::path& file, const char* handler, int clip, int first,
                 int frames, std::uint32_t width, std::uint32_t height, std::uint32_t rate) {
    video::CompressOptions options;
    options.handler = video::make_fourcc(handler);
    Result<video::AviWriter> writer = video::AviWriter::create(file, width, height, rate, options);
    ASSERT_TRUE(writer.ok()) << writer.error();
    for (int f = 0; f < frames; ++f) {
        const std::vector<std::uint8_t> pixels =
            flat_picture(width, height, clip_colour(clip, first + f));
        ASSERT_TRUE(writer->write_frame(pixels.data(), pixels.size()).ok());
    }
    ASSERT_TRUE(writer->close().ok());
}

std::string framemd5(const std::filesystem::path& movie) {
    const std::string command =
        "ffmpeg -v error -nostdin -i '" + movie.string() + "' -f framemd5 - 2>&1";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return "error: cannot run ffmpeg";
    }
    std::string text;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        text.append(buffer, got);
    }
    const int status = ::pclose(pipe);
    if (status != 0) {
        return "error: ffmpeg failed on " + movie.string() + ": " + text;
    }
    return text;
}

}  // namespace kdr::editor::test
