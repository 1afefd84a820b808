#include "sized_frame.h"

#include "kaleidra/records/image_convert.h"
#include "kaleidra/records/image_record.h"

namespace kdr::render_tool {

SizedFrame::SizedFrame(std::uint32_t width, std::uint32_t height)
    : m_width(width), m_height(height) {
    image_construct(m_resized);
}

SizedFrame::~SizedFrame() {
    image_release_all(m_resized);
}

Result<const ImageRecord*> SizedFrame::get(FrameSource& source, std::uint32_t index) {
    Result<const ImageRecord*> picture = source.frame(index);
    if (!picture) {
        return picture;
    }
    const ImageRecord& original = **picture;
    if (original.width == m_width && original.height == m_height &&
        image_layout_supported(original.format, original.bytes_per_pixel)) {
        return picture;
    }
    if (m_resized.buffer == nullptr || source.generation() != m_generation) {
        if (m_resized.buffer == nullptr) {
            // The engines' own layout: 24-bit blue, green, red, bottom row first.
            image_set_shape(m_resized, {format_bgr, 3, 4, row_order_bottom_up, m_width, m_height});
            if (!image_allocate(m_resized)) {
                return Error{"out of memory for a " + std::to_string(m_width) + "x" +
                             std::to_string(m_height) + " picture"};
            }
        }
        if (!image_convert(original, m_resized, convert_all_rows)) {
            return Error{"\"" + source.name() + "\" has a picture layout that cannot be converted"};
        }
        m_generation = source.generation();
        ++m_conversions;
    }
    return &m_resized;
}

}  // namespace kdr::render_tool
