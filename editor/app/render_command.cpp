#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>

#include "commands.h"
#include "kaleidra/editor/movie_renderer.h"
#include "kaleidra/editor/preferences.h"

namespace kdr::editor::app {
namespace {

volatile std::sig_atomic_t interrupted = 0;

void on_interrupt(int) {
    interrupted = 1;
}

// A final without --out goes where Make Final would propose, named after
// the project rather than "Untitled": the last final of the project, else
// PROJECT.avi in the last output folder (the Work folder at first).
std::filesystem::path final_movie_path(const Project& project) {
    const std::optional<RecentValues> recent = Preferences::open_default().read_recent();
    std::filesystem::path proposal = proposed_final_path(project, recent.value_or(RecentValues{}));
    if (project.output.last_final.empty()) {
        std::filesystem::path name = std::filesystem::path(project.file_name).stem();
        name += ".avi";
        proposal.replace_filename(name);
    }
    return proposal;
}

class ProgressLines {
  public:
    explicit ProgressLines(bool enabled) : m_enabled(enabled), m_terminal(::isatty(2) != 0) {}

    void show(const RenderProgress& progress) {
        if (!m_enabled) {
            return;
        }
        const std::int32_t first = progress.first_frame.load();
        const std::int32_t last = progress.last_frame.load();
        const std::int32_t done = progress.frame_counter.load() - first;
        const std::int32_t total = last - first + 1;
        if (done == m_shown) {
            return;
        }
        m_shown = done;
        const std::string range =
            first == 0 && last + 1 == progress.project_length.load()
                ? std::string()
                : " (project frames " + std::to_string(first) + "-" + std::to_string(last) + ")";
        if (m_terminal) {
            std::fprintf(stderr, "\rreelbench: frame %d of %d%s", done, total, range.c_str());
            m_open_line = true;
            return;
        }
        // Into a file or pipe: a line each time another tenth is done.
        const std::int32_t tenth = done * 10 / std::max(total, 1);
        if (tenth > m_tenth || done == total) {
            m_tenth = tenth;
            std::fprintf(stderr, "reelbench: frame %d of %d%s\n", done, total, range.c_str());
        }
    }
    void end_line() {
        if (m_open_line) {
            std::fputc('\n', stderr);
            m_open_line = false;
        }
    }

  private:
    bool m_enabled;
    bool m_terminal;
    bool m_open_line = false;
    std::int32_t m_shown = -1;
    std::int32_t m_tenth = -1;
};

void print_notices(MovieRenderer& renderer, ProgressLines& lines) {
    for (const std::string& notice : renderer.take_notices()) {
        lines.end_line();
        std::fprintf(stderr, "reelbench: %s\n", notice.c_str());
    }
}

}  // namespace

int render_command(const CommandLine& line) {
    Project project;
    if (Status loaded = load_project_file(project, line.project); !loaded) {
        std::fprintf(stderr, "reelbench: %s\n", loaded.error().c_str());
        return 1;
    }
    RenderRequest request;
    request.kind = line.preview ? RenderKind::preview : RenderKind::final_movie;
    request.frames = line.frames;
    request.engine = line.engine;
    request.threads = line.threads;
    if (!line.output.empty()) {
        request.output = line.output;
    } else if (!line.preview) {
        request.output = final_movie_path(project);
    }

    MovieRenderer renderer;
    if (Status started = renderer.start(project, request); !started) {
        std::fprintf(stderr, "reelbench: %s\n", started.error().c_str());
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = &on_interrupt;
    struct sigaction previous {};
    ::sigaction(SIGINT, &action, &previous);
    ProgressLines lines(line.progress);
    // Progress every 100 ms, as the window shows it, but the end is seen at
    // once.
    while (!renderer.wait_for_end(std::chrono::milliseconds(100))) {
        if (interrupted != 0) {
            renderer.stop();
        }
        lines.show(renderer.progress());
        print_notices(renderer, lines);
    }
    lines.show(renderer.progress());
    print_notices(renderer, lines);
    lines.end_line();
    ::sigaction(SIGINT, &previous, nullptr);

    Result<RenderOutcome> outcome = renderer.finish();
    if (!outcome) {
        std::fprintf(stderr, "reelbench: %s\n", outcome.error().c_str());
        return 1;
    }
    std::printf("%s\n", outcome->movie.c_str());
    if (outcome->stopped) {
        std::fprintf(stderr, "reelbench: stopped; %s holds the %u frames made\n",
                     outcome->movie.c_str(), outcome->frames_written);
        return 1;
    }
    if (line.progress) {
        std::fprintf(stderr, "reelbench: %u frames written to %s\n", outcome->frames_written,
                     outcome->movie.c_str());
    }
    return 0;
}

}  // namespace kdr::editor::app
