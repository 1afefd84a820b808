// The library loaded by name into a program without Qt, as a host loads it:
// the first call makes the Qt application on the calling thread, refreshes
// the catalogue and shows the sheet (answered by the dialog script); a call
// from another thread is refused.

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "kaleidra/gui/testing/test_installation.h"
#include "kaleidra/kdrgui.h"
#include "kaleidra/scene/effect_settings.h"

namespace kdr::gui::test {
namespace {

struct Library {
    void* handle = ::dlopen(KALEIDRA30_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    KdrGuiSelectFn select = nullptr;
    KdrGuiAboutFn about = nullptr;
    Library() {
        if (handle != nullptr) {
            select = reinterpret_cast<KdrGuiSelectFn>(::dlsym(handle, "KDRGUI_Select"));
            about = reinterpret_cast<KdrGuiAboutFn>(::dlsym(handle, "KDRGUI_About"));
        }
    }
    ~Library() {
        if (handle != nullptr) {
            ::dlclose(handle);
        }
    }
};

struct Record {
    EffectSettings value;
    explicit Record(const char* name) {
        EXPECT_TRUE(settings_initialise(value));
        std::strcpy(value.name, name);
    }
    ~Record() { settings_destroy(value); }
};

// One test: the library keeps its application, its attach work and its GUI
// thread for the life of the process, so the steps run in order.
TEST(LibraryTest, AHostWithoutQtGetsTheSheetOnItsThreadOnly) {
    TestInstallation install{
        InstallationContents{.recording_engine = true, .preview_engine = "Rnd_Recording"}};
    install.set_number("Prev_Frames", 1);
    Library library;
    ASSERT_NE(library.handle, nullptr) << ::dlerror();
    ASSERT_NE(library.select, nullptr);
    ASSERT_NE(library.about, nullptr);

    Record record("Globe");
    ::setenv("KALEIDRA_DIALOG_SCRIPT", "click 1003; wait-preview; ok", 1);
    EXPECT_EQ(library.select(0, &record.value, 0), 0);
    EXPECT_STRNE(record.value.name, "Globe") << "the script chose another effect";
    EXPECT_TRUE(std::filesystem::exists(install.folder("orgs") / "current.org"))
        << "the first use refreshed the catalogue";
    EXPECT_TRUE(install.number("Effect_Count").has_value());

    const std::vector<std::uint8_t> before = settings_to_block(record.value);
    ::setenv("KALEIDRA_DIALOG_SCRIPT", "click 1001; cancel", 1);
    EXPECT_EQ(library.select(0, &record.value, 0), 1);
    EXPECT_EQ(settings_to_block(record.value), before);

    ::setenv("KALEIDRA_DIALOG_SCRIPT", "ok", 1);
    EXPECT_EQ(library.about(0, nullptr, nullptr), 0);
    EXPECT_EQ(library.about(0, "Reelbench", "Version 3.0.9"), 0);

    std::int16_t from_thread = -1;
    std::thread other([&] { from_thread = library.select(0, &record.value, 0); });
    other.join();
    EXPECT_EQ(from_thread, 2) << "the application lives on the first caller's thread";
    EXPECT_EQ(settings_to_block(record.value), before);
    EXPECT_EQ(library.select(0, nullptr, 0), 2);
    ::unsetenv("KALEIDRA_DIALOG_SCRIPT");
}

}  // namespace
}  // namespace kdr::gui::test
