#pragma once
// A host's frame rendered through the render driver: the one place where the
// pictures a host hands over (its pixels, in its layout) become the image
// records of a render slot, where the quiet rule is applied, and where the
// driver's answer becomes "the whole picture was drawn" or not. The frei0r
// transition and kaleidra-render use it; each adapter of a host editor does
// too, saying how its host lays out pixels and calls for fields:
//
//   - layout: any of the six pixel formats, 3 or 4 bytes a pixel, rows top
//     or bottom first, padded to an alignment, possibly longer than the
//     picture with the picture at an offset within them;
//   - fields: a host that hands over one field's pictures sets the field
//     bits only; a host that hands over whole interlaced pictures has every
//     picture (sources, extra images, output) cut to that field's rows, one
//     field a call or both in one call (FrameCall::field_pair: slot 0 draws
//     the first field, slot 1 the second, sharing the work folder's
//     pictures);
//   - extra images: the multisaver filters' pictures in the work folder,
//     numbered with or without the field parity; or more sources of the
//     host's own (layers), up to 20 pictures in all;
//   - the calling thread: whatever the driver is set to (set_calling_thread)
//     decides where the slots render; nothing here changes it.
//
// The frame records point at the host's pixels and never own them; the
// driver releases only the work-folder images it loaded. Called from the
// host's thread, one frame at a time, as the driver is.

#include <cstdint>
#include <span>

#include "kaleidra/host/render_driver.h"
#include "kaleidra/platform/result.h"
#include "kaleidra/records/layout.h"

namespace kdr::host {

// A picture in a host's memory. Pixel (x, y), row 0 the top of the picture,
// lies in stored row y + skip_rows (counted from the first stored row when
// rows are top first, from the last otherwise), x + skip_pixels pixels in.
struct HostPicture {
    const void* pixels = nullptr;  // the first stored row
    std::uint8_t format = 0;       // PixelFormat
    std::uint8_t bytes_per_pixel = 0;
    std::uint8_t row_order = row_order_top_down;
    std::uint8_t alignment = 1;  // stored rows are padded to a multiple of this
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t row_length = 0;   // pixels in a stored row; 0: the width
    std::uint32_t stored_rows = 0;  // 0: the height
    std::uint32_t skip_pixels = 0;
    std::uint32_t skip_rows = 0;
    float bias[4] = {0, 0, 0, 0};  // channel bias, as image records carry it
};

// The picture an image record shows (its pixels, layout and bias).
HostPicture host_picture_of(const ImageRecord& image);

// Makes `image` show `picture` without owning its pixels. Fails, leaving
// `image` empty, when the layout is not one of the six formats, the rows do
// not hold the picture, or its size does not fit in 32 bits.
[[nodiscard]] Status describe_host_picture(ImageRecord& image, const HostPicture& picture);

// Sets the alpha byte of every pixel of the picture to 255: hosts whose
// sources carry no meaningful alpha hand them over opaque. Pictures without
// alpha are left alone.
void make_opaque(const HostPicture& picture);

// Which frames are quiet (no render-log lines, no mapped video files).
enum class QuietRule {
    by_size,  // narrower than 160 and lower than 120 (is_quiet_size)
    always,   // the host's previews and thumbnails
    never,
};

// Multisaver pictures in the work folder ("V03".."V20" .IMG).
enum class WorkFolderImages {
    none,
    numbered,            // "V%02d"
    numbered_by_parity,  // "V%02d%d" with the field's parity digit
};

struct HostField {
    int parity = 0;  // 0: field bit 0x4000, 1: field bit 0x2000
    // The pictures hold both fields: show each only this field's rows.
    bool cut_from_whole_pictures = false;
    // The rows a cut shows, numbered as image_select_field numbers them
    // (0: the rows from the first stored row on); -1: those of `parity`.
    // Hosts whose field bit and rows pair the other way set it.
    int cut_rows = -1;
    // The last digit of the work folder's "V%02d%d" pictures; -1: `parity`.
    // Hosts that number their fields apart from the field bit set it.
    int work_image_digit = -1;
};

struct HostFrame {
    FrameCall call = FrameCall::whole_frame;
    // The slot to fill, 0 or 1; -1: the driver's slot for `call` (a field
    // pair always fills both).
    int slot = -1;
    // Source A, source B, then any further sources of the host's own.
    std::span<const HostPicture> sources;
    HostPicture output;
    std::uint32_t position = 0;
    std::uint32_t total = 0;
    const HostField* field = nullptr;  // null: a whole frame
    // A field pair: the field slot 1 draws, at position + 1 (`field` is the
    // one slot 0 draws at `position`). Both must be cut from whole pictures.
    const HostField* second_field = nullptr;
    QuietRule quiet = QuietRule::by_size;
    WorkFolderImages work_folder_images = WorkFolderImages::none;
    std::uint32_t extra_flags = 0;  // further mode bits (layout previews)
    // Progress goes to the slot that draws the first rows or the first
    // field only, so a host hears one voice; abort goes to every slot.
    ProgressCallback progress = nullptr;
    AbortCallback abort = nullptr;
};

enum class DrawnPicture {
    whole,    // every part of the picture this call covers was drawn
    pending,  // a first field under multi-rendering: drawn with the second
    missing,  // the engine drew nothing, or not all of it
};

// Fills the frame record of the slot `frame.call` uses (both slots for a
// field pair): size (the output's, after a field cut), sources, work-folder
// images, output, part and total, quiet flag, mode bits, aspect, callbacks.
// On failure nothing is rendered and the error says which picture could not
// be described.
[[nodiscard]] Status fill_host_frame(RenderDriver& driver, const HostFrame& frame);

// The whole frame: fill, render through the driver, and say what was drawn.
[[nodiscard]] Result<DrawnPicture> render_host_frame(RenderDriver& driver, const HostFrame& frame);

// After a render call of the driver: what it drew.
DrawnPicture drawn_picture(const RenderDriver& driver, FrameCall call);

}  // namespace kdr::host
