#pragma once
// The simulated Premiere for the tests of Fx-Kdr30: a private installation
// with the counting engine (or Rnd_Generic), the plug-in loaded from its
// file as Premiere loads it, and records of pictures laid out as Premiere
// lays them out. Messages the plug-in shows go to messages.log in the
// installation folder.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "kaleidra/hostkit/plugin_messages.h"
#include "kaleidra/hostkit/testing/plugin_module.h"
#include "kaleidra/hostkit/testing/simulated_premiere.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/testing/installation_test.h"

namespace kdr::premiere::test {

using hostkit::PremiereEffectEntry;
using hostkit::test::HostPixels;
using hostkit::test::PluginModule;
using hostkit::test::SimEffect;
using hostkit::test::SimPixelMap;

class PremiereHostTest : public kdr::test::InstallationTest {
  protected:
    void SetUp() override {
        ::setenv(hostkit::message_log_variable, message_log().c_str(), 1);
        SimPremiere_Reset();
    }
    void TearDown() override {
        unload();
        ::unsetenv(hostkit::message_log_variable);
    }

    // Loads Fx-Kdr30 (its attach work runs now, reading the registry).
    void load() {
        m_module = std::make_unique<PluginModule>(KDR_FX_KDR30);
        ASSERT_TRUE(m_module->loaded()) << m_module->error();
        m_entry = m_module->entry<PremiereEffectEntry>("xEffect");
        ASSERT_NE(m_entry, nullptr);
    }
    void unload() { m_module.reset(); }

    std::int32_t call(std::int16_t selector, SimEffect& effect) {
        return m_entry(selector, effect.handle());
    }

    std::filesystem::path message_log() const { return root() / "messages.log"; }
    std::string messages() const {
        return std::filesystem::exists(message_log()) ? read_text(message_log()) : "";
    }

    // A KDRR block naming `effect`.
    static std::vector<std::uint8_t> stored_settings(const char* effect) {
        EffectSettings settings;
        EXPECT_TRUE(settings_initialise(settings));
        std::strncpy(settings.name, effect, sizeof settings.name - 1);
        std::vector<std::uint8_t> block = settings_to_block(settings);
        settings_destroy(settings);
        return block;
    }

  private:
    std::unique_ptr<PluginModule> m_module;
    PremiereEffectEntry m_entry = nullptr;
};

// Two sources and a destination of one size, filled with plain bytes, and
// the effect record pointing at them.
struct TransitionCall {
    TransitionCall(std::int32_t width, std::int32_t height, std::int32_t part, std::int32_t total)
        : a(HostPixels(width, height, width + 3, 0x11)),
          b(HostPixels(width, height, width + 1, 0x99)),
          destination(HostPixels(width, height, width + 2, 0xEE)) {
        effect.record().source_a = a.handle();
        effect.record().source_b = b.handle();
        effect.record().destination = destination.handle();
        effect.record().part = part;
        effect.record().total = total;
    }

    SimPixelMap a;
    SimPixelMap b;
    SimPixelMap destination;
    SimEffect effect;
};

}  // namespace kdr::premiere::test
