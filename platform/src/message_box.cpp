#include "kaleidra/platform/message_box.h"

#include <cstdio>
#include <mutex>

namespace kdr::platform {
namespace {

std::mutex handler_mutex;
MessageBoxHandler& current_handler() {
    static MessageBoxHandler handler;
    return handler;
}

}  // namespace

MessageAnswer show_message_box(const std::string& title, const std::string& text,
                               MessageKind kind) {
    MessageBoxHandler handler;
    {
        std::lock_guard lock(handler_mutex);
        handler = current_handler();
    }
    if (handler) {
        return handler(title, text, kind);
    }
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    return kind == MessageKind::question ? MessageAnswer::no : MessageAnswer::ok;
}

MessageBoxHandler set_message_box_handler(MessageBoxHandler handler) {
    std::lock_guard lock(handler_mutex);
    MessageBoxHandler previous = std::move(current_handler());
    current_handler() = std::move(handler);
    return previous;
}

}  // namespace kdr::platform
