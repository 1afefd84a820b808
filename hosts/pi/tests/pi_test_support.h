#pragma once
// The simulated PI_ host for the tests of Kdr30: a private installation
// (the counting engine, or Rnd_Generic), the plug-in loaded from its file
// as the host loads it with its seven entry points, and the track's
// buffers laid out as the host lays them out (32 bits a pixel, blue,
// green, red, alpha, rows top first without padding). Messages go to
// messages.log in the installation.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "kaleidra/hostkit/pi_records.h"
#include "kaleidra/hostkit/plugin_messages.h"
#include "kaleidra/hostkit/testing/plugin_module.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/settings_files/numbered_settings.h"
#include "kaleidra/testing/installation_test.h"
#include "kaleidra/testing/picture_compare.h"

namespace kdr::pi::test {

using hostkit::test::PluginModule;

// A track buffer of the host.
class TrackBuffer {
  public:
    TrackBuffer(std::int32_t width, std::int32_t height, std::uint8_t fill = 0)
        : m_width(width), m_bytes(static_cast<std::size_t>(width) * height * 4, fill) {}
    static TrackBuffer holding(const kdr::test::Picture& picture, std::uint8_t alpha) {
        TrackBuffer buffer(static_cast<std::int32_t>(picture.width),
                           static_cast<std::int32_t>(picture.height));
        for (std::uint32_t y = 0; y < picture.height; ++y) {
            for (std::uint32_t x = 0; x < picture.width; ++x) {
                std::uint8_t* to =
                    buffer.pixel(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y));
                const std::uint8_t* from = picture.at(x, y);
                to[0] = from[2];
                to[1] = from[1];
                to[2] = from[0];
                to[3] = alpha;
            }
        }
        return buffer;
    }
    kdr::test::Picture picture() const {
        const auto height = static_cast<std::uint32_t>(m_bytes.size() / 4 / m_width);
        kdr::test::Picture result(static_cast<std::uint32_t>(m_width), height);
        for (std::uint32_t y = 0; y < height; ++y) {
            for (std::uint32_t x = 0; x < result.width; ++x) {
                const std::uint8_t* from =
                    pixel(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y));
                std::uint8_t* to = result.at(x, y);
                to[0] = from[2];
                to[1] = from[1];
                to[2] = from[0];
            }
        }
        return result;
    }
    std::uint8_t* pixel(std::int32_t x, std::int32_t y) {
        return m_bytes.data() + (static_cast<std::size_t>(y) * m_width + x) * 4;
    }
    const std::uint8_t* pixel(std::int32_t x, std::int32_t y) const {
        return m_bytes.data() + (static_cast<std::size_t>(y) * m_width + x) * 4;
    }
    std::uint8_t* data() { return m_bytes.data(); }
    const std::vector<std::uint8_t>& bytes() const { return m_bytes; }

  private:
    std::int32_t m_width;
    std::vector<std::uint8_t> m_bytes;
};

class PiHostTest : public kdr::test::InstallationTest {
  protected:
    void SetUp() override { ::setenv(hostkit::message_log_variable, message_log().c_str(), 1); }
    void TearDown() override {
        m_module.reset();
        ::unsetenv(hostkit::message_log_variable);
    }

    void load() {
        m_module = std::make_unique<PluginModule>(KDR_KDR30_PI);
        ASSERT_TRUE(m_module->loaded()) << m_module->error();
        about_plugin = m_module->entry<hostkit::PiAboutPluginFn>("PI_AboutPlugin");
        about_track = m_module->entry<hostkit::PiAboutTrackFn>("PI_AboutTrack");
        set_context = m_module->entry<hostkit::PiSetContextFn>("PI_SetContext");
        terminate = m_module->entry<hostkit::PiTerminateFn>("PI_Terminate");
        get_size = m_module->entry<hostkit::PiGetSizeFn>("PI_GetSize");
        show_dialog = m_module->entry<hostkit::PiShowDialogFn>("PI_ShowDialog");
        compute_frame = m_module->entry<hostkit::PiComputeFrameFn>("PI_ComputeFrame");
        for (void* found :
             {reinterpret_cast<void*>(about_plugin), reinterpret_cast<void*>(about_track),
              reinterpret_cast<void*>(set_context), reinterpret_cast<void*>(terminate),
              reinterpret_cast<void*>(get_size), reinterpret_cast<void*>(show_dialog),
              reinterpret_cast<void*>(compute_frame)}) {
            ASSERT_NE(found, nullptr);
        }
    }
    void unload() { m_module.reset(); }
    // An entry point taken as the host's own declaration of it.
    template <class Function>
    Function entry(const char* name) const {
        return m_module->entry<Function>(name);
    }

    // Describes a track and asks for frame `frame` with settings `number`.
    std::int32_t frame(std::int32_t width, std::int32_t height, std::int32_t length,
                       std::int32_t frame_number, std::int32_t number, std::int32_t flag,
                       TrackBuffer& a, TrackBuffer& b, TrackBuffer& output) {
        const hostkit::PiTrack track{length, height, width};
        EXPECT_EQ(about_track(&track), 0);
        hostkit::PiFrameRequest request;
        std::memset(&request, 0, sizeof request);
        request.flag = flag;
        request.frame = frame_number;
        request.number = number;
        const hostkit::PiBuffers buffers{a.data(), b.data(), output.data()};
        return compute_frame(&request, &buffers);
    }

    std::filesystem::path message_log() const { return root() / "messages.log"; }
    std::string messages() const {
        return std::filesystem::exists(message_log()) ? read_text(message_log()) : "";
    }

    // The settings file `number` ("HMC").
    void write_settings(std::int32_t number, const char* effect, float fly = 0.0f) {
        EffectSettings settings;
        ASSERT_TRUE(settings_initialise(settings));
        std::strncpy(settings.name, effect, sizeof settings.name - 1);
        settings.globals[global_fly_direction] = fly;
        settings.globals[global_lighting] = 1;
        Result<std::int32_t> saved =
            settings_files::save_settings_file(settings, work(), number, "HMC");
        settings_destroy(settings);
        ASSERT_TRUE(saved) << saved.error();
    }
    // The settings in file `number`; false when it cannot be read.
    bool read_settings(std::int32_t number, EffectSettings& settings) const {
        return settings_files::load_settings_file(settings,
                                                  work() / (std::to_string(number) + ".HMC"));
    }
    std::string stored_name(std::int32_t number) const {
        EffectSettings settings;
        EXPECT_TRUE(settings_initialise(settings));
        const std::string name = read_settings(number, settings) ? settings.name : "";
        settings_destroy(settings);
        return name;
    }
    // The fly direction stored in settings file `number`, -1 when unreadable.
    float stored_fly(std::int32_t number) const {
        EffectSettings settings;
        EXPECT_TRUE(settings_initialise(settings));
        const float fly =
            read_settings(number, settings) ? settings.globals[global_fly_direction] : -1.0f;
        settings_destroy(settings);
        return fly;
    }

    hostkit::PiAboutPluginFn about_plugin = nullptr;
    hostkit::PiAboutTrackFn about_track = nullptr;
    hostkit::PiSetContextFn set_context = nullptr;
    hostkit::PiTerminateFn terminate = nullptr;
    hostkit::PiGetSizeFn get_size = nullptr;
    hostkit::PiShowDialogFn show_dialog = nullptr;
    hostkit::PiComputeFrameFn compute_frame = nullptr;

  private:
    std::unique_ptr<PluginModule> m_module;
};

}  // namespace kdr::pi::test
