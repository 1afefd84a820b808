#include "speedrazor_multisaver.h"

#include <cstring>

#include "kaleidra/hostkit/host_pictures.h"
#include "kaleidra/platform/message_box.h"
#include "work_images.h"

namespace kdr::multisaver {
namespace {

constexpr const char* error_title = "Kaleidra Plugin Error";

void memory_message(const char* text) {
    platform::show_message_box(error_title, text, platform::MessageKind::warning);
}

void release_text(hostkit::MovableHandle& block) {
    if (block != nullptr) {
        hostkit::movable_unlock(block);
        hostkit::movable_free(block);
        block = nullptr;
    }
}

}  // namespace

SpeedRazorMultisaver::~SpeedRazorMultisaver() {
    release_blocks();
}

void SpeedRazorMultisaver::release_blocks() {
    release_text(m_title);
    release_text(m_description);
    hostkit::release_icon_block(m_icon);
}

std::int32_t SpeedRazorMultisaver::call(std::int32_t selector, void* record) {
    release_blocks();
    auto* filter = static_cast<hostkit::SpeedRazorRecord*>(record);
    switch (selector) {
        case hostkit::speedrazor_about:
            platform::show_message_box("About KDRMulti",
                                       "Kaleidra 3.0 - Multisaver filter\nfor Speed Razor Mach III",
                                       platform::MessageKind::information);
            return 0;
        case hostkit::speedrazor_new:
            if (filter != nullptr) {
                filter->settings = nullptr;
            }
            return 1;
        case hostkit::speedrazor_information:
            return record != nullptr
                       ? information(*static_cast<hostkit::SpeedRazorInformation*>(record))
                       : 0;
        case hostkit::speedrazor_render:
            if (filter != nullptr) {
                save(*filter);
            }
            return 0;
        default:
            return 0;
    }
}

const char* SpeedRazorMultisaver::text_block(hostkit::MovableHandle& block, const char* text,
                                             std::size_t size) {
    block = m_services.allocate != nullptr ? m_services.allocate(size) : nullptr;
    auto* bytes = static_cast<char*>(hostkit::movable_lock(block));
    if (bytes == nullptr) {
        hostkit::movable_free(block);
        block = nullptr;
        return nullptr;
    }
    std::strncpy(bytes, text, size - 1);
    return bytes;
}

std::int32_t SpeedRazorMultisaver::information(hostkit::SpeedRazorInformation& info) {
    info.value_0 = 1;
    info.value_4 = 1;
    info.value_16 = 3;
    info.value_20 = 0;
    info.value_60 = 0;
    info.name = nullptr;
    info.description = nullptr;
    info.has_icon = 0;
    info.icon = nullptr;
    std::memset(info.reserved, 0, sizeof info.reserved);
    info.name = text_block(m_title, "KDR 3.0 MultiSaver", 20);
    if (info.name == nullptr) {
        memory_message("Not enough memory to create title.");
        return 1;
    }
    info.description = text_block(m_description, "Saves image data for multi-window effects.", 300);
    if (info.description == nullptr) {
        memory_message("Not enough memorty to create description.");
        return 1;
    }
    switch (hostkit::make_icon_block(m_services.resources, m_services.allocate, m_icon)) {
        case hostkit::IconOutcome::made:
            info.has_icon = 1;
            info.icon = m_icon.pixels;
            return 0;
        case hostkit::IconOutcome::no_memory:
            memory_message("Not enough memory to create icon.");
            return 1;
        case hostkit::IconOutcome::none:
            return 0;
    }
    return 0;
}

void SpeedRazorMultisaver::save(hostkit::SpeedRazorRecord& record) {
    Result<host::HostPicture> source =
        hostkit::buffer_picture(record.source_a, record.width, record.height);
    if (source) {
        FrameToSave frame;
        frame.frame = record.part;
        frame.width = record.width;
        frame.height = record.height;
        frame.parity_digit = -1;
        frame.picture = *source;
        (void)save_frame(frame);
    }
    // The filter's own output is black, whether or not its picture could be
    // saved.
    if (hostkit::buffer_picture(record.destination, record.width, record.height)) {
        std::memset(
            record.destination, 0,
            static_cast<std::size_t>(record.width) * static_cast<std::size_t>(record.height) * 4);
    }
}

}  // namespace kdr::multisaver
