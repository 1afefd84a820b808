#pragma once
// The simulated Speed Razor for the tests of Kdr30.tra: a private
// installation with the counting engine, the plug-in loaded from its file
// as Speed Razor loads it, its record with the three buffers, and the
// host's callback library in the host folder the record names. Messages go
// to messages.log, the callback library's calls to callbacks.log, in the
// installation folder.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "kaleidra/hostkit/plugin_messages.h"
#include "kaleidra/hostkit/testing/plugin_module.h"
#include "kaleidra/hostkit/testing/simulated_speedrazor.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/testing/installation_test.h"

namespace kdr::speedrazor::test {

using hostkit::SpeedRazorEntry;
using hostkit::test::HostPixels;
using hostkit::test::PluginModule;
using hostkit::test::SimSpeedRazor;

class SpeedRazorHostTest : public kdr::test::InstallationTest {
  protected:
    void SetUp() override {
        ::setenv(hostkit::message_log_variable, message_log().c_str(), 1);
        ::setenv(hostkit::test::callback_log_variable, callback_log_file().c_str(), 1);
        ::unsetenv(hostkit::test::abort_after_variable);
    }
    void TearDown() override {
        unload();
        ::unsetenv(hostkit::message_log_variable);
        ::unsetenv(hostkit::test::callback_log_variable);
        ::unsetenv(hostkit::test::abort_after_variable);
    }

    void load() {
        m_module = std::make_unique<PluginModule>(KDR_KDR30_TRA);
        ASSERT_TRUE(m_module->loaded()) << m_module->error();
        m_entry = m_module->entry<SpeedRazorEntry>("ENTRYPOINT");
        ASSERT_NE(m_entry, nullptr);
    }
    void unload() { m_module.reset(); }

    std::int32_t call(std::int32_t selector, void* record) {
        return m_entry(nullptr, selector, record);
    }

    // The folder of the simulated host, holding its callback library.
    static std::filesystem::path host_folder() {
        return hostkit::test::simulated_callback_library().parent_path();
    }
    std::filesystem::path message_log() const { return root() / "messages.log"; }
    std::filesystem::path callback_log_file() const { return root() / "callbacks.log"; }
    std::vector<std::string> callbacks() const {
        return hostkit::test::callback_log(callback_log_file());
    }
    std::string messages() const {
        return std::filesystem::exists(message_log()) ? read_text(message_log()) : "";
    }

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
    SpeedRazorEntry m_entry = nullptr;
};

}  // namespace kdr::speedrazor::test
