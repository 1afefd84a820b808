#include "kaleidra/host/host_frame.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "kaleidra/records/frame_record.h"
#include "kaleidra/records/image_convert.h"
#include "kaleidra/records/image_record.h"

namespace kdr::host {
namespace {

std::string number(std::uint64_t value) {
    return std::to_string(value);
}

std::string source_name(std::size_t index) {
    switch (index) {
        case 0:
            return "source A";
        case 1:
            return "source B";
        default:
            return "source " + number(index + 1);
    }
}

// Where the alpha byte of a 4-byte pixel lies, or -1.
int alpha_offset(std::uint8_t format) {
    switch (format) {
        case format_rgba:
        case format_bgra:
            return 3;
        case format_abgr:
        case format_argb:
            return 0;
        default:
            return -1;
    }
}

void release_slot_images(FrameRecord& frame) {
    for (ImageRecord& image : frame.images) {
        image_release_all(image);
    }
    image_release_all(frame.output);
}

}  // namespace

HostPicture host_picture_of(const ImageRecord& image) {
    HostPicture picture;
    picture.pixels = image.buffer != nullptr ? image.buffer + image.offset : nullptr;
    picture.format = image.format;
    picture.bytes_per_pixel = image.bytes_per_pixel;
    picture.row_order = image.row_order;
    picture.alignment = image.alignment;
    picture.width = image.width;
    picture.height = image.height;
    picture.row_length = image.row_length;
    picture.stored_rows = image.stored_rows;
    picture.skip_pixels = image.skip_pixels;
    picture.skip_rows = image.skip_rows;
    for (int entry = 0; entry < 4; ++entry) {
        picture.bias[entry] = image_bias(image, entry);
    }
    return picture;
}

Status describe_host_picture(ImageRecord& image, const HostPicture& picture) {
    image_release_all(image);
    if (picture.pixels == nullptr) {
        return Error{"the picture has no pixels"};
    }
    if (!image_layout_supported(picture.format, picture.bytes_per_pixel)) {
        return Error{"pixel format " + number(picture.format) + " with " +
                     number(picture.bytes_per_pixel) +
                     " bytes a pixel is not one the engines take"};
    }
    if (picture.width == 0 || picture.height == 0) {
        return Error{"the picture is " + number(picture.width) + " x " + number(picture.height) +
                     " pixels"};
    }
    const std::uint8_t alignment = picture.alignment;
    if (alignment != 1 && alignment != 2 && alignment != 4 && alignment != 8) {
        return Error{"rows aligned to " + number(alignment) + " bytes (1, 2, 4 or 8)"};
    }
    const std::uint32_t row_length = picture.row_length != 0 ? picture.row_length : picture.width;
    const std::uint32_t stored_rows =
        picture.stored_rows != 0 ? picture.stored_rows : picture.height;
    if (std::uint64_t{picture.skip_pixels} + picture.width > row_length ||
        std::uint64_t{picture.skip_rows} + picture.height > stored_rows) {
        return Error{"a " + number(picture.width) + " x " + number(picture.height) +
                     " picture at " + number(picture.skip_pixels) + ", " +
                     number(picture.skip_rows) + " does not fit in " + number(row_length) + " x " +
                     number(stored_rows) + " stored pixels"};
    }
    image.format = picture.format;
    image.bytes_per_pixel = picture.bytes_per_pixel;
    image.row_order = picture.row_order;
    image.alignment = alignment;
    image.width = picture.width;
    image.height = picture.height;
    image.row_length = row_length;
    image.stored_rows = stored_rows;
    image.skip_pixels = picture.skip_pixels;
    image.skip_rows = picture.skip_rows;
    if (!image_update_sizes(image)) {
        image_release_all(image);
        return Error{"a picture of " + number(row_length) + " x " + number(stored_rows) +
                     " stored pixels is larger than 4 GiB"};
    }
    for (int entry = 0; entry < 4; ++entry) {
        image_set_bias(image, entry, picture.bias[entry]);
    }
    // The record only points at the host's pixels; the engines write the
    // output through it and never free it.
    image.buffer = static_cast<std::uint8_t*>(const_cast<void*>(picture.pixels));
    image.owns = 0;
    return Status::success();
}

void make_opaque(const HostPicture& picture) {
    const int alpha = alpha_offset(picture.format);
    if (alpha < 0 || picture.bytes_per_pixel != 4) {
        return;
    }
    ImageRecord image;
    image_construct(image);
    if (!describe_host_picture(image, picture)) {
        return;
    }
    for (std::uint32_t y = 0; y < image.height; ++y) {
        std::uint8_t* pixel = image_pixel(image, 0, y);
        for (std::uint32_t x = 0; x < image.width; ++x, pixel += 4) {
            pixel[alpha] = 255;
        }
    }
    image_release_all(image);
}

namespace {

// The field and position one slot of the request draws.
struct SlotPart {
    int slot = 0;
    const HostField* field = nullptr;
    std::uint32_t position = 0;
    ProgressCallback progress = nullptr;
};

int work_image_digit(const HostField* field) {
    if (field == nullptr) {
        return 0;
    }
    return field->work_image_digit >= 0 ? field->work_image_digit : field->parity;
}

// Everything but the field cut, so that a field pair's second slot can
// share the work folder's pictures before either slot is cut.
Status fill_uncut(RenderDriver& driver, const HostFrame& request, const SlotPart& part,
                  const FrameRecord* share_work_images) {
    FrameRecord& frame = driver.frame(part.slot);
    release_slot_images(frame);
    frame.image_count = 0;
    if (request.sources.size() > static_cast<std::size_t>(image_slot_count)) {
        return Error{number(request.sources.size()) + " sources, at most " +
                     number(image_slot_count)};
    }
    if (request.work_folder_images != WorkFolderImages::none && request.sources.size() > 2) {
        return Error{
            "the work folder's pictures take image slots 3 to 20: give at most two "
            "sources with them"};
    }
    for (std::size_t i = 0; i < request.sources.size(); ++i) {
        if (Status status = describe_host_picture(frame.images[i], request.sources[i]); !status) {
            release_slot_images(frame);
            return Error{source_name(i) + ": " + status.error()};
        }
    }
    if (Status status = describe_host_picture(frame.output, request.output); !status) {
        release_slot_images(frame);
        return Error{"the output: " + status.error()};
    }
    frame.image_count = static_cast<std::uint32_t>(request.sources.size());

    if (share_work_images != nullptr) {
        // The pictures stay the first slot's, which releases them.
        for (std::uint32_t i = frame.image_count; i < share_work_images->image_count; ++i) {
            image_shallow_copy(frame.images[i], share_work_images->images[i]);
        }
        frame.image_count = std::max(frame.image_count, share_work_images->image_count);
    } else {
        switch (request.work_folder_images) {
            case WorkFolderImages::none:
                break;
            case WorkFolderImages::numbered:
                driver.load_extra_images(part.slot, -1);
                break;
            case WorkFolderImages::numbered_by_parity:
                driver.load_extra_images(part.slot, work_image_digit(part.field));
                break;
        }
    }

    frame.flags = request.extra_flags & ~static_cast<std::uint32_t>(
                                            flag_field | flag_field_parity_0 | flag_field_parity_1);
    if (part.field != nullptr) {
        frame.flags |=
            flag_field | (part.field->parity == 1 ? flag_field_parity_1 : flag_field_parity_0);
    }
    frame.position = part.position;
    frame.total = request.total;
    frame.progress = part.progress;
    frame.abort = request.abort;
    // The host's own output size decides, not a field's: a frame rendered by
    // fields is as quiet as the same frame rendered whole.
    bool quiet = false;
    switch (request.quiet) {
        case QuietRule::by_size:
            quiet = is_quiet_size(request.output.width, request.output.height);
            break;
        case QuietRule::always:
            quiet = true;
            break;
        case QuietRule::never:
            break;
    }
    frame.quiet = quiet ? 1 : 0;
    return Status::success();
}

// Cuts every picture of the slot to the field's rows when the host handed
// over whole pictures, then takes the frame's size from the output.
void finish_slot(RenderDriver& driver, const SlotPart& part) {
    FrameRecord& frame = driver.frame(part.slot);
    if (part.field != nullptr && part.field->cut_from_whole_pictures) {
        const int rows = part.field->cut_rows >= 0 ? part.field->cut_rows : part.field->parity;
        for (std::uint32_t i = 0; i < frame.image_count; ++i) {
            if (image_has_pixels(frame.images[i])) {
                image_select_field(frame.images[i], rows);
            }
        }
        image_select_field(frame.output, rows);
    }
    frame.width = frame.output.width;
    frame.height = static_cast<std::int32_t>(frame.output.height);
    frame_set_aspect(frame);
}

}  // namespace

Status fill_host_frame(RenderDriver& driver, const HostFrame& request) {
    if (request.call == FrameCall::field_pair) {
        if (request.field == nullptr || request.second_field == nullptr ||
            !request.field->cut_from_whole_pictures ||
            !request.second_field->cut_from_whole_pictures) {
            return Error{"a field pair needs both fields, each cut from the whole pictures"};
        }
        const SlotPart first{0, request.field, request.position, request.progress};
        const SlotPart second{1, request.second_field, request.position + 1, nullptr};
        if (Status status = fill_uncut(driver, request, first, nullptr); !status) {
            return status;
        }
        if (Status status = fill_uncut(driver, request, second, &driver.frame(0)); !status) {
            release_slot_images(driver.frame(0));
            return status;
        }
        finish_slot(driver, first);
        finish_slot(driver, second);
        return Status::success();
    }
    if (request.slot < -1 || request.slot >= RenderDriver::slot_count) {
        return Error{"there is no render slot " + std::to_string(request.slot)};
    }
    const SlotPart part{request.slot >= 0 ? request.slot : driver.slot_for(request.call),
                        request.field, request.position, request.progress};
    if (Status status = fill_uncut(driver, request, part, nullptr); !status) {
        return status;
    }
    finish_slot(driver, part);
    return Status::success();
}

DrawnPicture drawn_picture(const RenderDriver& driver, FrameCall call) {
    if (driver.multi() && call == FrameCall::first_field) {
        return DrawnPicture::pending;
    }
    // Under multi-rendering both slots render each call that renders at all,
    // each delivering its part of the picture; so do both fields of a pair.
    const bool both = driver.multi() || call == FrameCall::field_pair;
    const bool drawn =
        driver.slot(0).last_result != 0 && (!both || driver.slot(1).last_result != 0);
    return drawn ? DrawnPicture::whole : DrawnPicture::missing;
}

Result<DrawnPicture> render_host_frame(RenderDriver& driver, const HostFrame& frame) {
    if (Status status = fill_host_frame(driver, frame); !status) {
        return Error{status.error()};
    }
    driver.render(frame.call);
    return drawn_picture(driver, frame.call);
}

}  // namespace kdr::host
