#pragma once
// The chunked container: a four-character form identifier followed by
// chunks, each a four-character identifier, a 32-bit length and that many
// bytes, little-endian, without padding, nesting or end marker.
//
// One ChunkStream reads or writes the container in a file or in a memory
// block. In memory the block starts with its own total size (that word and
// the form identifier included), so a host can keep it as an opaque blob.
//
// Every operation ends in a status code (ChunkStatus); readers loop while the
// status is `ready` and stop at the first other status, `end_of_data` being
// the normal end. A stream is used by one thread at a time.
//
// Writing a file goes to a temporary file beside the target, which replaces
// the target on close() only when every write succeeded; a failed or
// abandoned write leaves the old file as it was.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "kaleidra/chunks/chunk_id.h"

namespace kdr::platform {
class AtomicFileWriter;
}

namespace kdr::chunks {

enum class ChunkMode { read_file, write_file, read_memory, write_memory };

// The status codes of the container; their numbers are part of the format.
enum ChunkStatus : int {
    ready = 0,              // last operation succeeded
    end_of_data = 1,        // no further chunk
    open_failed = 2,        // the file could not be opened or created
    read_failed = 3,        // a read failed or returned fewer bytes than asked
    wrong_form = 4,         // the form identifier is not the expected one
    form_write_failed = 5,  // writing the form identifier to a new file failed
    out_of_memory = 6,
    not_allowed = 7,  // wrong mode for the operation, or a chunk write to a file failed
};

const char* chunk_status_text(int status);

struct Chunk {
    ChunkId id = 0;
    std::uint32_t length = 0;
    // Zero-filled, never null (also for length 0); owned by the stream and
    // valid until the next read or close.
    const std::uint8_t* data = nullptr;
};

class ChunkStream {
  public:
    // Read file: `form` is the expected form identifier.
    // Write file: creates (replaces) the file with form `form`.
    static ChunkStream open_file(ChunkMode mode, const std::filesystem::path& file, ChunkId form);

    // Read memory: the caller's block, which stays the caller's and must
    // outlive the stream. Its first word is its total size; `available`
    // is how many bytes the caller actually holds (the reader never goes
    // past the smaller of the two).
    static ChunkStream open_memory_reader(const void* block, std::size_t available, ChunkId form);
    // Write memory: a new block holding only the size word and the form.
    static ChunkStream open_memory_writer(ChunkId form);

    ChunkStream(ChunkStream&& other) noexcept;
    ChunkStream& operator=(ChunkStream&& other) noexcept;
    ChunkStream(const ChunkStream&) = delete;
    ChunkStream& operator=(const ChunkStream&) = delete;
    ~ChunkStream();

    ChunkMode mode() const { return m_mode; }
    int status() const { return m_status; }

    // Reads the next chunk into `chunk` and returns the new status. In a write
    // mode returns not_allowed and changes nothing.
    int read_chunk(Chunk& chunk);  // after a non-ready status, returns it again
    // Appends a chunk and returns the new status. In a read mode returns
    // not_allowed and changes nothing.
    int write_chunk(ChunkId id, std::uint32_t length, const void* data);

    // The memory block (the caller's when reading, the written block when
    // writing) and its total size; null and 0 for files and after close.
    const std::uint8_t* block() const;
    std::uint32_t block_size() const;
    // A copy of the written block, for handing to a host.
    std::vector<std::uint8_t> copy_block() const;

    // Closes the file (committing a written file when no write failed),
    // frees the last chunk buffer and, when writing memory, the block.
    // Returns the final status: a written file that could not replace its
    // target reports not_allowed.
    int close();

  private:
    explicit ChunkStream(ChunkMode mode);
    int read_file_chunk(Chunk& chunk);
    int read_memory_chunk(Chunk& chunk);
    bool allocate_chunk_buffer(std::uint32_t length);

    ChunkMode m_mode;
    int m_status = ready;
    std::FILE* m_file = nullptr;
    std::uint64_t m_file_remaining = 0;
    std::unique_ptr<platform::AtomicFileWriter> m_writer;
    bool m_write_failed = false;
    std::unique_ptr<std::uint8_t[]> m_chunk_buffer;
    const std::uint8_t* m_read_block = nullptr;
    std::size_t m_cursor = 0;
    std::size_t m_end = 0;
    std::vector<std::uint8_t> m_written_block;
};

}  // namespace kdr::chunks
