// The render driver's cost per frame and the two-thread speed-up.
//
// BM_EngineAlone calls Rnd_Render straight through the engine's export on a
// prepared context; BM_Driver renders the same frame through the render
// driver (frame record hand-off, log switch reads, worker threads) on one
// thread or as two row halves. BM_DriverOverhead alternates the two in one
// loop and reports overhead_pct = (driver - engine) / engine * 100.
//
// Engine: by default the counting engine of the host core's tests in a
// temporary installation folder. With KALEIDRA_BENCH_PREFIX set to an
// installation folder, the engine named by KALEIDRA_BENCH_ENGINE (default
// Rnd_Generic) renders the effect KALEIDRA_BENCH_EFFECT (default Ballsplt)
// from that folder.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kaleidra/host/engine_binding.h"
#include "kaleidra/host/render_driver.h"
#include "kaleidra/install/registry_values.h"
#include "kaleidra/platform/registry.h"
#include "kaleidra/records/frame_record.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/testing/temp_folder.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint32_t frame_width = 1280;
constexpr std::uint32_t frame_height = 720;

const char* environment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? value : fallback;
}

// The installation the benchmarks render from, set up once.
struct BenchInstall {
    BenchInstall() {
        const std::filesystem::path registry = folder.path() / "registry";
        ::setenv("KALEIDRA_REGISTRY", registry.c_str(), 1);
        kdr::install::set_registry_key(kdr::install::package_registry_key);
        std::filesystem::path prefix;
        if (const char* given = std::getenv("KALEIDRA_BENCH_PREFIX")) {
            prefix = given;
            engine = environment("KALEIDRA_BENCH_ENGINE", "Rnd_Generic");
            effect = environment("KALEIDRA_BENCH_EFFECT", "Ballsplt");
        } else {
            prefix = folder.path();
            std::filesystem::create_directories(prefix / "LIBS");
            std::filesystem::create_directories(prefix / "Work");
            std::filesystem::copy_file(KDR_COUNTING_ENGINE, prefix / "LIBS" / "Rnd_Count.so");
            engine = "Rnd_Count";
            effect = "Ballsplt";
        }
        kdr::platform::Registry store(registry);
        ok = store
                 .set(kdr::install::package_registry_key,
                      kdr::platform::RegistryValue::make_string("Path", prefix.string()))
                 .ok();
    }

    kdr::test::TempFolder folder;
    std::string engine;
    std::string effect;
    bool ok = false;
};

BenchInstall& install() {
    static BenchInstall instance;
    return instance;
}

// Host-style pictures: two sources and the output, 32-bit BGRA, top row first.
struct Pictures {
    Pictures() : a(size()), b(size()), output(size()) {
        for (std::size_t i = 0; i < a.size(); ++i) {
            a[i] = static_cast<std::uint8_t>(i * 7);
            b[i] = static_cast<std::uint8_t>(255 - i * 3);
        }
    }
    static std::size_t size() { return std::size_t{frame_width} * frame_height * 4; }

    static void describe(kdr::ImageRecord& image, std::uint8_t* pixels) {
        kdr::image_set_shape(
            image, {kdr::format_bgra, 4, 1, kdr::row_order_top_down, frame_width, frame_height});
        image.buffer = pixels;
        image.owns = 0;
    }
    void fill(kdr::FrameRecord& frame, std::uint32_t position) {
        frame.width = frame_width;
        frame.height = frame_height;
        frame.image_count = 2;
        describe(frame.images[0], a.data());
        describe(frame.images[1], b.data());
        describe(frame.output, output.data());
        frame.position = position % 31;
        frame.total = 30;
        frame.flags = 0;
        kdr::frame_set_aspect(frame);
    }

    std::vector<std::uint8_t> a;
    std::vector<std::uint8_t> b;
    std::vector<std::uint8_t> output;
};

// What kaleidra-render starts from: best quality, lighting, shadows.
void typical_settings(kdr::EffectSettings& settings) {
    std::strncpy(settings.name, install().effect.c_str(), kdr::effect_name_size - 1);
    settings.globals[kdr::global_render_quality] = 1;
    settings.globals[kdr::global_image_quality] = 1;
    settings.globals[kdr::global_lighting] = 1;
    settings.globals[kdr::global_shadows] = 50;
    settings.globals[kdr::global_light_direction] = 45;
}

// The engine driven by hand: one context, prepared once.
struct DirectEngine {
    DirectEngine() {
        kdr::frame_construct(frame);
        if (!kdr::settings_initialise(settings)) {
            return;
        }
        typical_settings(settings);
        if (!binding.load_named(install().engine)) {
            return;
        }
        pictures.fill(frame, 0);
        // Without Rnd_Prepare the context stays null, which the benchmarks
        // check before they run.
        (void)binding.prepare(context, &settings, &frame);
    }
    ~DirectEngine() {
        binding.free_context(context);
        binding.release();
        settings_destroy(settings);
    }
    int render(std::uint32_t position) {
        pictures.fill(frame, position);
        return binding.render(context, &settings, &frame);
    }

    kdr::host::EngineBinding binding;
    kdr::RenderContext* context = nullptr;
    kdr::EffectSettings settings;
    kdr::FrameRecord frame;
    Pictures pictures;
};

struct DrivenEngine {
    explicit DrivenEngine(bool two_threads) {
        loaded = driver.use_engine(install().engine).ok();
        driver.set_multi(two_threads);
        typical_settings(driver.settings());
        render(0);  // prepares
    }
    int render(std::uint32_t position) {
        pictures.fill(driver.frame(0), position);
        driver.render(kdr::host::FrameCall::whole_frame);
        return driver.slot(0).last_result;
    }

    kdr::host::RenderDriver driver;
    Pictures pictures;
    bool loaded = false;
};

void BM_EngineAlone(benchmark::State& state) {
    if (!install().ok) {
        state.SkipWithError("cannot set up the installation folder");
        return;
    }
    DirectEngine engine;
    if (engine.context == nullptr) {
        state.SkipWithError("the engine did not prepare");
        return;
    }
    std::uint32_t position = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(engine.render(position++));
    }
    state.SetLabel(install().engine);
}

void BM_Driver(benchmark::State& state) {
    if (!install().ok) {
        state.SkipWithError("cannot set up the installation folder");
        return;
    }
    DrivenEngine driven(state.range(0) == 2);
    if (!driven.loaded || driven.driver.slot(0).context == nullptr) {
        state.SkipWithError("the engine did not load or prepare");
        return;
    }
    std::uint32_t position = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(driven.render(position++));
    }
    state.SetLabel(install().engine + (state.range(0) == 2 ? ", two halves" : ", one thread"));
}

void BM_DriverOverhead(benchmark::State& state) {
    if (!install().ok) {
        state.SkipWithError("cannot set up the installation folder");
        return;
    }
    DirectEngine engine;
    DrivenEngine driven(false);
    if (engine.context == nullptr || driven.driver.slot(0).context == nullptr) {
        state.SkipWithError("the engine did not prepare");
        return;
    }
    double engine_seconds = 0;
    double driver_seconds = 0;
    std::uint32_t position = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        benchmark::DoNotOptimize(engine.render(position));
        const auto middle = Clock::now();
        benchmark::DoNotOptimize(driven.render(position));
        const auto end = Clock::now();
        ++position;
        engine_seconds += std::chrono::duration<double>(middle - start).count();
        driver_seconds += std::chrono::duration<double>(end - middle).count();
    }
    const double frames = static_cast<double>(state.iterations());
    state.counters["engine_ms"] = engine_seconds / frames * 1000;
    state.counters["driver_ms"] = driver_seconds / frames * 1000;
    state.counters["overhead_pct"] = (driver_seconds - engine_seconds) / engine_seconds * 100;
    state.SetLabel(install().engine);
}

void BM_DriverFixedCost(benchmark::State& state) {
    static kdr::test::TempFolder folder;
    static const bool ready = [] {
        std::filesystem::create_directories(folder.path() / "LIBS");
        std::error_code ignored;
        std::filesystem::copy_file(KDR_COUNTING_ENGINE, folder.path() / "LIBS" / "Rnd_Tiny.so",
                                   ignored);
        return std::filesystem::exists(folder.path() / "LIBS" / "Rnd_Tiny.so");
    }();
    if (!install().ok || !ready) {
        state.SkipWithError("cannot set up the counting engine");
        return;
    }
    kdr::platform::Registry store(kdr::platform::Registry::default_file());
    const std::optional<std::string> path = kdr::install::read_string("Path");
    (void)store.set(kdr::install::package_registry_key,
                    kdr::platform::RegistryValue::make_string("Path", folder.path().string()));
    {
        kdr::host::RenderDriver driver;
        if (!driver.use_engine("Rnd_Tiny")) {
            state.SkipWithError("the counting engine did not load");
        } else {
            driver.set_multi(state.range(0) == 2);
            std::vector<std::uint8_t> pixels(16 * 16 * 4);
            std::uint32_t position = 0;
            for (auto _ : state) {
                kdr::FrameRecord& frame = driver.frame(0);
                frame.width = 16;
                frame.height = 16;
                frame.image_count = 2;
                for (kdr::ImageRecord* image :
                     {&frame.images[0], &frame.images[1], &frame.output}) {
                    image->format = kdr::format_bgra;
                    image->row_order = kdr::row_order_top_down;
                    image->bytes_per_pixel = 4;
                    image->alignment = 1;
                    image->width = image->row_length = 16;
                    image->height = image->stored_rows = 16;
                    if (!kdr::image_update_sizes(*image)) {
                        std::abort();  // 16 x 16 always fits
                    }
                    image->buffer = pixels.data();
                }
                frame.position = position++ % 31;
                frame.total = 30;
                driver.render(kdr::host::FrameCall::whole_frame);
                benchmark::DoNotOptimize(driver.slot(0).last_result);
            }
        }
    }
    if (path) {
        (void)store.set(kdr::install::package_registry_key,
                        kdr::platform::RegistryValue::make_string("Path", *path));
    }
    state.SetLabel(state.range(0) == 2 ? "two halves" : "one thread");
}

BENCHMARK(BM_EngineAlone)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Driver)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DriverOverhead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DriverFixedCost)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
