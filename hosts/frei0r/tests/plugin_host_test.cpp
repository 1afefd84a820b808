// The plug-in driven as a frei0r host drives it, with the host core's
// counting engine: what is loaded when, what the engine is given, and what
// reaches the host's output when no 3D picture can be made.

#include <gtest/gtest.h>

#include <barrier>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/install/registry_values.h"
#include "kaleidra/platform/registry.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/testing/installation_test.h"
#include "plugin_library.h"

namespace kdr::frei0r::test {
namespace {

enum : int { completion = 0, effect = 1, settings = 2, fly_on = 3, shadows = 6 };

using EngineCall = kdr::test::EngineEvent;

class PluginHostTest : public kdr::test::InstallationTest {
  protected:
    static void SetUpTestSuite() {
        plugin = new PluginLibrary(KDR_FREI0R_PLUGIN);
        ASSERT_TRUE(plugin->loaded()) << plugin->error();
        ASSERT_EQ(plugin->init(), 1);
    }
    static void TearDownTestSuite() {
        plugin->deinit();
        delete plugin;
        plugin = nullptr;
    }

    void SetUp() override {
        ASSERT_NE(plugin, nullptr);
        install_counting_engine("Rnd_Count");
        install_engine("Rnd_Half", kdr::test::partial_engine_file());
        for (const char* name : {"Ballsplt", "Globe"}) {
            write_empty_effect(name);
        }
    }

    std::filesystem::path log_file() const { return engine_log(); }
    std::vector<EngineCall> engine_calls(const std::string& event = "") const {
        return engine_events(event);
    }

    // Input A: red 3x, green 5y, blue 10; input B: red 200, green x, blue y.
    static HostPicture picture_a(unsigned w, unsigned h) {
        HostPicture p(w, h);
        for (unsigned y = 0; y < h; ++y) {
            for (unsigned x = 0; x < w; ++x) {
                std::uint8_t* px = p.bytes() + (std::size_t{y} * w + x) * 4;
                px[0] = static_cast<std::uint8_t>(x * 3);
                px[1] = static_cast<std::uint8_t>(y * 5);
                px[2] = 10;
                px[3] = 255;
            }
        }
        return p;
    }
    static HostPicture picture_b(unsigned w, unsigned h) {
        HostPicture p(w, h);
        for (unsigned y = 0; y < h; ++y) {
            for (unsigned x = 0; x < w; ++x) {
                std::uint8_t* px = p.bytes() + (std::size_t{y} * w + x) * 4;
                px[0] = 200;
                px[1] = static_cast<std::uint8_t>(x);
                px[2] = static_cast<std::uint8_t>(y);
                px[3] = 255;
            }
        }
        return p;
    }

    static PluginLibrary* plugin;
};

PluginLibrary* PluginHostTest::plugin = nullptr;

// An instance that the test frees at its end, as hosts do.
class Instance {
  public:
    Instance(PluginLibrary& library, unsigned w, unsigned h)
        : m_library(library), m_instance(library.construct(w, h)) {}
    ~Instance() {
        if (m_instance != nullptr) {
            m_library.destruct(m_instance);
        }
    }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;
    f0r_instance_t get() const { return m_instance; }

  private:
    PluginLibrary& m_library;
    f0r_instance_t m_instance;
};

TEST_F(PluginHostTest, DescribesAnRgbaMixerWithSevenParameters) {
    f0r_plugin_info_t info{};
    plugin->plugin_info(&info);
    EXPECT_STREQ(info.name, "kaleidra");
    EXPECT_EQ(info.plugin_type, F0R_PLUGIN_TYPE_MIXER2);
    EXPECT_EQ(info.color_model, F0R_COLOR_MODEL_RGBA8888);
    EXPECT_EQ(info.frei0r_version, FREI0R_MAJOR_VERSION);
    ASSERT_EQ(info.num_params, 7);
    const std::pair<const char*, int> expected[] = {
        {"completion", F0R_PARAM_DOUBLE}, {"effect", F0R_PARAM_STRING},
        {"settings", F0R_PARAM_STRING},   {"fly on", F0R_PARAM_BOOL},
        {"antialias", F0R_PARAM_BOOL},    {"lighting", F0R_PARAM_BOOL},
        {"shadows", F0R_PARAM_DOUBLE}};
    for (int i = 0; i < info.num_params; ++i) {
        f0r_param_info_t param{};
        plugin->param_info(&param, i);
        EXPECT_STREQ(param.name, expected[i].first) << i;
        EXPECT_EQ(param.type, expected[i].second) << i;
    }
}

TEST_F(PluginHostTest, ConstructingAndQueryingLoadsNoEngine) {
    {
        Instance instance(*plugin, 720, 576);
        ASSERT_NE(instance.get(), nullptr);
        double value = -1;
        plugin->get_param(instance.get(), &value, shadows);
        EXPECT_EQ(value, 0.5);
        plugin->set_number(instance.get(), shadows, 0.3);
        plugin->set_text(instance.get(), effect, "Globe");
        const char* text = nullptr;
        plugin->get_param(instance.get(), &text, effect);
        EXPECT_STREQ(text, "Globe");
    }
    EXPECT_FALSE(std::filesystem::exists(log_file())) << "the engine was called without any update";
    EXPECT_EQ(plugin->construct(0, 576), nullptr);
    EXPECT_EQ(plugin->construct(720, 0), nullptr);
    EXPECT_EQ(plugin->construct(100000, 10), nullptr);
}

TEST_F(PluginHostTest, FirstUpdatePreparesThenFramesOnlyRender) {
    const unsigned w = 32, h = 24;
    HostPicture a = picture_a(w, h), b = picture_b(w, h), out(w, h);
    {
        Instance instance(*plugin, w, h);
        for (int i = 0; i < 10; ++i) {
            plugin->set_number(instance.get(), completion, i / 9.0);
            plugin->update2(instance.get(), i / 25.0, a.pixels.data(), b.pixels.data(), nullptr,
                            out.pixels.data());
            // The counting engine's pattern, written straight into the output.
            EXPECT_EQ(out.bytes()[0], static_cast<std::uint8_t>(i)) << "frame " << i;
            EXPECT_EQ(out.bytes()[(5 * w + 7) * 4 + 1], 5) << "frame " << i;
        }
    }
    const std::vector<EngineCall> prepares = engine_calls("prepare");
    ASSERT_EQ(prepares.size(), 1u);
    EXPECT_EQ(prepares[0].name, "Ballsplt");
    const std::vector<EngineCall> renders = engine_calls("render");
    ASSERT_EQ(renders.size(), 10u);
    for (unsigned i = 0; i < renders.size(); ++i) {
        EXPECT_EQ(renders[i].position, i);
        // Slot 0 holds input A, slot 1 input B.
        EXPECT_EQ(renders[i].a, 0);
        EXPECT_EQ(renders[i].b, 200);
    }
    // The instance freed its context when the host destroyed it.
    EXPECT_EQ(engine_calls("free").size(), 1u);
}

TEST_F(PluginHostTest, ChangedOptionsOrSettingsFilePrepareAgain) {
    const unsigned w = 16, h = 16;
    HostPicture a = picture_a(w, h), b = picture_b(w, h), out(w, h);
    Instance instance(*plugin, w, h);
    auto frame = [&](double time) {
        plugin->update2(instance.get(), time, a.pixels.data(), b.pixels.data(), nullptr,
                        out.pixels.data());
    };
    frame(0);
    // The default value set explicitly leaves the record as it was.
    plugin->set_number(instance.get(), shadows, 0.5);
    frame(0.04);
    plugin->set_number(instance.get(), shadows, 0.3);
    frame(0.08);
    plugin->set_text(instance.get(), effect, "Globe");
    frame(0.12);
    plugin->set_text(instance.get(), effect, "Globe");
    plugin->set_number(instance.get(), completion, 0.7);
    frame(0.16);

    // A settings file naming another effect wins once the effect is cleared.
    EffectSettings stored;
    ASSERT_TRUE(settings_initialise(stored));
    std::strcpy(stored.name, "Stored");
    {
        chunks::ChunkStream stream = chunks::ChunkStream::open_file(
            chunks::ChunkMode::write_file, folder.path() / "Work" / "s.kdr",
            chunks::make_id("KDRR"));
        settings_write(stored, stream);
        ASSERT_EQ(stream.close(), chunks::ready);
    }
    settings_destroy(stored);
    plugin->set_text(instance.get(), settings, (folder.path() / "Work" / "s.kdr").string());
    plugin->set_text(instance.get(), effect, "");
    frame(0.2);

    const std::vector<EngineCall> prepares = engine_calls("prepare");
    ASSERT_EQ(prepares.size(), 4u);
    EXPECT_EQ(prepares[0].name, "Ballsplt");
    EXPECT_EQ(prepares[1].name, "Ballsplt");
    EXPECT_EQ(prepares[2].name, "Globe");
    EXPECT_EQ(prepares[3].name, "Stored");
    EXPECT_EQ(engine_calls("render").size(), 6u);
}

TEST_F(PluginHostTest, OnlyFramesNarrowAndLowAreQuiet) {
    // Quiet frames write no render-log lines and map no video files; a
    // 135 x 240 portrait preview and a 1920 x 100 strip are real frames.
    set_number("Rnd_Logging", 2);
    struct Size {
        unsigned w;
        unsigned h;
        bool quiet;
    };
    for (const Size size : {Size{135, 240, false}, Size{1920, 100, false}, Size{150, 100, true}}) {
        std::filesystem::remove(render_log());
        clear_engine_events();
        HostPicture a = picture_a(size.w, size.h), b = picture_b(size.w, size.h),
                    out(size.w, size.h);
        {
            Instance instance(*plugin, size.w, size.h);
            plugin->update2(instance.get(), 0, a.pixels.data(), b.pixels.data(), nullptr,
                            out.pixels.data());
        }
        const std::vector<EngineCall> renders = engine_calls("render");
        ASSERT_EQ(renders.size(), 1u) << size.w << " x " << size.h;
        EXPECT_EQ(renders[0].quiet, size.quiet ? 1u : 0u) << size.w << " x " << size.h;
        EXPECT_EQ(read_text(render_log()).find("Effect    : Ballsplt") != std::string::npos,
                  !size.quiet)
            << size.w << " x " << size.h;
    }
}

TEST_F(PluginHostTest, AnUnknownEffectPreparesOnceWithOneAndTwoThreads) {
    // The engine falls back to "Ballsplt" and writes that name into the
    // record it is given; the instance keeps its settings between frames.
    ::setenv("KDR_COUNTING_ENGINE_EFFECTS", effects().c_str(), 1);
    set_number("Rnd_Logging", 1);
    for (std::uint32_t threads : {1u, 2u}) {
        set_number("Rnd_Multi", threads == 2 ? 1 : 0);
        clear_engine_events();
        std::filesystem::remove(render_log());
        const unsigned w = 200, h = 150;  // not a quiet thumbnail: the log is written
        HostPicture a = picture_a(w, h), b = picture_b(w, h), out(w, h);
        {
            Instance instance(*plugin, w, h);
            plugin->set_text(instance.get(), effect, "Nowhere");
            for (int i = 0; i < 3; ++i) {
                plugin->update2(instance.get(), i / 25.0, a.pixels.data(), b.pixels.data(), nullptr,
                                out.pixels.data());
            }
        }
        EXPECT_EQ(engine_calls("prepare").size(), threads) << threads << " thread(s)";
        EXPECT_EQ(engine_calls("render").size(), 3 * threads) << threads << " thread(s)";
        const std::string log = read_text(render_log());
        EXPECT_EQ(log.find("Effect    : Nowhere"), log.rfind("Effect    :"))
            << threads << " thread(s), one header:\n"
            << log;
        EXPECT_NE(log.find("Effect    : Nowhere"), std::string::npos) << log;
    }
    ::unsetenv("KDR_COUNTING_ENGINE_EFFECTS");
}

TEST_F(PluginHostTest, TheSameFrameAgainRendersAgain) {
    const unsigned w = 16, h = 8;
    HostPicture a = picture_a(w, h), b = picture_b(w, h), out(w, h);
    Instance instance(*plugin, w, h);
    for (int i = 0; i < 3; ++i) {
        plugin->update2(instance.get(), 1.0, a.pixels.data(), b.pixels.data(), nullptr,
                        out.pixels.data());
    }
    EXPECT_EQ(engine_calls("render").size(), 3u);
}

TEST_F(PluginHostTest, TheOneInputUpdateGivesItsInputBack) {
    const unsigned w = 8, h = 6;
    HostPicture a = picture_a(w, h), out(w, h);
    Instance instance(*plugin, w, h);
    plugin->update(instance.get(), 0, a.pixels.data(), out.pixels.data());
    EXPECT_EQ(out.pixels, a.pixels);
    EXPECT_FALSE(std::filesystem::exists(log_file()));
}

struct FailureCase {
    const char* what;
    const char* engine;        // registry "Engine"; null: no value
    const char* fail_prepare;  // KDR_COUNTING_ENGINE_FAIL_PREPARE
};

class NoPictureTest : public PluginHostTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(NoPictureTest, OutputIsInputA) {
    const FailureCase& c = GetParam();
    if (c.engine != nullptr) {
        set_string("Engine", c.engine);
    } else {
        remove_value("Engine");
    }
    if (c.fail_prepare != nullptr) {
        fail_prepare(c.fail_prepare);
    }
    const unsigned w = 16, h = 12;
    HostPicture a = picture_a(w, h), b = picture_b(w, h), out(w, h, 0x12345678u);
    Instance instance(*plugin, w, h);
    for (int i = 0; i < 3; ++i) {
        plugin->set_number(instance.get(), completion, i / 2.0);
        plugin->update2(instance.get(), i / 25.0, a.pixels.data(), b.pixels.data(), nullptr,
                        out.pixels.data());
        EXPECT_EQ(out.pixels, a.pixels) << c.what << ", frame " << i;
        std::fill(out.pixels.begin(), out.pixels.end(), 0x12345678u);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, NoPictureTest,
                         ::testing::Values(FailureCase{"no engine named", nullptr, nullptr},
                                           FailureCase{"engine file missing", "Rnd_None", nullptr},
                                           FailureCase{"engine lacks entry points", "Rnd_Half",
                                                       nullptr},
                                           FailureCase{"every prepare fails", "Rnd_Count", "all"}),
                         [](const auto& info) {
                             std::string name = info.param.what;
                             for (char& c : name) {
                                 c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             }
                             return name;
                         });

// A host that cuts frames into slices: the instance is built at the slice's
// size and called once per slice with buffers into the whole frames.
void run_slices(PluginLibrary& plugin, f0r_instance_t instance, HostPicture& a, HostPicture& b,
                HostPicture& out, unsigned slices, double time, bool at_once) {
    const std::size_t slice = a.pixels.size() / slices;
    auto call = [&](unsigned index) {
        plugin.update2(instance, time, a.pixels.data() + index * slice,
                       b.pixels.data() + index * slice, nullptr, out.pixels.data() + index * slice);
    };
    if (!at_once) {
        for (unsigned i = 0; i < slices; ++i) {
            call(i);
        }
        return;
    }
    std::barrier start(static_cast<std::ptrdiff_t>(slices));
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < slices; ++i) {
        threads.emplace_back([&, i] {
            start.arrive_and_wait();
            call(i);
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}

TEST_F(PluginHostTest, SlicedFramesShowInputA) {
    const unsigned w = 64, h = 64, slices = 4;
    HostPicture a = picture_a(w, h), b = picture_b(w, h), out(w, h);
    Instance instance(*plugin, w, h / slices);
    ::testing::internal::CaptureStderr();
    // Slices one after another, then slices at once from a pool of threads.
    for (int frame = 0; frame < 6; ++frame) {
        plugin->set_number(instance.get(), completion, frame / 5.0);
        run_slices(*plugin, instance.get(), a, b, out, slices, frame / 25.0, frame >= 2);
        EXPECT_EQ(out.pixels, a.pixels) << "frame " << frame;
        std::fill(out.pixels.begin(), out.pixels.end(), 0u);
    }
    // The warning goes out once a process (the melt tests see it in a
    // process of its own); never once a frame or a slice.
    const std::string errors = ::testing::internal::GetCapturedStderr();
    const std::string warning = "the host cuts frames into slices";
    EXPECT_EQ(errors.find(warning), errors.rfind(warning)) << "warned more than once: " << errors;
    // Only the very first slice ever reached the engine.
    EXPECT_EQ(engine_calls("render").size(), 1u);
}

TEST_F(PluginHostTest, SlicesArrivingTogetherOnAFreshInstanceShowInputA) {
    const unsigned w = 64, h = 96, slices = 3;
    for (int round = 0; round < 10; ++round) {
        HostPicture a = picture_a(w, h), b = picture_b(w, h), out(w, h);
        Instance instance(*plugin, w, h / slices);
        plugin->set_number(instance.get(), completion, 0.5);
        run_slices(*plugin, instance.get(), a, b, out, slices, 0.2, true);
        EXPECT_EQ(out.pixels, a.pixels) << "round " << round;
    }
}

}  // namespace
}  // namespace kdr::frei0r::test
