#include "kaleidra/hostkit/speedrazor_icon.h"

#include <gtest/gtest.h>

#include <cstring>

#include "kaleidra/plugin_resources/bitmap_resource.h"
#include "kaleidra/plugin_resources/resource_table.h"

namespace kdr::hostkit {
namespace {

std::vector<std::uint8_t> table_with(std::int32_t width, std::int32_t height, std::int32_t id) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width * height * 3));
    for (std::size_t i = 0; i < rgb.size(); ++i) {
        rgb[i] = static_cast<std::uint8_t>(i * 7);
    }
    const std::vector<plugin_resources::PluginResource> resources = {
        {"TEXT", 101, "", {1, 2, 3}},
        {"BITMAP", id, "", plugin_resources::make_bitmap_resource(width, height, rgb)}};
    return *plugin_resources::write_resource_table(resources);
}

MovableHandle no_memory(std::size_t) {
    return nullptr;
}

TEST(SpeedRazorIcon, IsTheBitmapWithoutItsHeaderInALockedBlock) {
    const std::vector<std::uint8_t> table = table_with(80, 60, 101);
    IconBlock icon;
    ASSERT_EQ(make_icon_block(table, movable_allocate, icon), IconOutcome::made);
    ASSERT_NE(icon.pixels, nullptr);
    EXPECT_EQ(movable_size(icon.block), 14400u);
    EXPECT_EQ(movable_lock_count(icon.block), 1u);
    auto resources = plugin_resources::read_resource_table(table);
    const plugin_resources::PluginResource* bitmap =
        plugin_resources::find_resource(*resources, "BITMAP", 101);
    EXPECT_EQ(std::memcmp(icon.pixels, bitmap->data.data() + 40, 14400), 0);
    release_icon_block(icon);
    EXPECT_EQ(icon.block, nullptr);
    EXPECT_EQ(icon.pixels, nullptr);
    release_icon_block(icon);  // twice is harmless
}

TEST(SpeedRazorIcon, OnlyBitmap101OfTheHostsSizeIsAnIcon) {
    IconBlock icon;
    EXPECT_EQ(make_icon_block(table_with(80, 60, 102), movable_allocate, icon), IconOutcome::none);
    EXPECT_EQ(make_icon_block(table_with(32, 32, 101), movable_allocate, icon), IconOutcome::none);
    EXPECT_EQ(make_icon_block({}, movable_allocate, icon), IconOutcome::none);
    std::vector<std::uint8_t> damaged = table_with(80, 60, 101);
    damaged[0] = 'X';
    EXPECT_EQ(make_icon_block(damaged, movable_allocate, icon), IconOutcome::none);
    EXPECT_EQ(icon.block, nullptr);
}

TEST(SpeedRazorIcon, WithoutMemoryThereIsNone) {
    IconBlock icon;
    EXPECT_EQ(make_icon_block(table_with(80, 60, 101), no_memory, icon), IconOutcome::no_memory);
    EXPECT_EQ(icon.block, nullptr);
    EXPECT_EQ(make_icon_block(table_with(80, 60, 101), nullptr, icon), IconOutcome::no_memory);
}

}  // namespace
}  // namespace kdr::hostkit
