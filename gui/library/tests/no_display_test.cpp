// Without any display the library answers 2 at once and the host process
// goes on (Qt's X11 platform would end the process instead).

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "kaleidra/gui/testing/test_installation.h"
#include "kaleidra/kdrgui.h"
#include "kaleidra/scene/effect_settings.h"

namespace kdr::gui::test {
namespace {

TEST(NoDisplayTest, BothCallsReturnTwoAndTheRecordStays) {
    ::unsetenv("DISPLAY");
    ::unsetenv("QT_QPA_PLATFORM");
    ::unsetenv("WAYLAND_DISPLAY");
    TestInstallation install{InstallationContents{.shipped_effects = false, .textures = false}};
    void* handle = ::dlopen(KALEIDRA30_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << ::dlerror();
    auto select = reinterpret_cast<KdrGuiSelectFn>(::dlsym(handle, "KDRGUI_Select"));
    auto about = reinterpret_cast<KdrGuiAboutFn>(::dlsym(handle, "KDRGUI_About"));
    ASSERT_NE(select, nullptr);
    ASSERT_NE(about, nullptr);

    EffectSettings record;
    EXPECT_TRUE(settings_initialise(record));
    std::strcpy(record.name, "Globe");
    const std::vector<std::uint8_t> before = settings_to_block(record);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(select(0, &record, 0), 2);
    EXPECT_EQ(about(0, nullptr, nullptr), 2);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("DISPLAY is not set"), std::string::npos) << said;
    EXPECT_EQ(settings_to_block(record), before);
    settings_destroy(record);

    // An X display that does not answer is no display either.
    ::setenv("DISPLAY", ":97531", 1);
    EffectSettings other;
    EXPECT_TRUE(settings_initialise(other));
    EXPECT_EQ(select(0, &other, 0), 2);
    settings_destroy(other);
    ::dlclose(handle);
}

}  // namespace
}  // namespace kdr::gui::test
