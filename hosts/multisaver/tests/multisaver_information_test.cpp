// KdrMulti30's information request without memory for its blocks, in this
// process with an allocator of the test: each missing block has its
// message, and the request answers 1.

#include <gtest/gtest.h>

#include <cstring>

#include "kaleidra/hostkit/movable_memory.h"
#include "kaleidra/platform/message_box.h"
#include "kaleidra/plugin_resources/bitmap_resource.h"
#include "kaleidra/plugin_resources/resource_table.h"
#include "speedrazor_multisaver.h"

namespace kdr::multisaver {
namespace {

int allocations_left = 0;
hostkit::MovableHandle limited_allocate(std::size_t size) {
    if (allocations_left <= 0) {
        return nullptr;
    }
    --allocations_left;
    return hostkit::movable_allocate(size);
}

struct Case {
    int allocations;
    const char* message;
    bool name;
    bool description;
};

class MultisaverInformation : public ::testing::TestWithParam<Case> {
  protected:
    void SetUp() override {
        const std::vector<plugin_resources::PluginResource> resources = {
            {"BITMAP", 101, "", plugin_resources::make_bitmap_resource(80, 60, {})}};
        table = *plugin_resources::write_resource_table(resources);
        m_previous = platform::set_message_box_handler(
            [this](const std::string& title, const std::string& text, platform::MessageKind kind) {
                EXPECT_EQ(kind, platform::MessageKind::warning);
                messages.push_back(title + ": " + text);
                return platform::MessageAnswer::ok;
            });
    }
    void TearDown() override { platform::set_message_box_handler(std::move(m_previous)); }

    std::vector<std::uint8_t> table;
    std::vector<std::string> messages;

  private:
    platform::MessageBoxHandler m_previous;
};

TEST_P(MultisaverInformation, EachMissingBlockHasItsMessage) {
    const Case& c = GetParam();
    SpeedRazorMultisaver filter({table, limited_allocate});
    allocations_left = c.allocations;
    hostkit::SpeedRazorInformation info;
    std::memset(&info, 0xAB, sizeof info);
    const std::int32_t result = filter.call(hostkit::speedrazor_information, &info);
    if (c.message == nullptr) {
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(messages.empty());
        EXPECT_EQ(info.has_icon, 1);
        return;
    }
    EXPECT_EQ(result, 1);
    EXPECT_EQ(messages,
              std::vector<std::string>{std::string("Kaleidra Plugin Error: ") + c.message});
    EXPECT_EQ(info.name != nullptr, c.name);
    EXPECT_EQ(info.description != nullptr, c.description);
    EXPECT_EQ(info.has_icon, 0);
    EXPECT_EQ(info.icon, nullptr);
    EXPECT_EQ(info.value_16, 3);
    // The next call releases what this one made, whatever it was.
    EXPECT_EQ(filter.call(-1, nullptr), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, MultisaverInformation,
    ::testing::Values(Case{0, "Not enough memory to create title.", false, false},
                      Case{1, "Not enough memorty to create description.", true, false},
                      Case{2, "Not enough memory to create icon.", true, true},
                      Case{3, nullptr, true, true}));

}  // namespace
}  // namespace kdr::multisaver
