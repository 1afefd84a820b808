#pragma once
// The simulated vxDLL hosts for the tests of U_Kdr30 and Kdr5_30: a private
// installation (the counting engine, or Rnd_Generic), the plug-ins loaded
// from their files as the hosts load them, and 24-bit bitmaps laid out as
// the hosts lay them out (blue, green, red, rows padded to 4 bytes, the
// bottom row first). Messages go to messages.log in the installation. The
// settings files are written and read with lib/settings_files, which its
// own test proves.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "kaleidra/hostkit/plugin_messages.h"
#include "kaleidra/hostkit/testing/plugin_module.h"
#include "kaleidra/hostkit/vxdll_records.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/settings_files/numbered_settings.h"
#include "kaleidra/testing/installation_test.h"
#include "kaleidra/testing/picture_compare.h"

namespace kdr::vxdll::test {

using hostkit::test::PluginModule;

class VxBitmap {
  public:
    VxBitmap(std::int32_t width, std::int32_t height, std::uint8_t fill = 0)
        : m_row_bytes((width * 3 + 3) / 4 * 4),
          m_pixels(static_cast<std::size_t>(m_row_bytes) * height, fill) {
        std::memset(&header, 0, sizeof header);
        header.size = sizeof header;
        header.width = width;
        header.height = height;
    }
    // `picture` drawn at (x, y) of a bitmap filled with `fill`.
    static VxBitmap holding(const kdr::test::Picture& picture, std::int32_t width,
                            std::int32_t height, std::int32_t x = 0, std::int32_t y = 0,
                            std::uint8_t fill = 0) {
        VxBitmap bitmap(width, height, fill);
        for (std::uint32_t row = 0; row < picture.height; ++row) {
            for (std::uint32_t column = 0; column < picture.width; ++column) {
                std::uint8_t* to = bitmap.pixel(x + static_cast<std::int32_t>(column),
                                                y + static_cast<std::int32_t>(row));
                const std::uint8_t* from = picture.at(column, row);
                to[0] = from[2];
                to[1] = from[1];
                to[2] = from[0];
            }
        }
        return bitmap;
    }
    // The part at (x, y) of `width` x `height` as a picture.
    kdr::test::Picture picture(std::int32_t x, std::int32_t y, std::int32_t width,
                               std::int32_t height) const {
        kdr::test::Picture result(static_cast<std::uint32_t>(width),
                                  static_cast<std::uint32_t>(height));
        for (std::int32_t row = 0; row < height; ++row) {
            for (std::int32_t column = 0; column < width; ++column) {
                const std::uint8_t* from = pixel(x + column, y + row);
                std::uint8_t* to =
                    result.at(static_cast<std::uint32_t>(column), static_cast<std::uint32_t>(row));
                to[0] = from[2];
                to[1] = from[1];
                to[2] = from[0];
            }
        }
        return result;
    }

    // Pixel (x, y), y counted from the top of the picture.
    std::uint8_t* pixel(std::int32_t x, std::int32_t y) {
        return m_pixels.data() + static_cast<std::size_t>(header.height - 1 - y) * m_row_bytes +
               static_cast<std::size_t>(x) * 3;
    }
    const std::uint8_t* pixel(std::int32_t x, std::int32_t y) const {
        return const_cast<VxBitmap*>(this)->pixel(x, y);
    }
    std::uint8_t* data() { return m_pixels.data(); }
    const std::vector<std::uint8_t>& bytes() const { return m_pixels; }
    std::int32_t row_bytes() const { return m_row_bytes; }

    hostkit::VxBitmapHeader header;

  private:
    std::int32_t m_row_bytes;
    std::vector<std::uint8_t> m_pixels;
};

class VxHostTest : public kdr::test::InstallationTest {
  protected:
    void SetUp() override { ::setenv(hostkit::message_log_variable, message_log().c_str(), 1); }
    void TearDown() override {
        m_module.reset();
        ::unsetenv(hostkit::message_log_variable);
    }

    void load(const char* file) {
        m_module = std::make_unique<PluginModule>(file);
        ASSERT_TRUE(m_module->loaded()) << m_module->error();
    }
    void unload() { m_module.reset(); }
    template <class Function>
    Function entry(const char* name) const {
        return m_module->entry<Function>(name);
    }

    std::filesystem::path message_log() const { return root() / "messages.log"; }
    std::string messages() const {
        return std::filesystem::exists(message_log()) ? read_text(message_log()) : "";
    }

    // The settings file `number` (extension "HUL") naming `effect`.
    void write_settings(std::int32_t number, const char* effect) {
        EffectSettings settings;
        ASSERT_TRUE(settings_initialise(settings));
        std::strncpy(settings.name, effect, sizeof settings.name - 1);
        Result<std::int32_t> saved =
            settings_files::save_settings_file(settings, work(), number, "HUL");
        settings_destroy(settings);
        ASSERT_TRUE(saved) << saved.error();
    }
    // The effect name in settings file `number`, empty when it cannot be read.
    std::string settings_name(std::int32_t number) const {
        EffectSettings settings;
        EXPECT_TRUE(settings_initialise(settings));
        const std::string name =
            settings_files::load_settings_file(settings, work() / (std::to_string(number) + ".HUL"))
                ? settings.name
                : "";
        settings_destroy(settings);
        return name;
    }

  private:
    std::unique_ptr<PluginModule> m_module;
};

}  // namespace kdr::vxdll::test
