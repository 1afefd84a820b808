#include "command_line.h"

#include <charconv>

namespace kdr::editor::app {
namespace {

Result<std::int32_t> parse_number(const std::string& text, const char* what) {
    std::int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, fault] = std::from_chars(text.data(), end, value);
    if (fault != std::errc() || stop != end || text.empty()) {
        return Error{std::string(what) + " \"" + text + "\" is not a whole number"};
    }
    return value;
}

}  // namespace

Result<FrameRange> parse_frame_range(const std::string& text) {
    const std::size_t dash = text.find('-');
    if (dash == std::string::npos || dash == 0) {
        return Error{"--frames takes a range A-B of project frames, not \"" + text + "\""};
    }
    Result<std::int32_t> first = parse_number(text.substr(0, dash), "the first frame");
    if (!first) {
        return Error{first.error()};
    }
    Result<std::int32_t> last = parse_number(text.substr(dash + 1), "the last frame");
    if (!last) {
        return Error{last.error()};
    }
    if (*first < 0 || *last < *first) {
        return Error{"--frames " + text + " is empty: the last frame comes before the first"};
    }
    return FrameRange{*first, *last};
}

Result<CommandLine> parse_command_line(int argc, const char* const* argv) {
    CommandLine line;
    std::vector<std::string> words(argv + 1, argv + argc);
    std::vector<std::string> loose;
    for (std::size_t i = 0; i < words.size(); ++i) {
        std::string word = words[i];
        std::optional<std::string> attached;
        if (word.rfind("--", 0) == 0) {
            if (const std::size_t equals = word.find('='); equals != std::string::npos) {
                attached = word.substr(equals + 1);
                word.erase(equals);
            }
        }
        auto value = [&]() -> Result<std::string> {
            if (attached) {
                return *attached;
            }
            if (i + 1 >= words.size()) {
                return Error{word + " needs a value"};
            }
            return words[++i];
        };
        auto take = [&](std::string& target) -> Status {
            Result<std::string> text = value();
            if (!text) {
                return Error{text.error()};
            }
            target = *text;
            return Status::success();
        };
        Status status;
        if (word == "--help" || word == "-h") {
            line.command = Command::help;
            return line;
        } else if (word == "--render") {
            line.command = Command::render;
            status = take(line.project);
        } else if (word == "--info") {
            line.command = Command::info;
            status = take(line.project);
        } else if (word == "--join") {
            line.command = Command::join;
            status = take(line.output);
        } else if (word == "--preview") {
            line.preview = true;
        } else if (word == "--out") {
            status = take(line.output);
        } else if (word == "--engine") {
            status = take(line.engine);
        } else if (word == "--quiet" || word == "-q") {
            line.progress = false;
        } else if (word == "--frames") {
            std::string text;
            status = take(text);
            if (status) {
                Result<FrameRange> range = parse_frame_range(text);
                if (!range) {
                    return Error{range.error()};
                }
                line.frames = *range;
            }
        } else if (word == "--threads") {
            std::string text;
            status = take(text);
            if (status) {
                if (text != "1" && text != "2") {
                    return Error{"--threads takes 1 or 2, not \"" + text + "\""};
                }
                line.threads = text == "1" ? 1 : 2;
            }
        } else if (word.rfind("-", 0) == 0 && word.size() > 1) {
            return Error{"unknown option " + word};
        } else {
            loose.push_back(word);
        }
        if (!status) {
            return Error{status.error()};
        }
    }
    switch (line.command) {
        case Command::window:
            if (loose.size() > 1 || line.preview || !line.output.empty() || line.frames) {
                return Error{
                    "say what to do: --render PROJECT.kdp, --join OUT PART..., --info "
                    "PROJECT.kdp"};
            }
            if (!loose.empty()) {
                line.project = loose.front();
            }
            break;
        case Command::join:
            line.parts = loose;
            if (line.parts.empty()) {
                return Error{"--join " + line.output + " needs the movies to join"};
            }
            break;
        case Command::render:
        case Command::info:
            if (!loose.empty()) {
                return Error{"unexpected \"" + loose.front() + "\""};
            }
            break;
        case Command::help:
            break;
    }
    return line;
}

std::string help_text() {
    return R"(Usage:
  reelbench [PROJECT.kdp]        open the main window (with the project)
  reelbench --render PROJECT.kdp [--preview] [--out FILE] [--frames A-B]
                                 [--engine NAME] [--threads 1|2] [--quiet]
  reelbench --join OUT.avi PART.avi...
  reelbench --info PROJECT.kdp
  reelbench --help

--render makes a movie of a project without a window, as Make Final does
(or Make Preview with --preview): the final size, compressor and engine
("Engine") of the project's settings, or with --preview the preview size,
compressor and engine ("Prev_Engine").
  --out FILE      the movie to write; a final without it goes to the last
                  final made for the project, else to PROJECT.avi in the
                  last output folder (the Work folder at first); a preview
                  without it goes to Work/Preview.avi
  --frames A-B    only project frames A to B (both included), numbered as in
                  the whole project: each equals the same frame of a whole
                  render, so range movies of one project can be rendered on
                  several machines and joined
  --engine NAME   an engine library in LIBS ("Rnd_Generic"), or a library
                  file when NAME holds a '/'
  --threads 1|2   draw each effect frame on one thread, or as two halves
                  (or two fields) on two; default: the registry's Rnd_Multi
  --quiet         no progress lines
Progress goes to standard error, the movie's name to standard output.
Ctrl+C stops the render; the movie keeps the frames made so far.

--join writes OUT.avi from movies that share a compressor, frame size and
rate, in the order given, without decoding them.

--info prints the project's frame count, rate, sizes and items.

Exit status: 0 done, 1 the render or join failed or was stopped (or the
window could not start), 2 the command line was wrong or no display could
be opened for the window.
)";
}

}  // namespace kdr::editor::app
