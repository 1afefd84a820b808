#pragma once
// The simulated After Effects for the tests of Kdr30.aex: a private
// installation with the counting engine (or Rnd_Generic), the plug-in
// loaded from its file as the host loads it, and the host's records and
// layers (lib/hostkit/tests/simulated). Messages the plug-in shows go to
// messages.log in the installation folder.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "kaleidra/hostkit/plugin_messages.h"
#include "kaleidra/hostkit/testing/plugin_module.h"
#include "kaleidra/hostkit/testing/simulated_aftereffects.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/testing/installation_test.h"

namespace kdr::aftereffects::test {

using hostkit::AeEntry;
using hostkit::test::AeLayerPixels;
using hostkit::test::PluginModule;
using hostkit::test::SimAfterEffects;

class AfterEffectsHostTest : public kdr::test::InstallationTest {
  protected:
    void SetUp() override { ::setenv(hostkit::message_log_variable, message_log().c_str(), 1); }
    void TearDown() override {
        unload();
        ::unsetenv(hostkit::message_log_variable);
    }

    // Loads Kdr30.aex (its attach work runs now, reading the registry).
    void load() {
        m_module = std::make_unique<PluginModule>(KDR_KDR30_AEX);
        ASSERT_TRUE(m_module->loaded()) << m_module->error();
        m_entry = m_module->entry<AeEntry>("main");
        ASSERT_NE(m_entry, nullptr);
    }
    void unload() { m_module.reset(); }
    AeEntry entry() const { return m_entry; }

    std::filesystem::path message_log() const { return root() / "messages.log"; }

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
    AeEntry m_entry = nullptr;
};

}  // namespace kdr::aftereffects::test
