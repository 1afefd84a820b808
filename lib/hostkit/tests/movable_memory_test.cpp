#include "kaleidra/hostkit/movable_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace kdr::hostkit {
namespace {

TEST(MovableMemory, AllocatesZeroFilledBlocksOfTheirSize) {
    MovableHandle block = movable_allocate(14400);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(movable_size(block), 14400u);
    auto* bytes = static_cast<std::uint8_t*>(movable_lock(block));
    ASSERT_NE(bytes, nullptr);
    for (std::size_t i = 0; i < 14400; ++i) {
        ASSERT_EQ(bytes[i], 0) << i;
    }
    bytes[14399] = 7;  // the whole size is usable
    EXPECT_EQ(movable_lock_count(block), 1u);
    EXPECT_EQ(movable_lock(block), bytes) << "blocks never move";
    movable_unlock(block);
    movable_unlock(block);
    movable_unlock(block);
    EXPECT_EQ(movable_lock_count(block), 0u) << "unlocking stops at 0";
    movable_free(block);
}

TEST(MovableMemory, TheHeaderIsTheDocumentedOne) {
    // A host of its own making reads the size at the handle.
    MovableHandle block = movable_allocate(20);
    ASSERT_NE(block, nullptr);
    std::uint32_t words[4];
    std::memcpy(words, block, sizeof words);
    EXPECT_EQ(words[0], 20u);
    EXPECT_EQ(words[1], 0u);
    EXPECT_EQ(std::memcmp(&words[2], "KMOV", 4), 0);
    EXPECT_EQ(static_cast<std::uint8_t*>(movable_lock(block)),
              static_cast<std::uint8_t*>(block) + 16);
    movable_free(block);
}

TEST(MovableMemory, RefusesSizesOutOfRangeAndForeignHandles) {
    EXPECT_EQ(movable_allocate(0), nullptr);
    EXPECT_EQ(movable_allocate(std::size_t{movable_block_limit} + 1), nullptr);
    EXPECT_EQ(movable_size(nullptr), 0u);
    EXPECT_EQ(movable_lock(nullptr), nullptr);
    movable_unlock(nullptr);
    movable_free(nullptr);

    // A block the C library made, without the header's mark.
    void* foreign = std::calloc(1, 64);
    ASSERT_NE(foreign, nullptr);
    std::memset(foreign, 0x41, 64);
    EXPECT_EQ(movable_size(foreign), 0u);
    EXPECT_EQ(movable_lock(foreign), nullptr);
    movable_free(foreign);  // not ours: left alone
    std::free(foreign);
}

}  // namespace
}  // namespace kdr::hostkit
