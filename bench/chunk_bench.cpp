// Reading the chunked container: a stored settings block in memory (as a
// host hands it over for every frame's settings) and an effect-sized file
// from the page cache, both as streams of small chunks (the item records of
// a scene) and of large ones (texture pixels). Each read chunk is copied
// into a buffer the stream owns and zero-filled first, so the figures show
// that cost against the bytes read.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/testing/temp_folder.h"

namespace {

using namespace kdr::chunks;

constexpr ChunkId form = make_id("KDRR");

// A block of `count` chunks of `length` bytes.
std::vector<std::uint8_t> make_block(std::uint32_t count, std::uint32_t length) {
    ChunkStream stream = ChunkStream::open_memory_writer(form);
    std::vector<std::uint8_t> data(length);
    for (std::uint32_t i = 0; i < length; ++i) {
        data[i] = static_cast<std::uint8_t>(i * 13);
    }
    constexpr ChunkId item = make_id("ITEM");
    constexpr ChunkId keys = make_id("KEYS");
    for (std::uint32_t i = 0; i < count; ++i) {
        stream.write_chunk(i % 2 == 0 ? item : keys, length, data.data());
    }
    return stream.copy_block();
}

std::int64_t read_all(ChunkStream& stream) {
    std::int64_t bytes = 0;
    Chunk chunk;
    while (stream.read_chunk(chunk) == ready) {
        bytes += chunk.length;
        benchmark::DoNotOptimize(chunk.data);
    }
    return bytes;
}

void memory_block(benchmark::State& state) {
    const auto count = static_cast<std::uint32_t>(state.range(0));
    const auto length = static_cast<std::uint32_t>(state.range(1));
    const std::vector<std::uint8_t> block = make_block(count, length);
    std::int64_t bytes = 0;
    for (auto _ : state) {
        ChunkStream stream = ChunkStream::open_memory_reader(block.data(), block.size(), form);
        bytes += read_all(stream);
    }
    state.SetBytesProcessed(bytes);
    state.counters["chunks"] =
        benchmark::Counter(double(count) * double(state.iterations()), benchmark::Counter::kIsRate);
}

void file(benchmark::State& state) {
    const auto count = static_cast<std::uint32_t>(state.range(0));
    const auto length = static_cast<std::uint32_t>(state.range(1));
    kdr::test::TempFolder folder;
    const auto path = folder.path() / "chunks.KDR";
    {
        ChunkStream writer = ChunkStream::open_file(ChunkMode::write_file, path, form);
        std::vector<std::uint8_t> data(length, 7);
        for (std::uint32_t i = 0; i < count; ++i) {
            writer.write_chunk(make_id("ITEM"), length, data.data());
        }
        if (writer.close() != ready) {
            state.SkipWithError("cannot write the file");
            return;
        }
    }
    std::int64_t bytes = 0;
    for (auto _ : state) {
        ChunkStream stream = ChunkStream::open_file(ChunkMode::read_file, path, form);
        bytes += read_all(stream);
    }
    state.SetBytesProcessed(bytes);
    state.counters["chunks"] =
        benchmark::Counter(double(count) * double(state.iterations()), benchmark::Counter::kIsRate);
}

// A settings block: a few hundred small chunks; an effect file: thousands
// of item records; a texture: a few chunks of a megabyte.
BENCHMARK(memory_block)->Args({300, 48})->Args({4000, 64})->Args({4, 1 << 20});
BENCHMARK(file)->Args({4000, 64})->Args({4, 1 << 20});

}  // namespace
