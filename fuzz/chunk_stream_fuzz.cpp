// Reads arbitrary bytes as a chunked memory block and as a chunked file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "kaleidra/chunks/chunk_stream.h"

using namespace kdr::chunks;

namespace {

std::string temporary_file() {
    static const std::string name = "/tmp/kdr-chunk-fuzz-" + std::to_string(::getpid());
    return name;
}

void drain(ChunkStream& stream) {
    Chunk chunk;
    std::uint32_t checksum = 0;
    while (stream.read_chunk(chunk) == ready) {
        // Touch every byte so an overread of the chunk buffer would show.
        for (std::uint32_t i = 0; i < chunk.length; ++i) {
            checksum += chunk.data[i];
        }
    }
    if (stream.status() == ready) {
        __builtin_trap();  // a read loop must always end with a non-zero status
    }
    (void)checksum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ChunkId form = 0;
    if (size >= 8) {
        form = static_cast<ChunkId>(data[4]) | static_cast<ChunkId>(data[5]) << 8 |
               static_cast<ChunkId>(data[6]) << 16 | static_cast<ChunkId>(data[7]) << 24;
    }
    ChunkStream memory = ChunkStream::open_memory_reader(data, size, form);
    drain(memory);

    std::FILE* file = std::fopen(temporary_file().c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    ChunkId file_form = 0;
    if (size >= 4) {
        file_form = static_cast<ChunkId>(data[0]) | static_cast<ChunkId>(data[1]) << 8 |
                    static_cast<ChunkId>(data[2]) << 16 | static_cast<ChunkId>(data[3]) << 24;
    }
    ChunkStream stream = ChunkStream::open_file(ChunkMode::read_file, temporary_file(), file_form);
    drain(stream);
    return 0;
}
