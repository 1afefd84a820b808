#pragma once
// The unattended front end's Progress: prints the phases, the folders each
// search starts from, every action, the details and every box's text on one
// stream, answers each box with its default button (OK) and does not pause.
// Folders below a search root are not printed.

#include <cstdio>

#include "kaleidra/updater/progress.h"

namespace kdr::updater {

class ConsoleProgress : public Progress {
  public:
    explicit ConsoleProgress(std::FILE* out) : m_out(out) {}

    void upper(const std::string& text, UpperText kind) override;
    void lower(const std::string& text) override;
    void detail(const std::string& text) override;
    void pause(std::chrono::milliseconds) override {}
    platform::MessageAnswer box(const std::string& text, platform::MessageKind kind) override;

  private:
    void line(const std::string& text);

    std::FILE* m_out;
};

}  // namespace kdr::updater
