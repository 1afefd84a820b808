// kaleidra-render: renders a Kaleidra effect between two sources into a
// movie or a numbered series of pictures, or joins two movies with it.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "command_line.h"
#include "frame_sink.h"
#include "kaleidra/install/registry_values.h"
#include "output_guard.h"
#include "progress_line.h"
#include "render_job.h"
#include "stop_signals.h"

namespace {

using namespace kdr::render_tool;

double seconds_now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

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
    if (kdr::Status safe = check_output_is_not_a_source(*options); !safe) {
        std::fprintf(stderr, "kaleidra-render: %s\n", safe.error().c_str());
        return 2;
    }
    StopSignals signals;
    ProgressLine progress(stderr, ::isatty(2) != 0, &seconds_now);
    kdr::Result<RenderSummary> summary = run_render(
        *options,
        [&](std::uint32_t done, std::uint32_t total) {
            if (options->progress) {
                progress.update(done, total);
            }
        },
        &signals.requested());
    progress.finish();
    if (!summary) {
        std::fprintf(stderr, "kaleidra-render: %s\n", summary.error().c_str());
        return 1;
    }
    if (summary->interrupted) {
        const std::string kept = is_movie_output(options->output)
                                     ? "\"" + summary->where + "\" was not written"
                                     : "the pictures written so far are kept";
        std::fprintf(stderr, "kaleidra-render: stopped by %s after %u frames; %s\n",
                     strsignal(signals.signal()), summary->frames, kept.c_str());
        return stopped_exit_status;
    }
    std::printf("%s\n", summary->where.c_str());
    if (options->progress) {
        std::fprintf(stderr, "kaleidra-render: %u frames of %ux%u with %s%s%s\n", summary->frames,
                     summary->width, summary->height, summary->engine.c_str(),
                     summary->two_threads ? " on two threads" : "",
                     summary->audio ? ", with sound" : "");
    }
    return 0;
}
