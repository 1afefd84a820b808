#include "kaleidra/hostkit/stored_settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "kaleidra/scene/effect_settings.h"

namespace kdr::hostkit {
namespace {

struct Record {
    EffectSettings value;
    Record() { EXPECT_TRUE(settings_initialise(value)); }
    ~Record() { settings_destroy(value); }
};

std::vector<std::uint8_t> block_of(const char* name, float shadows) {
    Record record;
    std::strcpy(record.value.name, name);
    record.value.globals[global_shadows] = shadows;
    return settings_to_block(record.value);
}

TEST(StoredSettings, ReplaceTheRecordWithTheBlocks) {
    Record target;
    std::strcpy(target.value.name, "Old");
    target.value.globals[global_blur_count] = 3;
    const std::vector<std::uint8_t> block = block_of("PageTurn", 40);
    ASSERT_TRUE(load_stored_settings(target.value, block.data(), block.size()));
    EXPECT_STREQ(target.value.name, "PageTurn");
    EXPECT_EQ(target.value.globals[global_shadows], 40);
    EXPECT_EQ(target.value.globals[global_blur_count], 0) << "nothing of the old record stays";
}

TEST(StoredSettings, AnotherFormOrNoBlockLeavesTheRecord) {
    Record target;
    std::strcpy(target.value.name, "Old");
    std::vector<std::uint8_t> block = block_of("PageTurn", 40);
    block[4] = 'X';
    EXPECT_FALSE(load_stored_settings(target.value, block.data(), block.size()));
    EXPECT_FALSE(load_stored_settings(target.value, nullptr, 100));
    EXPECT_FALSE(load_stored_settings(target.value, block.data(), 7));
    const std::uint8_t tiny[8] = {4, 0, 0, 0, 'K', 'D', 'R', 'R'};
    EXPECT_FALSE(load_stored_settings(target.value, tiny, sizeof tiny)) << "a size word below 8";
    EXPECT_STREQ(target.value.name, "Old");
}

TEST(StoredSettings, NeverReadBeyondWhatTheHostHolds) {
    // The block's size word claims far more than the handle holds: only
    // the bytes there are read, and the record holds what came before the
    // cut.
    std::vector<std::uint8_t> block = block_of("Globe", 10);
    const std::uint32_t lie = 0x7FFFFFFF;
    std::memcpy(block.data(), &lie, 4);
    Record target;
    ASSERT_TRUE(load_stored_settings(target.value, block.data(), block.size()));
    EXPECT_STREQ(target.value.name, "Globe");

    // Cut inside the first chunk: a fresh record.
    Record cut;
    std::strcpy(cut.value.name, "Old");
    ASSERT_TRUE(load_stored_settings(cut.value, block.data(), 20));
    EXPECT_STREQ(cut.value.name, "");
}

}  // namespace
}  // namespace kdr::hostkit
