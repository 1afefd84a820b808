#include "kaleidra/images/image_file.h"

#include <cstring>
#include <string>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/images/image_limits.h"
#include "kaleidra/install/install_paths.h"
#include "kaleidra/records/image_record.h"

namespace kdr {
namespace {

using chunks::make_id;

constexpr chunks::ChunkId form_kdri = make_id("KDRI");

std::uint32_t load_u32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void store_u32(std::uint8_t* bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// Geometry chunks with a u32 payload and where they go.
std::uint32_t* u32_field(ImageRecord& image, chunks::ChunkId id) {
    switch (id) {
        case make_id("IWID"):
            return &image.width;
        case make_id("IHIT"):
            return &image.height;
        case make_id("IPXR"):
            return &image.row_length;
        case make_id("ITRW"):
            return &image.stored_rows;
        case make_id("ISKP"):
            return &image.skip_pixels;
        case make_id("ISKR"):
            return &image.skip_rows;
        default:
            return nullptr;
    }
}

std::uint8_t* u8_field(ImageRecord& image, chunks::ChunkId id) {
    switch (id) {
        case make_id("IFMT"):
            return &image.format;
        case make_id("IBPP"):
            return &image.bytes_per_pixel;
        case make_id("IALN"):
            return &image.alignment;
        case make_id("IORD"):
            return &image.row_order;
        default:
            return nullptr;
    }
}

// Frees the owned buffer but keeps the name and geometry, as reading starts.
void drop_pixels(ImageRecord& image) {
    if (image.owns != 0 && image.buffer != nullptr) {
        std::free(image.buffer);
    }
    image.buffer = nullptr;
    image.owns = 0;
}

}  // namespace

Status read_image_file(ImageRecord& image, const std::filesystem::path& file) {
    drop_pixels(image);
    const std::string name = "\"" + file.string() + "\"";
    chunks::ChunkStream stream =
        chunks::ChunkStream::open_file(chunks::ChunkMode::read_file, file, form_kdri);
    if (stream.status() != chunks::ready) {
        return Error{"cannot read " + name + " as a Kaleidra image file (form KDRI): " +
                     chunks::chunk_status_text(stream.status())};
    }
    // Geometry is collected in a scratch record, so a failed read leaves the
    // caller's record as it was (without pixels).
    ImageRecord scratch;
    image_construct(scratch);
    scratch.format = image.format;
    scratch.row_order = image.row_order;
    // The record as it stood at the last accepted pixel chunk: geometry chunks
    // that follow it must not change the shape of pixels already read.
    ImageRecord loaded;
    image_construct(loaded);
    bool have_pixels = false;
    std::string refused;  // why the last pixel chunk could not be taken
    chunks::Chunk chunk;
    while (stream.status() == chunks::ready && stream.read_chunk(chunk) == chunks::ready) {
        if (std::uint32_t* field = u32_field(scratch, chunk.id)) {
            if (chunk.length >= 4) {
                *field = load_u32(chunk.data);
            }
        } else if (std::uint8_t* byte = u8_field(scratch, chunk.id)) {
            if (chunk.length >= 1) {
                *byte = chunk.data[0];
            }
        } else if (chunk.id == make_id("IBIS")) {
            std::memcpy(scratch.bias, chunk.data, std::min<std::size_t>(chunk.length, 16));
        } else if (chunk.id == make_id("IDAT")) {
            if (!image_geometry_acceptable(scratch)) {
                refused = "its geometry (" + std::to_string(scratch.width) + " x " +
                          std::to_string(scratch.height) + ", " +
                          std::to_string(scratch.bytes_per_pixel) +
                          " bytes a pixel) is not one a picture may have";
                scratch.buffer = nullptr;
                scratch.owns = 0;
                break;
            }
            if (!image_allocate(scratch)) {
                refused = "out of memory for its pixels";
                scratch.buffer = nullptr;
                scratch.owns = 0;
                break;
            }
            std::memcpy(scratch.buffer, chunk.data, std::min(chunk.length, scratch.size));
            drop_pixels(loaded);
            loaded = scratch;
            scratch.buffer = nullptr;
            scratch.owns = 0;
            have_pixels = true;
        }
    }
    if (!have_pixels) {
        return Error{
            name + " holds no picture: " +
            (refused.empty() ? std::string("no pixel chunk (IDAT) after its geometry") : refused)};
    }
    scratch = loaded;
    scratch.offset = 0;
    std::free(image.name);
    image.name = nullptr;
    image = scratch;
    if (!image_set_name(image, file.c_str())) {
        image_release_all(image);
        return Error{"out of memory reading " + name};
    }
    return Status::success();
}

Status write_image_file(const ImageRecord& image, const std::filesystem::path& file) {
    const std::string name = "\"" + file.string() + "\"";
    if (image.buffer == nullptr) {
        return Error{"cannot write " + name + ": the picture has no pixels"};
    }
    chunks::ChunkStream stream =
        chunks::ChunkStream::open_file(chunks::ChunkMode::write_file, file, form_kdri);
    std::uint8_t word[4];
    auto write_u8 = [&](chunks::ChunkId id, std::uint8_t value) {
        return stream.write_chunk(id, 1, &value) == chunks::ready;
    };
    auto write_u32 = [&](chunks::ChunkId id, std::uint32_t value) {
        store_u32(word, value);
        return stream.write_chunk(id, 4, word) == chunks::ready;
    };
    bool ok = stream.status() == chunks::ready && write_u8(make_id("IFMT"), image.format) &&
              write_u8(make_id("IORD"), image.row_order) &&
              write_u8(make_id("IBPP"), image.bytes_per_pixel) &&
              write_u8(make_id("IALN"), image.alignment) &&
              write_u32(make_id("IWID"), image.width) && write_u32(make_id("IHIT"), image.height) &&
              write_u32(make_id("IPXR"), image.row_length) &&
              write_u32(make_id("ITRW"), image.stored_rows) &&
              write_u32(make_id("ISKR"), image.skip_rows) &&
              write_u32(make_id("ISKP"), image.skip_pixels) &&
              stream.write_chunk(make_id("IBIS"), 16, image.bias) == chunks::ready &&
              stream.write_chunk(make_id("IDAT"), image.size, image.buffer) == chunks::ready;
    const int failure = stream.status();
    const int closed = stream.close();
    if (!ok) {
        return Error{"cannot write " + name + ": " + chunks::chunk_status_text(failure)};
    }
    if (closed != chunks::ready) {
        return Error{"cannot write " + name + ": " + chunks::chunk_status_text(closed)};
    }
    return Status::success();
}

Status read_embedded_image(ImageRecord& image, const std::uint8_t* data, std::uint32_t length) {
    if (data == nullptr || length < embedded_image_header_size) {
        return Error{"an embedded image of " + std::to_string(data != nullptr ? length : 0) +
                     " bytes is shorter than its " + std::to_string(embedded_image_header_size) +
                     "-byte header"};
    }
    ImageRecord scratch;
    image_construct(scratch);
    scratch.format = data[0];
    scratch.row_order = data[1];
    scratch.bytes_per_pixel = data[2];
    scratch.alignment = data[3];
    scratch.width = load_u32(data + 4);
    scratch.height = load_u32(data + 8);
    scratch.row_length = load_u32(data + 12);
    scratch.stored_rows = load_u32(data + 16);
    scratch.skip_rows = load_u32(data + 20);
    scratch.skip_pixels = load_u32(data + 24);
    std::memcpy(scratch.bias, data + 28, 16);
    if (!image_geometry_acceptable(scratch)) {
        return Error{"an embedded image's geometry (" + std::to_string(scratch.width) + " x " +
                     std::to_string(scratch.height) + ") is not one a picture may have"};
    }
    if (!image_allocate(scratch)) {
        return Error{"out of memory for an embedded image"};
    }
    // Pixels the chunk does not hold stay zero.
    std::memcpy(scratch.buffer, data + embedded_image_header_size,
                std::min(length - embedded_image_header_size, scratch.size));
    drop_pixels(image);
    char* name = image.name;
    image = scratch;
    image.name = name;
    image.offset = 0;
    image.owns = 1;
    return Status::success();
}

std::vector<std::uint8_t> write_embedded_image(const ImageRecord& image) {
    const std::uint32_t pixels = image.buffer != nullptr ? image.size : 0;
    std::vector<std::uint8_t> data(embedded_image_header_size + pixels);
    data[0] = image.format;
    data[1] = image.row_order;
    data[2] = image.bytes_per_pixel;
    data[3] = image.alignment;
    store_u32(&data[4], image.width);
    store_u32(&data[8], image.height);
    store_u32(&data[12], image.row_length);
    store_u32(&data[16], image.stored_rows);
    store_u32(&data[20], image.skip_rows);
    store_u32(&data[24], image.skip_pixels);
    std::memcpy(&data[28], image.bias, 16);
    if (pixels > 0) {
        std::memcpy(&data[embedded_image_header_size], image.buffer, pixels);
    }
    return data;
}

Status load_texture_file(ImageRecord& image, const char* name) {
    std::optional<std::filesystem::path> path =
        install::build_path(install::folder_textures, name, "KDT");
    if (!path) {
        drop_pixels(image);
        return Error{"no path for texture \"" + std::string(name != nullptr ? name : "") +
                     "\": the installation folder (registry value \"Path\") is not set or the "
                     "path is too long"};
    }
    return read_image_file(image, *path);
}

}  // namespace kdr
