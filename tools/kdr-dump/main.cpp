// kdr-dump: lists the chunks of any chunked file or memory block.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "form_decoders.h"
#include "kaleidra/chunks/chunk_stream.h"

namespace {

using namespace kdr::chunks;

const char* const usage_text =
    "Usage: kdr-dump [--memory] FILE\n"
    "\n"
    "Lists the form identifier and every chunk (identifier, length, offset) of\n"
    "a chunked file, then the status the stream ended with.\n"
    "\n"
    "Options:\n"
    "  --memory    FILE holds a memory block as hosts store it: a 32-bit total\n"
    "              size, the form identifier, then the chunks\n"
    "  -h, --help  show this help\n"
    "\n"
    "Exit status: 0 when the stream ended normally (status 1, end of data),\n"
    "1 when it ended with another status, 2 on a usage error.\n";

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
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(usage_text, stdout);
            return 0;
        }
        if (arg == "--memory") {
            memory = true;
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
