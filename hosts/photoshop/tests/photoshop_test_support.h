#pragma once
// The simulated Photoshop for the tests of Kdr30.8bf: a private
// installation with the counting engine (or Rnd_Generic), the plug-in
// loaded from its file as the host loads it, and the host's document and
// filter record (lib/hostkit/tests/simulated). Messages the plug-in shows
// go to messages.log in the installation folder.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "kaleidra/hostkit/plugin_messages.h"
#include "kaleidra/hostkit/testing/plugin_module.h"
#include "kaleidra/hostkit/testing/simulated_photoshop.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/testing/installation_test.h"
#include "parameter_handle.h"

namespace kdr::photoshop::test {

using hostkit::PsEntry;
using hostkit::test::PluginModule;
using hostkit::test::PsDocumentShape;
using hostkit::test::SimPhotoshop;

// Settings naming `effect` with the filter's frame count, percent and
// source.
struct FilterSettings {
    const char* effect = "PageTurn";
    float frames = 10;
    float percent = 50;
    float source = 0;
};

inline std::vector<std::uint8_t> settings_block(const FilterSettings& wanted) {
    EffectSettings settings;
    EXPECT_TRUE(settings_initialise(settings));
    std::strncpy(settings.name, wanted.effect, sizeof settings.name - 1);
    settings.globals[global_filter_frames] = wanted.frames;
    settings.globals[global_filter_percent] = wanted.percent;
    settings.globals[global_filter_source] = wanted.source;
    std::vector<std::uint8_t> block = settings_to_block(settings);
    settings_destroy(settings);
    return block;
}

class PhotoshopHostTest : public kdr::test::InstallationTest {
  protected:
    void SetUp() override { ::setenv(hostkit::message_log_variable, message_log().c_str(), 1); }
    void TearDown() override {
        for (hostkit::PsHandle handle : m_handles) {
            dispose_parameter_handle(handle);
        }
        unload();
        ::unsetenv(hostkit::message_log_variable);
    }

    // Loads Kdr30.8bf (its attach work runs now).
    void load() {
        m_module = std::make_unique<PluginModule>(KDR_KDR30_8BF);
        ASSERT_TRUE(m_module->loaded()) << m_module->error();
        m_entry = m_module->entry<PsEntry>("ENTRYPOINT");
        ASSERT_NE(m_entry, nullptr);
    }
    void unload() { m_module.reset(); }
    PsEntry entry() const { return m_entry; }

    // Gives the host's record a parameter handle as the filter makes them.
    void give_settings(SimPhotoshop& host, const FilterSettings& wanted) {
        hostkit::PsHandle handle = make_parameter_handle(settings_block(wanted));
        ASSERT_NE(handle, nullptr);
        m_handles.push_back(handle);
        host.record().parameters = handle;
    }

    std::filesystem::path message_log() const { return root() / "messages.log"; }
    std::string messages() const {
        return std::filesystem::exists(message_log()) ? read_text(message_log()) : "";
    }

  private:
    std::unique_ptr<PluginModule> m_module;
    PsEntry m_entry = nullptr;
    std::vector<hostkit::PsHandle> m_handles;
};

}  // namespace kdr::photoshop::test
