#include "kaleidra/updater/console_progress.h"

namespace kdr::updater {

void ConsoleProgress::line(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), m_out);
    std::fputc('\n', m_out);
    std::fflush(m_out);
}

void ConsoleProgress::upper(const std::string& text, UpperText kind) {
    if (kind != UpperText::folder) {
        line(text);
    }
}

void ConsoleProgress::lower(const std::string& text) {
    if (!text.empty()) {
        line(text);
    }
}

void ConsoleProgress::detail(const std::string& text) {
    line("  " + text);
}

platform::MessageAnswer ConsoleProgress::box(const std::string& text, platform::MessageKind) {
    line(std::string(installer_title) + ": " + text);
    return platform::MessageAnswer::ok;
}

}  // namespace kdr::updater
