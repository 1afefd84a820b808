#include "kaleidra/hostkit/testing/simulated_photoshop.h"

#include <algorithm>
#include <cstring>

namespace kdr::hostkit::test {
namespace {

SimPhotoshop* current = nullptr;

bool empty(const PsRect& rect) {
    return rect.right <= rect.left || rect.bottom <= rect.top;
}

}  // namespace

SimPhotoshop::SimPhotoshop(const PsDocumentShape& shape)
    : m_width(shape.width),
      m_height(shape.height),
      m_planes(3 + shape.transparency + shape.layer_masks + shape.inverted_masks),
      m_document(static_cast<std::size_t>(shape.width) * shape.height * m_planes, 0x33) {
    current = this;
    m_record.abort_proc = &abort_test;
    m_record.progress_proc = &progress_report;
    m_record.advance_state_proc = &advance_state;
    m_record.planes = static_cast<std::int16_t>(m_planes);
    m_record.image_size[0] = static_cast<std::int16_t>(shape.height);
    m_record.image_size[1] = static_cast<std::int16_t>(shape.width);
    m_record.filter_rect = PsRect{0, 0, shape.height, shape.width};
    m_record.max_space = 64 * 1024 * 1024;
    m_record.in_layer_planes = 3;
    m_record.in_transparency_mask = shape.transparency;
    m_record.in_layer_masks = shape.layer_masks;
    m_record.in_inverted_layer_masks = shape.inverted_masks;
    m_record.out_layer_planes = 3;
    m_record.out_transparency_mask = shape.transparency;
    m_record.out_layer_masks = shape.layer_masks;
    m_record.out_inverted_layer_masks = shape.inverted_masks;
    m_platform.window = 0x2A00017;
    m_record.platform_data = &m_platform;
}

SimPhotoshop::~SimPhotoshop() {
    if (current == this) {
        current = nullptr;
    }
}

std::uint8_t& SimPhotoshop::at(std::int32_t x, std::int32_t y, int plane) {
    return m_document[(static_cast<std::size_t>(y) * m_width + x) * m_planes + plane];
}

kdr::test::Picture SimPhotoshop::picture() const {
    kdr::test::Picture picture(static_cast<std::uint32_t>(m_width),
                               static_cast<std::uint32_t>(m_height));
    for (std::int32_t y = 0; y < m_height; ++y) {
        for (std::int32_t x = 0; x < m_width; ++x) {
            std::memcpy(picture.at(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y)),
                        &m_document[(static_cast<std::size_t>(y) * m_width + x) * m_planes], 3);
        }
    }
    return picture;
}

void SimPhotoshop::set_picture(const kdr::test::Picture& picture) {
    for (std::int32_t y = 0; y < m_height; ++y) {
        for (std::int32_t x = 0; x < m_width; ++x) {
            std::memcpy(&at(x, y, 0),
                        picture.at(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y)),
                        3);
        }
    }
}

void SimPhotoshop::fill_masks(std::uint8_t value) {
    for (std::int32_t y = 0; y < m_height; ++y) {
        for (std::int32_t x = 0; x < m_width; ++x) {
            for (int plane = 3; plane < m_planes; ++plane) {
                at(x, y, plane) = value;
            }
        }
    }
}

void SimPhotoshop::select(std::uint8_t value) {
    m_mask.assign(static_cast<std::size_t>(m_width) * m_height, value);
}

std::uint8_t& SimPhotoshop::mask_at(std::int32_t x, std::int32_t y) {
    return m_mask[static_cast<std::size_t>(y) * m_width + x];
}

void SimPhotoshop::set_filter_rect(std::int32_t left, std::int32_t top, std::int32_t right,
                                   std::int32_t bottom) {
    m_record.filter_rect = PsRect{top, left, bottom, right};
}

void SimPhotoshop::set_background(std::uint16_t red, std::uint16_t green, std::uint16_t blue) {
    m_record.background = PsColour{red, green, blue};
}

void SimPhotoshop::remove_advance_state() {
    m_record.advance_state_proc = nullptr;
}

void SimPhotoshop::fail_advance_from(int call, std::int16_t error) {
    m_fail_from = call;
    m_fail_error = error;
}

void SimPhotoshop::abort_from(int call) {
    m_abort_from = call;
}

std::int16_t SimPhotoshop::call(PsEntry entry, std::int16_t selector) {
    std::int16_t result = 0x7777;
    std::intptr_t data = 0;
    if (selector == ps_selector_about) {
        PsAboutRecord about{};
        about.platform_data = &m_platform;
        entry(selector, &about, &data, &result);
    } else {
        entry(selector, &m_record, &data, &result);
    }
    return result;
}

std::int16_t SimPhotoshop::run(PsEntry entry) {
    m_served_out.reset();
    if (std::int16_t result = call(entry, ps_selector_prepare); result != 0) {
        return result;
    }
    const std::int16_t result = call(entry, ps_selector_start);
    if (result != 0) {
        m_served_out.reset();  // the host restores the image
        return result;
    }
    commit();
    for (int i = 0; i < 4 && !(empty(m_record.in_rect) && empty(m_record.out_rect)); ++i) {
        if (std::int16_t more = call(entry, ps_selector_continue); more != 0) {
            return more;
        }
        commit();
    }
    return call(entry, ps_selector_finish);
}

void SimPhotoshop::commit() {
    if (!m_served_out) {
        return;
    }
    const PsRect rect = *m_served_out;
    const int columns = m_record.out_hi_plane - m_record.out_lo_plane + 1;
    for (std::int32_t y = rect.top; y < rect.bottom; ++y) {
        for (std::int32_t x = rect.left; x < rect.right; ++x) {
            const std::uint8_t* from =
                m_out.data() + static_cast<std::size_t>(y - rect.top) * m_record.out_row_bytes +
                static_cast<std::size_t>(x - rect.left) * columns;
            for (int plane = 0; plane < columns; ++plane) {
                at(x, y, m_record.out_lo_plane + plane) = from[plane];
            }
        }
    }
    m_served_out.reset();
}

void SimPhotoshop::serve() {
    commit();
    const PsRect in = m_record.in_rect;
    if (!empty(in)) {
        const int columns = m_record.in_hi_plane - m_record.in_lo_plane + 1;
        m_record.in_column_bytes = columns;
        m_record.in_row_bytes = (in.right - in.left) * columns + 5;
        m_in.assign(static_cast<std::size_t>(m_record.in_row_bytes) * (in.bottom - in.top), 0xEE);
        for (std::int32_t y = in.top; y < in.bottom; ++y) {
            for (std::int32_t x = in.left; x < in.right; ++x) {
                std::uint8_t* to = m_in.data() +
                                   static_cast<std::size_t>(y - in.top) * m_record.in_row_bytes +
                                   static_cast<std::size_t>(x - in.left) * columns;
                for (int plane = 0; plane < columns; ++plane) {
                    to[plane] = at(x, y, m_record.in_lo_plane + plane);
                }
            }
        }
        m_record.in_data = m_in.data();
    } else {
        m_record.in_data = nullptr;
    }
    const PsRect mask = m_record.mask_rect;
    if (!m_mask.empty() && !empty(mask)) {
        m_record.mask_row_bytes = mask.right - mask.left + 3;
        m_mask_rows.assign(
            static_cast<std::size_t>(m_record.mask_row_bytes) * (mask.bottom - mask.top), 0x99);
        for (std::int32_t y = mask.top; y < mask.bottom; ++y) {
            std::memcpy(m_mask_rows.data() +
                            static_cast<std::size_t>(y - mask.top) * m_record.mask_row_bytes,
                        &mask_at(mask.left, y), static_cast<std::size_t>(mask.right - mask.left));
        }
        m_record.mask_data = m_mask_rows.data();
    } else {
        m_record.mask_data = nullptr;
    }
    const PsRect out = m_record.out_rect;
    if (!empty(out)) {
        const int columns = m_record.out_hi_plane - m_record.out_lo_plane + 1;
        m_record.out_column_bytes = columns;
        m_record.out_row_bytes = (out.right - out.left) * columns + 7;
        m_out.assign(static_cast<std::size_t>(m_record.out_row_bytes) * (out.bottom - out.top), 0);
        for (std::int32_t y = out.top; y < out.bottom; ++y) {
            for (std::int32_t x = out.left; x < out.right; ++x) {
                std::uint8_t* to = m_out.data() +
                                   static_cast<std::size_t>(y - out.top) * m_record.out_row_bytes +
                                   static_cast<std::size_t>(x - out.left) * columns;
                for (int plane = 0; plane < columns; ++plane) {
                    to[plane] = at(x, y, m_record.out_lo_plane + plane);
                }
            }
        }
        m_record.out_data = m_out.data();
        m_served_out = out;
    } else {
        m_record.out_data = nullptr;
    }
}

std::int16_t SimPhotoshop::advance_state() {
    SimPhotoshop* host = current;
    if (host == nullptr) {
        return -1;
    }
    ++host->m_advances;
    if (host->m_fail_from > 0 && host->m_advances >= host->m_fail_from) {
        return host->m_fail_error;
    }
    host->serve();
    return 0;
}

std::uint8_t SimPhotoshop::abort_test() {
    SimPhotoshop* host = current;
    if (host == nullptr) {
        return 0;
    }
    ++host->m_abort_tests;
    return host->m_abort_from > 0 && host->m_abort_tests >= host->m_abort_from ? 1 : 0;
}

void SimPhotoshop::progress_report(std::int32_t done, std::int32_t total) {
    if (current != nullptr && total == 100) {
        current->m_progress.push_back(done);
    }
}

}  // namespace kdr::hostkit::test
