// The Speed Razor transition's state in this process (not loaded from its
// file), with the dialogs and the allocator of the test: setup keeps the
// user's settings when their successor cannot be stored, the information
// request without memory for the icon, the about box's owner, and the
// order of the detach work.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "kaleidra/hostkit/movable_memory.h"
#include "kaleidra/hostkit/testing/simulated_speedrazor.h"
#include "kaleidra/platform/message_box.h"
#include "kaleidra/plugin_resources/bitmap_resource.h"
#include "kaleidra/plugin_resources/resource_table.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/testing/installation_test.h"
#include "speedrazor_transition.h"

namespace kdr::speedrazor {
namespace {

using hostkit::test::SimSpeedRazor;

// What the stand-in for the selection dialog saw, and the effect it
// chooses.
struct DialogSeen {
    int calls = 0;
    std::uintptr_t owner = 0;
    std::string name;
    const char* choose = "Globe";
};
DialogSeen dialog;

std::int16_t select_stand_in(KdrOwnerWindow owner, EffectSettings* settings, std::int32_t filter) {
    ++dialog.calls;
    dialog.owner = owner;
    dialog.name = settings->name;
    EXPECT_EQ(filter, 0);
    std::memset(settings->name, 0, sizeof settings->name);
    std::strncpy(settings->name, dialog.choose, sizeof settings->name - 1);
    return 0;
}

struct AboutSeen {
    std::uintptr_t owner = 0;
    bool null_texts = false;
};
AboutSeen about;

std::int16_t about_stand_in(KdrOwnerWindow owner, const char* title, const char* release) {
    about.owner = owner;
    about.null_texts = title == nullptr && release == nullptr;
    return 0;
}

int allocations_left = 1000;
hostkit::MovableHandle limited_allocate(std::size_t size) {
    if (allocations_left <= 0) {
        return nullptr;
    }
    --allocations_left;
    return hostkit::movable_allocate(size);
}

std::vector<std::uint8_t> table_with_icon() {
    const std::vector<std::uint8_t> pixels(80 * 60 * 3, 0x42);
    const std::vector<plugin_resources::PluginResource> resources = {
        {"BITMAP", 101, "", plugin_resources::make_bitmap_resource(80, 60, pixels)}};
    return *plugin_resources::write_resource_table(resources);
}

std::string stored_name(const std::vector<std::uint8_t>& block) {
    EffectSettings settings;
    EXPECT_TRUE(settings_initialise(settings));
    EXPECT_TRUE(settings_from_block(settings, block.data(), block.size()));
    std::string name = settings.name;
    settings_destroy(settings);
    return name;
}

class SpeedRazorTransitionTest : public kdr::test::InstallationTest {
  protected:
    void SetUp() override {
        install_counting_engine("Rnd_Count");
        dialog = {};
        about = {};
        allocations_left = 1000;
        table = table_with_icon();
        services.select = select_stand_in;
        services.about = about_stand_in;
        services.resources = table;
        services.allocate = limited_allocate;
        m_previous = platform::set_message_box_handler(
            [this](const std::string& title, const std::string& text, platform::MessageKind kind) {
                messages.push_back(title + ": " + text);
                EXPECT_EQ(kind, platform::MessageKind::warning);
                return platform::MessageAnswer::ok;
            });
    }
    void TearDown() override { platform::set_message_box_handler(std::move(m_previous)); }

    std::vector<std::uint8_t> table;
    TransitionServices services;
    std::vector<std::string> messages;

  private:
    platform::MessageBoxHandler m_previous;
};

TEST_F(SpeedRazorTransitionTest, SetupReplacesTheStoredSettingsOnlyOnceTheNewOnesExist) {
    SpeedRazorTransition transition(services);
    SimSpeedRazor host(16, 8, root());
    host.record().window = 0x4C00007;
    EffectSettings settings;
    ASSERT_TRUE(settings_initialise(settings));
    std::strcpy(settings.name, "PageTurn");
    host.store(settings_to_block(settings));
    settings_destroy(settings);

    // No memory for the new block: the user's settings stay with the host,
    // in the same handle.
    hostkit::MovableHandle before = host.record().settings;
    allocations_left = 0;
    EXPECT_EQ(transition.call(hostkit::speedrazor_setup, &host.record()), 0);
    EXPECT_EQ(dialog.calls, 1);
    EXPECT_EQ(dialog.name, "PageTurn") << "the dialog starts from the stored settings";
    EXPECT_EQ(dialog.owner, 0x4C00007u) << "owned by the host's window";
    EXPECT_EQ(host.record().settings, before);
    EXPECT_EQ(stored_name(host.stored()), "PageTurn");

    // With memory, the new block replaces the old one (which is freed).
    allocations_left = 1000;
    EXPECT_EQ(transition.call(hostkit::speedrazor_setup, &host.record()), 0);
    EXPECT_NE(host.record().settings, nullptr);
    EXPECT_EQ(stored_name(host.stored()), "Globe");
    EXPECT_EQ(hostkit::movable_lock_count(host.record().settings), 0u) << "left unlocked";

    // A transition without settings gets its first block.
    SimSpeedRazor fresh(16, 8, root());
    dialog.choose = "CubeTurn";
    transition.call(hostkit::speedrazor_setup, &fresh.record());
    EXPECT_EQ(dialog.name, "") << "a fresh record";
    EXPECT_EQ(stored_name(fresh.stored()), "CubeTurn");
}

TEST_F(SpeedRazorTransitionTest, InformationWithoutMemoryForTheIconSaysSoAndShowsNone) {
    SpeedRazorTransition transition(services);
    hostkit::SpeedRazorInformation info;
    std::memset(&info, 0xAB, sizeof info);
    allocations_left = 0;
    EXPECT_EQ(transition.call(hostkit::speedrazor_information, &info), 0);
    EXPECT_EQ(messages,
              std::vector<std::string>{"Kaleidra Plugin Error: Not enough memory to create icon."});
    EXPECT_EQ(info.has_icon, 0);
    EXPECT_EQ(info.icon, nullptr);
    EXPECT_EQ(std::count(std::begin(info.reserved), std::end(info.reserved), 0), 28);
    EXPECT_STREQ(info.name, "Kaleidra 3.0");

    allocations_left = 1000;
    transition.call(hostkit::speedrazor_information, &info);
    ASSERT_EQ(info.has_icon, 1);
    EXPECT_EQ(info.icon[0], 0x42);
    EXPECT_EQ(info.icon[14399], 0x42);
}

TEST_F(SpeedRazorTransitionTest, WithoutItsBitmapThereIsNoIconAndNoMessage) {
    services.resources = {};
    SpeedRazorTransition transition(services);
    hostkit::SpeedRazorInformation info;
    std::memset(&info, 0xAB, sizeof info);
    transition.call(hostkit::speedrazor_information, &info);
    EXPECT_EQ(info.has_icon, 0);
    EXPECT_EQ(info.icon, nullptr);
    EXPECT_TRUE(messages.empty());
}

TEST_F(SpeedRazorTransitionTest, TheAboutBoxIsOwnedByTheHostsWindow) {
    SpeedRazorTransition transition(services);
    SimSpeedRazor host(16, 8, root());
    host.record().window = 77;
    EXPECT_EQ(transition.call(hostkit::speedrazor_about, &host.record()), 0);
    EXPECT_EQ(about.owner, 77u);
    EXPECT_TRUE(about.null_texts) << "the dialog library's own title and release";
}

TEST_F(SpeedRazorTransitionTest, DetachReleasesTheHostsLibraryBeforeTheContexts) {
    set_number("Rnd_Multi", 1);
    auto transition = std::make_unique<SpeedRazorTransition>(services);
    SimSpeedRazor host(16, 8, hostkit::test::simulated_callback_library().parent_path());
    transition->call(hostkit::speedrazor_render, &host.record());
    ASSERT_EQ(engine_events("render").size(), 2u);
    transition.reset();
    const std::vector<kdr::test::EngineEvent> events = engine_events();
    auto at = [&](const std::string& library, const std::string& event) {
        return std::find_if(events.begin(), events.end(), [&](const kdr::test::EngineEvent& e) {
            return e.library == library && e.event == event;
        });
    };
    const auto callback_gone = at("callback", "unload");
    const auto first_free = at("Rnd_Count", "free");
    ASSERT_NE(callback_gone, events.end());
    ASSERT_NE(first_free, events.end());
    EXPECT_LT(callback_gone, first_free) << read_text(engine_log());
    EXPECT_EQ(engine_events("free").size(), 2u);
}

}  // namespace
}  // namespace kdr::speedrazor
