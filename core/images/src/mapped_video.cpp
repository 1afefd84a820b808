#include "kaleidra/images/mapped_video.h"

#include <cstring>
#include <optional>

#include "kaleidra/images/bmp_file.h"
#include "kaleidra/images/image_sequence.h"
#include "kaleidra/images/targa_file.h"
#include "kaleidra/video/avi_reader.h"
#include "record_pixels.h"

namespace kdr {
namespace {

Status load_sequence(ImageRecord& image, SequenceFiles& files, const std::string& file,
                     std::uint32_t index,
                     Status (*read)(ImageRecord&, const std::filesystem::path&)) {
    std::string last_error;
    const bool loaded = files.load_frame(file, index, [&](const std::string& candidate) {
        Status status = read(image, candidate);
        if (!status) {
            last_error = status.error();
        }
        return status.ok();
    });
    if (loaded) {
        return Status::success();
    }
    return Error{"no frame at or before " + std::to_string(index) + " of the sequence \"" + file +
                 "\" can be loaded; the last try said: " + last_error};
}

Status copy_frame(ImageRecord& image, const video::VideoFrame& frame) {
    ImageShape geometry;
    geometry.format = format_bgr;
    geometry.bytes_per_pixel = 3;
    geometry.alignment = 4;
    geometry.row_order = row_order_bottom_up;
    geometry.width = frame.width;
    geometry.height = frame.height;
    PixelBuffer pixels = allocate_pixels(frame.pixels.size());
    if (!pixels) {
        return Error{"out of memory for a " + std::to_string(frame.width) + " x " +
                     std::to_string(frame.height) + " video frame"};
    }
    // Rows of the frame are padded to 4 bytes, as the record's are.
    std::memcpy(pixels.get(), frame.pixels.data(), frame.pixels.size());
    images_detail::adopt_pixels(image, geometry, std::move(pixels));
    return Status::success();
}

}  // namespace

struct MappedVideo::State {
    std::optional<video::AviReader> reader;
    SequenceFiles sequence;
};

MappedVideo::MappedVideo() : m_state(std::make_unique<State>()) {}
MappedVideo::~MappedVideo() = default;
MappedVideo::MappedVideo(MappedVideo&&) noexcept = default;
MappedVideo& MappedVideo::operator=(MappedVideo&&) noexcept = default;

void MappedVideo::close() {
    m_state->reader.reset();
}

Status MappedVideo::load(ImageRecord& image, const std::string& file, int kind,
                         std::uint32_t index) {
    switch (kind) {
        case mapped_avi: {
            std::optional<video::AviReader>& reader = m_state->reader;
            if (!reader || reader->file() != file) {
                reader.reset();
                Result<video::AviReader> opened = video::AviReader::open(file);
                if (!opened) {
                    return Error{opened.error()};
                }
                reader.emplace(std::move(*opened));
            }
            Result<const video::VideoFrame*> frame = reader->read_frame(index);
            if (!frame) {
                return Error{frame.error()};
            }
            return copy_frame(image, **frame);
        }
        case mapped_bitmap_sequence:
            return load_sequence(image, m_state->sequence, file, index, &read_bmp_file);
        case mapped_targa_sequence:
            return load_sequence(image, m_state->sequence, file, index, &read_targa_file);
        default:
            return Error{"\"" + file + "\" is mapped as video of kind " + std::to_string(kind) +
                         ", which is none of AVI (0), bitmap sequence (1) or Targa sequence (2)"};
    }
}

Status load_mapped_video_frame(ImageRecord& image, const std::string& file, int kind,
                               std::uint32_t index) {
    MappedVideo video;
    return video.load(image, file, kind, index);
}

}  // namespace kdr
