// kdr-dump: lists the chunks of any chunked file or memory block, and
// evaluates effects at a completion.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "eval_command.h"
#include "form_decoders.h"
#include "kaleidra/chunks/chunk_stream.h"

namespace {

using namespace kdr::chunks;

const char* const usage_text =
    "Usage: kdr-dump [--memory] FILE\n"
    "       kdr-dump --eval EFFECT --at X [--settings KDRR] [--frame P/N]\n"
    "\n"
    "Lists the form identifier and every chunk (identifier, length, offset) of\n"
    "a chunked file, then the status the stream ended with. Effect files\n"
    "(KDRE) and settings blocks (KDRR) are decoded chunk by chunk: header\n"
    "values, one line per item, the settings' non-zero values by meaning.\n"
    "Envelope files (KENV) and path files (KPTH) show the item's ids, link\n"
    "and parameter, then one line per key.\n"
    "\n"
    "With --eval, builds the frame scene of the effect file EFFECT at\n"
    "completion X (0..1) and prints every item as the renderer would get it,\n"
    "after paths, envelopes, morphs and trails.\n"
    "\n"
    "Options:\n"
    "  --memory         FILE holds a memory block as hosts store it: a 32-bit\n"
    "                   total size, the form identifier, then the chunks\n"
    "  --eval EFFECT    evaluate the effect file EFFECT\n"
    "  --at X           the completion to evaluate at, 0..1\n"
    "  --settings KDRR  a stored settings file or block (memory form) whose\n"
    "                   values and own envelopes and paths apply\n"
    "  --frame P/N      frame P of N, with pictures in the effect's video\n"
    "                   slots, so trails are made\n"
    "  -h, --help       show this help\n"
    "\n"
    "Exit status: 0 when the stream ended normally (status 1, end of data) or\n"
    "the frame scene was built, 1 when the stream ended with another status or\n"
    "the effect could not be evaluated, 2 on a usage error.\n";

int usage_error(const std::string& message) {
    std::fprintf(stderr, "kdr-dump: %s\nTry 'kdr-dump --help'.\n", message.c_str());
    return 2;
}

bool parse_completion(const std::string& text, float& value) {
    char* end = nullptr;
    errno = 0;
    const float parsed = std::strtof(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno != 0 || !(parsed >= 0 && parsed <= 1)) {
        return false;
    }
    value = parsed;
    return true;
}

bool parse_frame(const std::string& text, kdr::dump::EvalOptions& options) {
    unsigned long position = 0;
    unsigned long total = 0;
    char extra = 0;
    if (std::sscanf(text.c_str(), "%lu/%lu%c", &position, &total, &extra) != 2 || total == 0 ||
        position > 0xFFFFFFFFul || total > 0xFFFFFFFFul) {
        return false;
    }
    options.position = static_cast<std::uint32_t>(position);
    options.total = static_cast<std::uint32_t>(total);
    return true;
}

std::uint32_t word_at(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    std::uint32_t word = 0;
    for (std::size_t i = 0; i < 4 && offset + i < bytes.size(); ++i) {
        word |= static_cast<std::uint32_t>(bytes[offset + i]) << (8 * i);
    }
    return word;
}

}  // namespace

int main(int argc, char** argv) {
    bool memory = false;
    std::string file;
    kdr::dump::EvalOptions eval;
    bool evaluate = false;
    bool have_completion = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(usage_text, stdout);
            return 0;
        }
        const bool takes_value =
            arg == "--eval" || arg == "--at" || arg == "--settings" || arg == "--frame";
        if (takes_value && i + 1 >= argc) {
            return usage_error(arg + " needs a value");
        }
        if (arg == "--memory") {
            memory = true;
        } else if (arg == "--eval") {
            evaluate = true;
            eval.effect_file = argv[++i];
        } else if (arg == "--at") {
            if (!parse_completion(argv[++i], eval.completion)) {
                return usage_error(std::string("--at takes a completion from 0 to 1, not \"") +
                                   argv[i] + "\"");
            }
            have_completion = true;
        } else if (arg == "--settings") {
            eval.settings_file = argv[++i];
        } else if (arg == "--frame") {
            if (!parse_frame(argv[++i], eval)) {
                return usage_error(std::string("--frame takes POSITION/TOTAL with TOTAL above 0, "
                                               "not \"") +
                                   argv[i] + "\"");
            }
        } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
            std::fprintf(stderr, "kdr-dump: unknown option \"%s\"\nTry 'kdr-dump --help'.\n",
                         arg.c_str());
            return 2;
        } else if (file.empty()) {
            file = arg;
        } else {
            std::fprintf(stderr, "kdr-dump: only one file at a time\n");
            return 2;
        }
    }
    if (evaluate) {
        if (!have_completion) {
            return usage_error("--eval needs --at X");
        }
        if (!file.empty() || memory) {
            return usage_error("--eval takes no other file and no --memory");
        }
        return kdr::dump::run_eval(eval);
    }
    if (have_completion || !eval.settings_file.empty() || eval.position) {
        return usage_error("--at, --settings and --frame go with --eval");
    }
    if (file.empty()) {
        std::fprintf(stderr, "kdr-dump: no file given\nTry 'kdr-dump --help'.\n");
        return 2;
    }

    // The form is whatever the file says; the stream checks it against itself.
    std::vector<std::uint8_t> contents;
    {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "kdr-dump: cannot open \"%s\": %s\n", file.c_str(),
                         std::strerror(errno));
            return 1;
        }
        if (memory) {
            contents.assign(std::istreambuf_iterator<char>(in), {});
        } else {
            contents.resize(4);
            in.read(reinterpret_cast<char*>(contents.data()), 4);
            contents.resize(static_cast<std::size_t>(in.gcount()));
        }
    }
    ChunkId form = word_at(contents, memory ? 4 : 0);
    ChunkStream stream =
        memory ? ChunkStream::open_memory_reader(contents.data(), contents.size(), form)
               : ChunkStream::open_file(ChunkMode::read_file, file, form);
    if (stream.status() == ready) {
        std::printf("form %s", id_to_text(form).c_str());
        if (memory) {
            std::printf("  block size %u (file holds %zu bytes)", word_at(contents, 0),
                        contents.size());
        }
        std::printf("\n");
    }
    std::unique_ptr<kdr::dump::FormDecoder> decoder = kdr::dump::decoder_for(form);
    std::uint64_t offset = memory ? 8 : 4;
    int chunk_count = 0;
    Chunk chunk;
    while (stream.status() == ready && stream.read_chunk(chunk) == ready) {
        std::printf("  %s  length %10u  offset %10llu\n", id_to_text(chunk.id).c_str(),
                    chunk.length, static_cast<unsigned long long>(offset));
        if (decoder) {
            for (const std::string& line : decoder->describe(chunk)) {
                std::printf("        %s\n", line.c_str());
            }
        }
        offset += 8ull + chunk.length;
        ++chunk_count;
    }
    if (decoder) {
        for (const std::string& line : decoder->finish()) {
            std::printf("%s\n", line.c_str());
        }
    }
    int status = stream.status();
    std::printf("%d chunk%s, status %d: %s\n", chunk_count, chunk_count == 1 ? "" : "s", status,
                chunk_status_text(status));
    if (status != end_of_data) {
        std::fprintf(stderr, "kdr-dump: \"%s\" ended with status %d: %s\n", file.c_str(), status,
                     chunk_status_text(status));
        return 1;
    }
    return 0;
}
