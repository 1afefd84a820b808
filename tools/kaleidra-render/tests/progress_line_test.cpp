#include "progress_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace kdr::render_tool {
namespace {

// What a ProgressLine prints, with a clock the test moves.
class PrintedProgress {
  public:
    explicit PrintedProgress(bool terminal)
        : m_file(std::tmpfile()), m_line(m_file, terminal, [this] { return m_now; }) {}
    ~PrintedProgress() { std::fclose(m_file); }

    void at(double seconds, std::uint32_t done, std::uint32_t total) {
        m_now = seconds;
        m_line.update(done, total);
    }
    ProgressLine& line() { return m_line; }
    std::string text() {
        std::fflush(m_file);
        std::rewind(m_file);
        std::string all;
        char block[256];
        std::size_t got;
        while ((got = std::fread(block, 1, sizeof block, m_file)) > 0) {
            all.append(block, got);
        }
        return all;
    }

  private:
    std::FILE* m_file;
    double m_now = 100;
    ProgressLine m_line;
};

TEST(ProgressLine, DescribesFramesRateAndTimeLeft) {
    EXPECT_EQ(ProgressLine::describe(0, 300, 0), "frame 0 of 300");
    EXPECT_EQ(ProgressLine::describe(50, 300, 2), "frame 50 of 300, 25.0 frames/s, 0:10 left");
    EXPECT_EQ(ProgressLine::describe(300, 300, 12), "frame 300 of 300, 25.0 frames/s");
    EXPECT_EQ(ProgressLine::describe(1, 100000, 1),
              "frame 1 of 100000, 1.0 frames/s, 27:46:39 left");
}

TEST(ProgressLine, OnATerminalRewritesOneLineAndEndsIt) {
    PrintedProgress printed(true);
    printed.at(100.5, 1, 4);
    printed.at(100.55, 2, 4);  // too soon after the last: not drawn
    printed.at(101.0, 3, 4);
    printed.at(101.2, 4, 4);  // the end is always drawn
    const std::string text = printed.text();
    EXPECT_EQ(text,
              "\rkaleidra-render: frame 1 of 4, 2.0 frames/s, 0:02 left\033[K"
              "\rkaleidra-render: frame 3 of 4, 3.0 frames/s, 0:00 left\033[K"
              "\rkaleidra-render: frame 4 of 4, 3.3 frames/s\033[K\n");
    printed.line().finish();
    EXPECT_EQ(printed.text(), text) << "a finished line is not ended twice";
}

TEST(ProgressLine, IntoAPipeALineAtEveryTenth) {
    PrintedProgress printed(false);
    for (std::uint32_t done = 1; done <= 20; ++done) {
        printed.at(100 + done, done, 20);
    }
    const std::string text = printed.text();
    int lines = 0;
    for (char c : text) {
        lines += c == '\n';
    }
    EXPECT_EQ(lines, 10) << text;
    EXPECT_NE(text.find("kaleidra-render: frame 2 of 20, 1.0 frames/s, 0:18 left\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_NE(text.find("frame 20 of 20"), std::string::npos);
}

}  // namespace
}  // namespace kdr::render_tool
