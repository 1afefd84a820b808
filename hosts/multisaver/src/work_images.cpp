#include "work_images.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/hostkit/frame_marker.h"
#include "kaleidra/images/image_file.h"
#include "kaleidra/install/install_paths.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/records/owned_image.h"

namespace kdr::multisaver {
namespace {

std::optional<std::filesystem::path> work_image(int number, int parity_digit) {
    return install::build_path(install::folder_work, work_image_name(number, parity_digit).c_str(),
                               "IMG");
}

void remove_file(const std::optional<std::filesystem::path>& file) {
    if (file) {
        std::error_code ignored;
        std::filesystem::remove(*file, ignored);
    }
}

// A new frame or size: the pictures saved so far belong to another one.
void start_frame(const std::filesystem::path& marker_file, const FrameToSave& frame) {
    for (int number = first_number; number <= last_number; ++number) {
        if (frame.parity_digit < 0) {
            remove_file(work_image(number, -1));
        } else {
            remove_file(work_image(number, 0));
            remove_file(work_image(number, 1));
        }
    }
    // A marker that cannot be written makes the next filter start again,
    // which loses nothing of this frame's pictures but their order.
    (void)hostkit::write_frame_marker(marker_file, {frame.frame, frame.width, frame.height});
}

// The first number whose file does not open as an image file.
std::optional<int> first_free_number(int parity_digit) {
    for (int number = first_number; number <= last_number; ++number) {
        const std::optional<std::filesystem::path> file = work_image(number, parity_digit);
        if (!file) {
            return std::nullopt;
        }
        chunks::ChunkStream stream = chunks::ChunkStream::open_file(chunks::ChunkMode::read_file,
                                                                    *file, chunks::make_id("KDRI"));
        const bool taken = stream.status() == chunks::ready;
        (void)stream.close();
        if (!taken) {
            return number;
        }
    }
    return std::nullopt;
}

}  // namespace

std::string work_image_name(int number, int parity_digit) {
    char name[16];
    if (parity_digit < 0) {
        std::snprintf(name, sizeof name, "V%02d", number);
    } else {
        std::snprintf(name, sizeof name, "V%02d%d", number, parity_digit);
    }
    return name;
}

std::optional<int> save_frame(const FrameToSave& frame) {
    const std::optional<std::filesystem::path> marker_file =
        install::build_path(install::folder_work, "Premiere", "MSV");
    if (!marker_file) {
        return std::nullopt;
    }
    const hostkit::FrameMarker marker = hostkit::read_frame_marker(*marker_file);
    if (marker != hostkit::FrameMarker{frame.frame, frame.width, frame.height}) {
        start_frame(*marker_file, frame);
    }
    const std::optional<int> number = first_free_number(frame.parity_digit);
    if (!number) {
        return std::nullopt;
    }
    OwnedImage image;
    if (!host::describe_host_picture(image.record(), frame.picture)) {
        return std::nullopt;
    }
    const std::optional<std::filesystem::path> file = work_image(*number, frame.parity_digit);
    if (!file || !write_image_file(image.record(), *file)) {
        return std::nullopt;
    }
    return number;
}

}  // namespace kdr::multisaver
