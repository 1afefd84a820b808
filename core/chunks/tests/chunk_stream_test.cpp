#include "kaleidra/chunks/chunk_stream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "kaleidra/testing/temp_folder.h"

namespace kdr::chunks {
namespace {

constexpr ChunkId form_kdre = make_id("KDRE");
constexpr ChunkId form_kdrr = make_id("KDRR");

std::vector<std::uint8_t> bytes_of(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

void write_raw(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> read_raw(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

TEST(ChunkId, IsLittleEndianInReadingOrder) {
    EXPECT_EQ(make_id("RIN0"), 0x304E4952u);
    EXPECT_EQ(id_to_text(make_id("KDRE")), "KDRE");
    EXPECT_EQ(id_from_text("OBJ0"), make_id("OBJ0"));
    EXPECT_EQ(id_to_text(0x00010203u), "....");
}

class ChunkFileTest : public ::testing::Test {
  protected:
    test::TempFolder folder;
    std::filesystem::path file = folder.path() / "effect.kdr";
};

TEST_F(ChunkFileTest, WrittenChunksReadBackInOrder) {
    {
        ChunkStream out = ChunkStream::open_file(ChunkMode::write_file, file, form_kdre);
        ASSERT_EQ(out.status(), ready);
        EXPECT_EQ(out.write_chunk(make_id("ENAM"), 9, "Ballsplt"), ready);
        EXPECT_EQ(out.write_chunk(make_id("BEST"), 4, "\x32\0\0\0"), ready);
        EXPECT_EQ(out.write_chunk(make_id("EMPT"), 0, nullptr), ready);
        EXPECT_EQ(out.block(), nullptr);
        EXPECT_EQ(out.close(), ready);
    }
    EXPECT_EQ(read_raw(file).size(), 4u + 17u + 12u + 8u);

    ChunkStream in = ChunkStream::open_file(ChunkMode::read_file, file, form_kdre);
    ASSERT_EQ(in.status(), ready);
    Chunk chunk;
    ASSERT_EQ(in.read_chunk(chunk), ready);
    EXPECT_EQ(chunk.id, make_id("ENAM"));
    EXPECT_EQ(chunk.length, 9u);
    EXPECT_STREQ(reinterpret_cast<const char*>(chunk.data), "Ballsplt");
    ASSERT_EQ(in.read_chunk(chunk), ready);
    EXPECT_EQ(chunk.id, make_id("BEST"));
    EXPECT_EQ(chunk.data[0], 0x32);
    ASSERT_EQ(in.read_chunk(chunk), ready);
    EXPECT_EQ(chunk.id, make_id("EMPT"));
    EXPECT_EQ(chunk.length, 0u);
    EXPECT_NE(chunk.data, nullptr);  // an empty chunk still has a buffer
    EXPECT_EQ(in.read_chunk(chunk), end_of_data);
    EXPECT_EQ(in.status(), end_of_data);
}

TEST_F(ChunkFileTest, FileWithOnlyTheFormEndsAtTheFirstRead) {
    write_raw(file, bytes_of("KDRE"));
    ChunkStream in = ChunkStream::open_file(ChunkMode::read_file, file, form_kdre);
    ASSERT_EQ(in.status(), ready);
    Chunk chunk;
    EXPECT_EQ(in.read_chunk(chunk), end_of_data);
}

TEST_F(ChunkFileTest, OpenFailuresHaveTheirOwnCodes) {
    EXPECT_EQ(
        ChunkStream::open_file(ChunkMode::read_file, folder.path() / "none", form_kdre).status(),
        open_failed);
    EXPECT_EQ(ChunkStream::open_file(ChunkMode::read_file, folder.path(), form_kdre).status(),
              open_failed);
    EXPECT_EQ(ChunkStream::open_file(ChunkMode::write_file, folder.path() / "no" / "dir", form_kdre)
                  .status(),
              open_failed);
    write_raw(file, bytes_of("KD"));
    EXPECT_EQ(ChunkStream::open_file(ChunkMode::read_file, file, form_kdre).status(), read_failed);
}

TEST_F(ChunkFileTest, WrongFormGivesFourAndNoChunks) {
    write_raw(file, bytes_of("KDRI"
                             "IWID\x04\0\0\0\x10\0\0\0"));
    ChunkStream in = ChunkStream::open_file(ChunkMode::read_file, file, form_kdre);
    EXPECT_EQ(in.status(), wrong_form);
    Chunk chunk;
    EXPECT_EQ(in.read_chunk(chunk), wrong_form);
    EXPECT_EQ(chunk.data, nullptr);
}

// Where a file stops decides how reading ends: inside an identifier is the
// normal end of data, inside a length or the data is a failed read.
TEST_F(ChunkFileTest, CutFilesEndByWhereTheyWereCut) {
    const std::string whole = std::string("KDRE") + "ENAM" + std::string("\x03\0\0\0", 4) + "abc";
    struct Case {
        std::size_t size;
        int end_status;
        int chunks;
    };
    const Case cases[] = {
        {4, end_of_data, 0},  {6, end_of_data, 0},  {8, read_failed, 0},  {10, read_failed, 0},
        {12, read_failed, 0}, {14, read_failed, 0}, {15, end_of_data, 1},
    };
    for (const Case& c : cases) {
        write_raw(file, bytes_of(whole.substr(0, c.size)));
        ChunkStream in = ChunkStream::open_file(ChunkMode::read_file, file, form_kdre);
        ASSERT_EQ(in.status(), ready);
        int chunks = 0;
        Chunk chunk;
        while (in.read_chunk(chunk) == ready) {
            ++chunks;
        }
        EXPECT_EQ(in.status(), c.end_status) << "cut at " << c.size;
        EXPECT_EQ(chunks, c.chunks) << "cut at " << c.size;
    }
}

TEST_F(ChunkFileTest, HugeLengthIsRefusedWithoutAllocating) {
    write_raw(file,
              bytes_of(std::string("KDRE") + "OBJ0" + std::string("\xff\xff\xff\xff", 4) + "xx"));
    ChunkStream in = ChunkStream::open_file(ChunkMode::read_file, file, form_kdre);
    Chunk chunk;
    EXPECT_EQ(in.read_chunk(chunk), read_failed);
}

TEST_F(ChunkFileTest, FailedWriteLeavesTheOldFileInPlace) {
    write_raw(file, bytes_of(std::string("KDRE") + "OLD0" + std::string(4, '\0')));
    {
        ChunkStream out = ChunkStream::open_file(ChunkMode::write_file, file, form_kdre);
        ASSERT_EQ(out.write_chunk(make_id("NEW0"), 0, nullptr), ready);
        EXPECT_EQ(out.write_chunk(make_id("BAD0"), 5, nullptr), not_allowed);
        EXPECT_EQ(out.close(), not_allowed);
    }
    EXPECT_EQ(read_raw(file), bytes_of(std::string("KDRE") + "OLD0" + std::string(4, '\0')));
}

TEST_F(ChunkFileTest, ModeMisuseGivesSevenAndChangesNothing) {
    write_raw(file, bytes_of("KDRE"));
    ChunkStream in = ChunkStream::open_file(ChunkMode::read_file, file, form_kdre);
    EXPECT_EQ(in.write_chunk(make_id("ENAM"), 1, "x"), not_allowed);
    EXPECT_EQ(in.status(), ready);
    Chunk chunk;
    EXPECT_EQ(in.read_chunk(chunk), end_of_data);

    ChunkStream out = ChunkStream::open_memory_writer(form_kdrr);
    EXPECT_EQ(out.read_chunk(chunk), not_allowed);
    EXPECT_EQ(out.status(), ready);
    EXPECT_EQ(out.block_size(), 8u);
}

TEST(ChunkMemory, EmptyBlockHasSizeEight) {
    ChunkStream out = ChunkStream::open_memory_writer(form_kdrr);
    ASSERT_EQ(out.status(), ready);
    EXPECT_EQ(out.block_size(), 8u);
    std::vector<std::uint8_t> block = out.copy_block();
    ASSERT_EQ(block.size(), 8u);
    EXPECT_EQ(std::memcmp(block.data(), "\x08\0\0\0KDRR", 8), 0);
}

TEST(ChunkMemory, LengthsOneThreeFiveMakeAFortyOneByteBlock) {
    ChunkStream out = ChunkStream::open_memory_writer(form_kdrr);
    EXPECT_EQ(out.write_chunk(make_id("AAAA"), 1, "a"), ready);
    EXPECT_EQ(out.write_chunk(make_id("BBBB"), 3, "bbb"), ready);
    EXPECT_EQ(out.write_chunk(make_id("CCCC"), 5, "ccccc"), ready);
    EXPECT_EQ(out.block_size(), 41u);
    std::vector<std::uint8_t> block = out.copy_block();
    ASSERT_EQ(block.size(), 41u);
    EXPECT_EQ(block[0], 41);

    ChunkStream in = ChunkStream::open_memory_reader(block.data(), block.size(), form_kdrr);
    ASSERT_EQ(in.status(), ready);
    EXPECT_EQ(in.block(), block.data());
    EXPECT_EQ(in.block_size(), 41u);
    std::string seen;
    Chunk chunk;
    while (in.read_chunk(chunk) == ready) {
        seen += id_to_text(chunk.id) + ":" +
                std::string(reinterpret_cast<const char*>(chunk.data), chunk.length) + " ";
    }
    EXPECT_EQ(in.status(), end_of_data);
    EXPECT_EQ(seen, "AAAA:a BBBB:bbb CCCC:ccccc ");
    EXPECT_EQ(out.close(), ready);
    EXPECT_EQ(out.block(), nullptr);  // close frees the written block
}

TEST(ChunkMemory, WrongFormAndBadHeadersAreRefused) {
    std::vector<std::uint8_t> block = bytes_of(std::string("\x08\0\0\0", 4) + "KDRE");
    EXPECT_EQ(ChunkStream::open_memory_reader(block.data(), block.size(), form_kdrr).status(),
              wrong_form);
    EXPECT_EQ(ChunkStream::open_memory_reader(nullptr, 0, form_kdrr).status(), read_failed);
    EXPECT_EQ(ChunkStream::open_memory_reader(block.data(), 7, form_kdrr).status(), read_failed);
    std::vector<std::uint8_t> tiny = bytes_of(std::string("\x04\0\0\0", 4) + "KDRR");
    EXPECT_EQ(ChunkStream::open_memory_reader(tiny.data(), tiny.size(), form_kdrr).status(),
              read_failed);
}

// A block whose chunk header or data runs past its total size ends with a
// failed read and is never read past.
TEST(ChunkMemory, ChunksRunningPastTheBlockEndWithThree) {
    std::string body = "KDRR" + std::string("RIN0\x05\0\0\0", 8) + "hello";
    struct Case {
        std::uint32_t total;
        int end_status;
        int chunks;
    };
    const Case cases[] = {{8, end_of_data, 0},
                          {12, read_failed, 0},
                          {16, read_failed, 0},
                          {20, read_failed, 0},
                          {21, end_of_data, 1}};
    for (const Case& c : cases) {
        // Hand the reader exactly `total` bytes, so any overread would leave
        // the allocation and be caught by the address sanitizer.
        std::vector<std::uint8_t> block(c.total);
        std::string whole = std::string(4, '\0') + body;
        std::memcpy(block.data(), whole.data(), std::min<std::size_t>(c.total, whole.size()));
        std::memcpy(block.data(), &c.total, 4);
        ChunkStream in = ChunkStream::open_memory_reader(block.data(), block.size(), form_kdrr);
        ASSERT_EQ(in.status(), ready);
        int chunks = 0;
        Chunk chunk;
        while (in.read_chunk(chunk) == ready) {
            ++chunks;
        }
        EXPECT_EQ(in.status(), c.end_status) << "total " << c.total;
        EXPECT_EQ(chunks, c.chunks) << "total " << c.total;
    }
}

TEST(ChunkMemory, SizeWordLargerThanTheBufferIsCutToTheBuffer) {
    std::string whole =
        std::string("\xff\0\0\0", 4) + "KDRR" + std::string("ENAM\x02\0\0\0", 8) + "ab";
    std::vector<std::uint8_t> block = bytes_of(whole);
    ChunkStream in = ChunkStream::open_memory_reader(block.data(), block.size(), form_kdrr);
    Chunk chunk;
    EXPECT_EQ(in.read_chunk(chunk), ready);
    EXPECT_EQ(in.read_chunk(chunk), end_of_data);
}

TEST(ChunkMemory, BufferStaysValidUntilTheNextRead) {
    ChunkStream out = ChunkStream::open_memory_writer(form_kdrr);
    ASSERT_EQ(out.write_chunk(make_id("AAAA"), 3, "xyz"), ready);
    std::vector<std::uint8_t> block = out.copy_block();
    ChunkStream in = ChunkStream::open_memory_reader(block.data(), block.size(), form_kdrr);
    Chunk chunk;
    ASSERT_EQ(in.read_chunk(chunk), ready);
    // The stream copies: changing the caller's block does not change the chunk.
    block[16] = 'Q';
    EXPECT_EQ(chunk.data[0], 'x');
    EXPECT_EQ(chunk.data[3], 0);  // zero-filled, one byte spare
}

}  // namespace
}  // namespace kdr::chunks
