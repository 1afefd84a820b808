#include "kaleidra/hostkit/plugin_messages.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace kdr::hostkit {
namespace {

const char* kind_name(platform::MessageKind kind) {
    switch (kind) {
        case platform::MessageKind::information:
            return "information";
        case platform::MessageKind::warning:
            return "warning";
        case platform::MessageKind::error:
            return "error";
        case platform::MessageKind::question:
            return "question";
    }
    return "information";
}

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

platform::MessageAnswer default_answer(platform::MessageKind kind) {
    return kind == platform::MessageKind::question ? platform::MessageAnswer::no
                                                   : platform::MessageAnswer::ok;
}

platform::MessageAnswer plugin_message_box(const std::string& title, const std::string& text,
                                           platform::MessageKind kind) {
    const char* log = std::getenv(message_log_variable);
    if (log != nullptr && *log != '\0') {
        // One write to a file opened for appending: messages from several
        // plug-ins of one process never interleave within a line.
        const std::string line = message_log_line(title, text, kind) + "\n";
        const int descriptor = ::open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (descriptor >= 0) {
            const ssize_t written = ::write(descriptor, line.data(), line.size());
            ::close(descriptor);
            if (written == static_cast<ssize_t>(line.size())) {
                return default_answer(kind);
            }
        }
    }
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    return default_answer(kind);
}

}  // namespace

std::string message_log_line(const std::string& title, const std::string& text,
                             platform::MessageKind kind) {
    return std::string(kind_name(kind)) + "\t" + escaped(title) + "\t" + escaped(text);
}

void install_plugin_message_boxes() {
    platform::MessageBoxHandler previous = platform::set_message_box_handler({});
    if (previous) {
        platform::set_message_box_handler(std::move(previous));
    } else {
        platform::set_message_box_handler(plugin_message_box);
    }
}

}  // namespace kdr::hostkit
