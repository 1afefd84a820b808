// kaleidra-render: renders a Kaleidra effect between two sources into a
// movie or a numbered series of pictures.

#include <unistd.h>

#include <cstdio>

#include "command_line.h"
#include "kaleidra/install/registry_values.h"
#include "render_job.h"

namespace {

using namespace kdr::render_tool;

class Progress {
  public:
    explicit Progress(bool enabled) : m_enabled(enabled), m_terminal(::isatty(2) != 0) {}

    void operator()(std::uint32_t done, std::uint32_t total) {
        if (!m_enabled) {
            return;
        }
        if (m_terminal) {
            std::fprintf(stderr, "\rkaleidra-render: frame %u of %u", done, total);
            if (done == total) {
                std::fputc('\n', stderr);
            }
            return;
        }
        // Into a file or pipe: a line at every tenth of the way.
        const std::uint32_t step = total >= 10 ? total / 10 : 1;
        if (done % step == 0 || done == total) {
            std::fprintf(stderr, "kaleidra-render: frame %u of %u\n", done, total);
        }
    }

  private:
    bool m_enabled;
    bool m_terminal;
};

}  // namespace

int main(int argc, char** argv) {
    kdr::install::set_registry_key(kdr::install::package_registry_key);
    kdr::Result<RenderOptions> options = parse_command_line(argc, argv);
    if (!options) {
        std::fprintf(stderr, "kaleidra-render: %s\nTry 'kaleidra-render --help'.\n",
                     options.error().c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(help_text().c_str(), stdout);
        return 0;
    }
    Progress progress(options->progress);
    kdr::Result<RenderSummary> summary = run_render(
        *options, [&](std::uint32_t done, std::uint32_t total) { progress(done, total); });
    if (!summary) {
        std::fprintf(stderr, "kaleidra-render: %s\n", summary.error().c_str());
        return 1;
    }
    std::printf("%s\n", summary->where.c_str());
    if (options->progress) {
        std::fprintf(stderr, "kaleidra-render: %u frames of %ux%u with %s%s\n", summary->frames,
                     summary->width, summary->height, summary->engine.c_str(),
                     summary->two_threads ? " on two threads" : "");
    }
    return 0;
}
