// Rnd_Hardware's windows as the X server sees them: stacked down the screen
// while several contexts live, shown for each frame, hidden after five idle
// seconds, gone with their context.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <set>
#include <thread>

#include "engine_harness.h"
#include "kaleidra/testing/xvfb_environment.h"

// Last: Xlib defines macros (Status, None) that our headers' names collide with.
#include <X11/Xlib.h>

namespace kdr::test {
namespace {

[[maybe_unused]] auto* const x_server = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

struct WindowState {
    int y = 0;
    int height = 0;
    bool viewable = false;
};

// The engine's windows on the display, by id.
class Display {
  public:
    Display() : m_display(XOpenDisplay(nullptr)) {}
    ~Display() {
        if (m_display != nullptr) {
            XCloseDisplay(m_display);
        }
    }
    bool open() const { return m_display != nullptr; }

    std::map<Window, WindowState> engine_windows() {
        std::map<Window, WindowState> found;
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(m_display, DefaultRootWindow(m_display), &root, &parent, &children,
                        &count)) {
            return found;
        }
        for (unsigned i = 0; i < count; ++i) {
            char* name = nullptr;
            if (XFetchName(m_display, children[i], &name) && name != nullptr) {
                if (std::string(name) == "KDR_RND_WIN") {
                    XWindowAttributes attributes{};
                    XGetWindowAttributes(m_display, children[i], &attributes);
                    found[children[i]] = {attributes.y, attributes.height,
                                          attributes.map_state == IsViewable};
                }
                XFree(name);
            }
        }
        if (children != nullptr) {
            XFree(children);
        }
        return found;
    }

    // Windows that appeared since `before`.
    std::map<Window, WindowState> new_windows(const std::map<Window, WindowState>& before) {
        std::map<Window, WindowState> result;
        for (const auto& [id, state] : engine_windows()) {
            if (before.count(id) == 0) {
                result[id] = state;
            }
        }
        return result;
    }

  private:
    ::Display* m_display;
};

class HardwareWindows : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(engine.loaded()) << engine.error();
        ASSERT_TRUE(display.open());
        ASSERT_TRUE(installation.add_fallback_effect());
    }
    Installation installation;
    Engine engine{EngineKind::hardware};
    Display display;
};

std::set<int> rows_of(const std::map<Window, WindowState>& windows) {
    std::set<int> rows;
    for (const auto& [id, state] : windows) {
        rows.insert(state.y);
    }
    return rows;
}

TEST_F(HardwareWindows, TwoContextsStackTheirWindowsAndAThirdTakesTheFreedPlace) {
    const auto before = display.engine_windows();
    RenderJob job("Ballsplt", 64, 48);
    RenderContext* first = engine.prepare(nullptr, &job.settings, &job.frame);
    RenderContext* second = engine.prepare(nullptr, &job.settings, &job.frame);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    auto windows = display.new_windows(before);
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(rows_of(windows), (std::set<int>{0, 48}));
    for (const auto& [id, state] : windows) {
        EXPECT_EQ(state.height, 48);
        EXPECT_TRUE(state.viewable);
    }

    engine.free(first);
    RenderContext* third = engine.prepare(nullptr, &job.settings, &job.frame);
    ASSERT_NE(third, nullptr);
    windows = display.new_windows(before);
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(rows_of(windows), (std::set<int>{0, 48}));

    engine.free(second);
    engine.free(third);
    EXPECT_TRUE(display.new_windows(before).empty());
}

TEST_F(HardwareWindows, AntialiasedWindowHasTheDoubledSize) {
    const auto before = display.engine_windows();
    RenderJob job("Ballsplt", 64, 48);
    job.settings.globals[global_antialias] = 1;
    RenderContext* context = engine.prepare(nullptr, &job.settings, &job.frame);
    ASSERT_NE(context, nullptr);
    const auto windows = display.new_windows(before);
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows.begin()->second.height, 96);
    engine.free(context);
}

TEST_F(HardwareWindows, WindowHidesFiveSecondsAfterTheLastFrame) {
    using Clock = std::chrono::steady_clock;
    const auto before = display.engine_windows();
    RenderJob job("Ballsplt", 64, 48);
    RenderContext* context = engine.prepare(nullptr, &job.settings, &job.frame);
    ASSERT_NE(context, nullptr);
    ASSERT_EQ(engine.render(context, job.settings, job.frame), 1);
    const Clock::time_point last_frame = Clock::now();
    auto shown = [&] {
        const auto windows = display.new_windows(before);
        return windows.size() == 1 && windows.begin()->second.viewable;
    };
    EXPECT_TRUE(shown());

    while (shown() && Clock::now() - last_frame < std::chrono::seconds(10)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const auto idle = Clock::now() - last_frame;
    EXPECT_FALSE(shown());
    EXPECT_GE(idle, std::chrono::milliseconds(4900));
    EXPECT_LT(idle, std::chrono::seconds(8));

    // The next frame shows it again.
    ASSERT_EQ(engine.render(context, job.settings, job.frame), 1);
    EXPECT_TRUE(shown());
    engine.free(context);
}

}  // namespace
}  // namespace kdr::test
