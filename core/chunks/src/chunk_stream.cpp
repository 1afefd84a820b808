#include "kaleidra/chunks/chunk_stream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "kaleidra/platform/atomic_file.h"

namespace kdr::chunks {
namespace {

std::uint32_t load_u32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void store_u32(std::uint8_t* bytes, std::uint32_t value) {
    bytes[0] = static_cast<std::uint8_t>(value);
    bytes[1] = static_cast<std::uint8_t>(value >> 8);
    bytes[2] = static_cast<std::uint8_t>(value >> 16);
    bytes[3] = static_cast<std::uint8_t>(value >> 24);
}

bool is_read_mode(ChunkMode mode) {
    return mode == ChunkMode::read_file || mode == ChunkMode::read_memory;
}

}  // namespace

const char* chunk_status_text(int status) {
    switch (status) {
        case ready:
            return "ready";
        case end_of_data:
            return "end of data";
        case open_failed:
            return "the file could not be opened or created";
        case read_failed:
            return "a read failed or returned fewer bytes than asked";
        case wrong_form:
            return "the form identifier is not the expected one";
        case form_write_failed:
            return "writing the form identifier failed";
        case out_of_memory:
            return "out of memory";
        case not_allowed:
            return "operation not allowed in this mode, or a chunk write failed";
        default:
            return "unknown status";
    }
}

ChunkStream::ChunkStream(ChunkMode mode) : m_mode(mode) {}

ChunkStream::ChunkStream(ChunkStream&& other) noexcept
    : m_mode(other.m_mode),
      m_status(other.m_status),
      m_file(std::exchange(other.m_file, nullptr)),
      m_file_remaining(other.m_file_remaining),
      m_writer(std::move(other.m_writer)),
      m_write_failed(other.m_write_failed),
      m_chunk_buffer(std::move(other.m_chunk_buffer)),
      m_read_block(std::exchange(other.m_read_block, nullptr)),
      m_cursor(other.m_cursor),
      m_end(std::exchange(other.m_end, 0)),
      m_written_block(std::move(other.m_written_block)) {}

ChunkStream& ChunkStream::operator=(ChunkStream&& other) noexcept {
    if (this != &other) {
        close();
        m_mode = other.m_mode;
        m_status = other.m_status;
        m_file = std::exchange(other.m_file, nullptr);
        m_file_remaining = other.m_file_remaining;
        m_writer = std::move(other.m_writer);
        m_write_failed = other.m_write_failed;
        m_chunk_buffer = std::move(other.m_chunk_buffer);
        m_read_block = std::exchange(other.m_read_block, nullptr);
        m_cursor = other.m_cursor;
        m_end = std::exchange(other.m_end, 0);
        m_written_block = std::move(other.m_written_block);
    }
    return *this;
}

ChunkStream::~ChunkStream() {
    close();
}

ChunkStream ChunkStream::open_file(ChunkMode mode, const std::filesystem::path& file,
                                   ChunkId form) {
    ChunkStream stream(mode);
    if (mode == ChunkMode::read_file) {
        stream.m_file = std::fopen(file.c_str(), "rb");
        struct stat info {};
        if (stream.m_file == nullptr || ::fstat(::fileno(stream.m_file), &info) != 0 ||
            S_ISDIR(info.st_mode)) {
            stream.m_status = open_failed;
            return stream;
        }
        stream.m_file_remaining = static_cast<std::uint64_t>(info.st_size);
        std::uint8_t word[4];
        if (std::fread(word, 1, 4, stream.m_file) != 4) {
            stream.m_status = read_failed;
            return stream;
        }
        stream.m_file_remaining -= 4;
        stream.m_status = load_u32(word) == form ? ready : wrong_form;
        return stream;
    }
    if (mode == ChunkMode::write_file) {
        stream.m_writer = std::make_unique<platform::AtomicFileWriter>(file);
        int fd = -1;
        if (stream.m_writer->open()) {
            fd = ::dup(stream.m_writer->descriptor());
        }
        if (fd >= 0) {
            stream.m_file = ::fdopen(fd, "wb");
            if (stream.m_file == nullptr) {
                ::close(fd);
            }
        }
        if (stream.m_file == nullptr) {
            stream.m_writer.reset();
            stream.m_status = open_failed;
            return stream;
        }
        std::uint8_t word[4];
        store_u32(word, form);
        if (std::fwrite(word, 1, 4, stream.m_file) != 4) {
            stream.m_write_failed = true;
            stream.m_status = form_write_failed;
            return stream;
        }
        stream.m_status = ready;
        return stream;
    }
    stream.m_status = not_allowed;
    return stream;
}

ChunkStream ChunkStream::open_memory_reader(const void* block, std::size_t available,
                                            ChunkId form) {
    ChunkStream stream(ChunkMode::read_memory);
    const auto* bytes = static_cast<const std::uint8_t*>(block);
    if (bytes == nullptr || available < 8) {
        stream.m_status = read_failed;
        return stream;
    }
    std::uint32_t total = load_u32(bytes);
    if (total < 8) {
        stream.m_status = read_failed;
        return stream;
    }
    stream.m_read_block = bytes;
    // A size word that claims more than the caller holds is cut to what is
    // there; the last chunk then ends short and reading ends with read_failed.
    stream.m_end = std::min<std::size_t>(total, available);
    stream.m_cursor = 8;
    stream.m_status = load_u32(bytes + 4) == form ? ready : wrong_form;
    return stream;
}

ChunkStream ChunkStream::open_memory_writer(ChunkId form) {
    ChunkStream stream(ChunkMode::write_memory);
    try {
        stream.m_written_block.resize(8);
    } catch (const std::bad_alloc&) {
        stream.m_status = out_of_memory;
        return stream;
    }
    store_u32(stream.m_written_block.data(), 8);
    store_u32(stream.m_written_block.data() + 4, form);
    stream.m_status = ready;
    return stream;
}

bool ChunkStream::allocate_chunk_buffer(std::uint32_t length) {
    m_chunk_buffer.reset();
    // One byte more than asked, so an empty chunk still has a valid pointer
    // and text chunks that lack a terminator can be read as strings.
    m_chunk_buffer.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(length) + 1]());
    return m_chunk_buffer != nullptr;
}

int ChunkStream::read_chunk(Chunk& chunk) {
    if (!is_read_mode(m_mode)) {
        return not_allowed;
    }
    // A stream that has ended or failed stays that way.
    if (m_status != ready) {
        return m_status;
    }
    m_chunk_buffer.reset();
    if (m_mode == ChunkMode::read_file) {
        m_status = read_file_chunk(chunk);
    } else {
        m_status = read_memory_chunk(chunk);
    }
    return m_status;
}

int ChunkStream::read_file_chunk(Chunk& chunk) {
    if (m_file == nullptr) {
        return read_failed;
    }
    std::uint8_t header[4];
    if (std::fread(header, 1, 4, m_file) != 4) {
        return end_of_data;
    }
    m_file_remaining -= std::min<std::uint64_t>(m_file_remaining, 4);
    ChunkId id = load_u32(header);
    if (std::fread(header, 1, 4, m_file) != 4) {
        return read_failed;
    }
    m_file_remaining -= std::min<std::uint64_t>(m_file_remaining, 4);
    std::uint32_t length = load_u32(header);
    // A length beyond the end of the file can never be satisfied; refuse it
    // before allocating anything.
    if (length > m_file_remaining) {
        return read_failed;
    }
    if (!allocate_chunk_buffer(length)) {
        return out_of_memory;
    }
    if (length > 0 && std::fread(m_chunk_buffer.get(), 1, length, m_file) != length) {
        return read_failed;
    }
    m_file_remaining -= length;
    chunk.id = id;
    chunk.length = length;
    chunk.data = m_chunk_buffer.get();
    return ready;
}

int ChunkStream::read_memory_chunk(Chunk& chunk) {
    if (m_read_block == nullptr) {
        return read_failed;
    }
    if (m_cursor >= m_end) {
        return end_of_data;
    }
    if (m_end - m_cursor < 8) {
        return read_failed;
    }
    ChunkId id = load_u32(m_read_block + m_cursor);
    std::uint32_t length = load_u32(m_read_block + m_cursor + 4);
    if (length > m_end - m_cursor - 8) {
        return read_failed;
    }
    if (!allocate_chunk_buffer(length)) {
        return out_of_memory;
    }
    std::memcpy(m_chunk_buffer.get(), m_read_block + m_cursor + 8, length);
    m_cursor += 8 + static_cast<std::size_t>(length);
    chunk.id = id;
    chunk.length = length;
    chunk.data = m_chunk_buffer.get();
    return ready;
}

int ChunkStream::write_chunk(ChunkId id, std::uint32_t length, const void* data) {
    if (is_read_mode(m_mode)) {
        return not_allowed;
    }
    // Writers stop at the first failed write.
    if (m_status != ready) {
        return m_status;
    }
    if (length > 0 && data == nullptr) {
        return m_status = not_allowed;
    }
    std::uint8_t header[8];
    store_u32(header, id);
    store_u32(header + 4, length);
    if (m_mode == ChunkMode::write_file) {
        if (m_file == nullptr || std::fwrite(header, 1, 8, m_file) != 8 ||
            (length > 0 && std::fwrite(data, 1, length, m_file) != length)) {
            m_write_failed = true;
            return m_status = not_allowed;
        }
        return m_status = ready;
    }
    if (m_written_block.size() < 8) {
        return m_status = out_of_memory;
    }
    const std::uint64_t new_size = m_written_block.size() + 8ull + length;
    if (new_size > std::numeric_limits<std::uint32_t>::max()) {
        return m_status = out_of_memory;
    }
    try {
        // Grows geometrically; the old block stays intact when this fails.
        m_written_block.reserve(static_cast<std::size_t>(new_size));
    } catch (const std::bad_alloc&) {
        return m_status = out_of_memory;
    }
    m_written_block.insert(m_written_block.end(), header, header + 8);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (length > 0) {
        m_written_block.insert(m_written_block.end(), bytes, bytes + length);
    }
    store_u32(m_written_block.data(), static_cast<std::uint32_t>(new_size));
    return m_status = ready;
}

const std::uint8_t* ChunkStream::block() const {
    if (m_mode == ChunkMode::read_memory) {
        return m_read_block;
    }
    if (m_mode == ChunkMode::write_memory && !m_written_block.empty()) {
        return m_written_block.data();
    }
    return nullptr;
}

std::uint32_t ChunkStream::block_size() const {
    const std::uint8_t* bytes = block();
    return bytes != nullptr ? load_u32(bytes) : 0;
}

std::vector<std::uint8_t> ChunkStream::copy_block() const {
    if (m_mode == ChunkMode::write_memory) {
        return m_written_block;
    }
    return {};
}

int ChunkStream::close() {
    m_chunk_buffer.reset();
    if (m_mode == ChunkMode::write_file && m_writer) {
        bool flushed = m_file != nullptr && std::fflush(m_file) == 0;
        if (m_file != nullptr) {
            flushed = (std::fclose(m_file) == 0) && flushed;
            m_file = nullptr;
        }
        if (flushed && !m_write_failed && m_status == ready) {
            if (!m_writer->commit()) {
                m_status = not_allowed;
            }
        } else {
            m_writer->discard();
            if (m_status == ready) {
                m_status = not_allowed;
            }
        }
        m_writer.reset();
    }
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    m_read_block = nullptr;
    m_cursor = m_end = 0;
    if (m_mode == ChunkMode::write_memory) {
        m_written_block.clear();
        m_written_block.shrink_to_fit();
    }
    return m_status;
}

}  // namespace kdr::chunks
