// Photoshop's row buffers in arbitrary layouts: the bytes a pixel spans,
// the mask counts the host gives and a selection row or none; reading a
// row into the engine's picture and writing the frame back must stay
// within the row the host handed over.
#include <cstdint>
#include <cstring>
#include <vector>

#include "kaleidra/hostkit/photoshop_records.h"
#include "pixel_rows.h"

namespace {

std::int16_t count_at(const std::uint8_t* data) {
    std::int16_t value = 0;
    std::memcpy(&value, data, sizeof value);
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 10) {
        return 0;
    }
    kdr::hostkit::PsFilterRecord record{};
    record.in_column_bytes = data[0] % 16;
    record.out_column_bytes = record.in_column_bytes;
    record.in_transparency_mask = record.out_transparency_mask = count_at(data + 1);
    record.in_layer_masks = record.out_layer_masks = count_at(data + 3);
    record.in_inverted_layer_masks = record.out_inverted_layer_masks = count_at(data + 5);
    const int width = data[7] % 64 + 1;
    const bool selection = (data[8] & 1) != 0;
    data += 9;
    size -= 9;
    const std::size_t row_size = static_cast<std::size_t>(width) * record.in_column_bytes;
    const std::size_t mask_size = selection ? static_cast<std::size_t>(width) : 0;
    if (record.in_column_bytes < kdr::photoshop::colour_planes || size < row_size + mask_size) {
        return 0;
    }
    // Buffers of exactly the host's sizes, so that any byte beyond is caught.
    std::vector<std::uint8_t> row(data, data + row_size);
    std::vector<std::uint8_t> mask(data + row_size, data + row_size + mask_size);
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * 4);
    kdr::photoshop::read_row(row.data(), record.in_column_bytes,
                             kdr::photoshop::input_masks(record),
                             selection ? mask.data() : nullptr, width, rgba.data());
    kdr::photoshop::write_row(rgba.data(), width, kdr::photoshop::output_masks(record),
                              record.out_column_bytes, row.data());
    return 0;
}
