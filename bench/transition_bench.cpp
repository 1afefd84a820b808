// Shipped two-video transitions rendered as a host renders them: through the
// render driver with an installed engine, on one worker thread or as two row
// halves on two threads, at the sizes and options bench/run tabulates; the
// time of Rnd_Prepare; a selection-dialog preview (one prepare, then 30
// small frames); and the memory limit of a frame that reads two pictures and
// writes one.
//
// Needs an installation folder in KALEIDRA_BENCH_PREFIX (cmake --install, as
// bench/run does); without one the engine benchmarks report an error and
// only the memory benchmarks run. Rnd_Hardware draws on $DISPLAY, or on a
// virtual-framebuffer server started for the run when none is set.
//
// Names: render/ENGINE/EFFECT/WxH/OPTIONS/threads:N, prepare/ENGINE/EFFECT/WxH,
// preview/ENGINE/EFFECT, memory/read2write1/WxH/threads:N. Every benchmark
// reports the 1-minute load average at its end as "load".

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "kaleidra/host/engine_binding.h"
#include "kaleidra/host/render_driver.h"
#include "kaleidra/install/registry_values.h"
#include "kaleidra/platform/registry.h"
#include "kaleidra/records/frame_record.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/testing/temp_folder.h"
#include "kaleidra/testing/xvfb_server.h"

namespace {

using namespace kdr;

// One transition of 60 frames: position i of 59.
constexpr std::uint32_t transition_total = 59;
// Frames are visited in a stride coprime to 60, so that however few frames
// a benchmark renders they spread over the whole transition.
constexpr std::uint32_t position_stride = 23;

double load_average() {
    std::ifstream in("/proc/loadavg");
    double load = -1;
    in >> load;
    return load;
}

void report_load(benchmark::State& state) {
    state.counters["load"] = benchmark::Counter(load_average());
}

// The installation folder, its registry and the X server of the run.
struct Environment {
    kdr::test::TempFolder folder;
    kdr::test::XvfbServer x_server;
    std::filesystem::path prefix;
    bool installed = false;
    bool x_ready = false;
    std::string error;

    Environment() {
        const char* given = std::getenv("KALEIDRA_BENCH_PREFIX");
        if (given == nullptr || given[0] == '\0') {
            error = "KALEIDRA_BENCH_PREFIX names no installation folder";
            return;
        }
        prefix = given;
        if (!std::filesystem::is_directory(prefix / "LIBS")) {
            error = "no LIBS folder in " + prefix.string();
            return;
        }
        const std::filesystem::path registry = folder.path() / "registry";
        ::setenv("KALEIDRA_REGISTRY", registry.c_str(), 1);
        install::set_registry_key(install::package_registry_key);
        installed = platform::Registry(registry)
                        .set(install::package_registry_key,
                             platform::RegistryValue::make_string("Path", prefix.string()))
                        .ok();
        if (!installed) {
            error = "cannot write the registry store";
        }
        x_ready = x_server.start(error);
    }
};

Environment& environment() {
    static Environment instance;
    return instance;
}

bool ready(benchmark::State& state, const std::string& engine) {
    Environment& env = environment();
    if (!env.installed) {
        state.SkipWithError(env.error.c_str());
        return false;
    }
    if (engine == "Rnd_Hardware" && !env.x_ready) {
        state.SkipWithError(("no X server: " + env.error).c_str());
        return false;
    }
    return true;
}

// Host pictures: 32-bit blue, green, red, alpha, bottom row first, alpha
// 255. Three different pairs of sources cycle, as a movie's frames do.
struct Pictures {
    static constexpr int pairs = 3;
    std::uint32_t width;
    std::uint32_t height;
    std::vector<std::vector<std::uint8_t>> a;
    std::vector<std::vector<std::uint8_t>> b;
    std::vector<std::uint8_t> output;

    Pictures(std::uint32_t w, std::uint32_t h)
        : width(w), height(h), output(std::size_t{w} * h * 4) {
        for (int i = 0; i < pairs; ++i) {
            a.push_back(pattern(i * 2 + 1));
            b.push_back(pattern(i * 2 + 2));
        }
    }

    std::vector<std::uint8_t> pattern(int seed) const {
        std::vector<std::uint8_t> pixels(std::size_t{width} * height * 4);
        for (std::uint32_t y = 0; y < height; ++y) {
            std::uint8_t* row = pixels.data() + std::size_t{y} * width * 4;
            for (std::uint32_t x = 0; x < width; ++x) {
                row[x * 4 + 0] = static_cast<std::uint8_t>(x * seed + y);
                row[x * 4 + 1] = static_cast<std::uint8_t>(y * 3 + seed * 40);
                row[x * 4 + 2] = static_cast<std::uint8_t>((x ^ y) + seed * 17);
                row[x * 4 + 3] = 255;
            }
        }
        return pixels;
    }

    void describe(ImageRecord& image, std::uint8_t* pixels) const {
        image_set_shape(image, {format_bgra, 4, 4, row_order_bottom_up, width, height});
        image.buffer = pixels;
        image.owns = 0;
    }

    void fill(FrameRecord& frame, std::uint32_t index, std::uint32_t position, std::uint32_t total,
              bool quiet) {
        frame.width = width;
        frame.height = static_cast<std::int32_t>(height);
        frame.image_count = 2;
        describe(frame.images[0], a[index % pairs].data());
        describe(frame.images[1], b[index % pairs].data());
        describe(frame.output, output.data());
        frame.position = position;
        frame.total = total;
        frame.quiet = quiet ? 1 : 0;
        frame.flags = 0;
        frame.background[3] = 1;
        frame_set_aspect(frame);
    }
};

enum class Options { defaults, antialias, blur4, lighting };

const char* option_name(Options options) {
    switch (options) {
        case Options::defaults:
            return "defaults";
        case Options::antialias:
            return "antialias";
        case Options::blur4:
            return "blur4";
        case Options::lighting:
            return "lighting";
    }
    return "?";
}

// Defaults are the zero-initialised record a host starts from (smooth
// shading, fastest quality and filtering, no antialiasing, lighting, blur).
void apply_options(EffectSettings& settings, const std::string& effect, Options options) {
    std::memset(settings.name, 0, sizeof settings.name);
    std::strncpy(settings.name, effect.c_str(), effect_name_size - 1);
    switch (options) {
        case Options::defaults:
            break;
        case Options::antialias:
            settings.globals[global_antialias] = 1;
            break;
        case Options::blur4:
            settings.globals[global_blur_count] = 4;
            settings.globals[global_blur_percent] = 50;
            break;
        case Options::lighting:
            settings.globals[global_lighting] = 1;
            settings.globals[global_shadows] = 50;
            break;
    }
}

struct Size {
    std::uint32_t width;
    std::uint32_t height;
};

void render_frames(benchmark::State& state, std::string engine, std::string effect, Size size,
                   Options options, int threads) {
    if (!ready(state, engine)) {
        return;
    }
    host::RenderDriver driver;
    if (kdr::Status loaded = driver.use_engine(engine); !loaded) {
        state.SkipWithError(("cannot load " + engine + ": " + loaded.error()).c_str());
        return;
    }
    driver.set_multi(threads == 2);
    apply_options(driver.settings(), effect, options);
    Pictures pictures(size.width, size.height);
    pictures.fill(driver.frame(0), 0, 0, transition_total, false);
    driver.render(host::FrameCall::whole_frame);  // prepares
    if (driver.slot(0).last_result != 1) {
        state.SkipWithError("the first frame did not render");
        return;
    }
    std::uint32_t index = 0;
    for (auto _ : state) {
        const std::uint32_t position = (index * position_stride) % (transition_total + 1);
        pictures.fill(driver.frame(0), index, position, transition_total, false);
        driver.render(host::FrameCall::whole_frame);
        if (driver.slot(0).last_result != 1 || (threads == 2 && driver.slot(1).last_result != 1)) {
            state.SkipWithError("a frame did not render");
            break;
        }
        ++index;
    }
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    report_load(state);
}

// An engine loaded as the host loads it, with the effect's settings at
// default options: what a prepare or a preview calls straight.
struct EngineCalls {
    host::EngineBinding binding;
    EffectSettings settings{};
    bool has_settings = false;

    bool load(benchmark::State& state, const std::string& engine, const std::string& effect) {
        if (!ready(state, engine)) {
            return false;
        }
        if (kdr::Status loaded = binding.load_named(engine); !loaded) {
            state.SkipWithError(("cannot load " + engine + ": " + loaded.error()).c_str());
            return false;
        }
        if (!settings_initialise(settings)) {
            state.SkipWithError("out of memory for the settings");
            return false;
        }
        has_settings = true;
        apply_options(settings, effect, Options::defaults);
        return true;
    }
    ~EngineCalls() {
        if (has_settings) {
            settings_destroy(settings);
        }
    }
};

// Rnd_Prepare on the context the last prepare returned, as the driver calls
// it when the settings change.
void prepare_context(benchmark::State& state, std::string engine, std::string effect, Size size) {
    EngineCalls calls;
    if (!calls.load(state, engine, effect)) {
        return;
    }
    host::EngineBinding& binding = calls.binding;
    EffectSettings& settings = calls.settings;
    FrameRecord frame{};
    frame_construct(frame);
    Pictures pictures(size.width, size.height);
    pictures.fill(frame, 0, 0, transition_total, false);
    RenderContext* context = nullptr;
    for (auto _ : state) {
        if (!binding.prepare(context, &settings, &frame) || context == nullptr) {
            state.SkipWithError("Rnd_Prepare failed");
            break;
        }
    }
    binding.free_context(context);
    report_load(state);
}

// The selection dialog's preview thread: one prepare, then 30 quiet frames
// of 64 x 64 (positions 0 to 29 of 29). One iteration is the whole preview.
void preview(benchmark::State& state, std::string engine, std::string effect) {
    EngineCalls calls;
    if (!calls.load(state, engine, effect)) {
        return;
    }
    host::EngineBinding& binding = calls.binding;
    EffectSettings& settings = calls.settings;
    FrameRecord frame{};
    frame_construct(frame);
    Pictures pictures(64, 64);
    constexpr std::uint32_t frames = 30;
    RenderContext* context = nullptr;
    for (auto _ : state) {
        pictures.fill(frame, 0, 0, frames - 1, true);
        if (!binding.prepare(context, &settings, &frame) || context == nullptr) {
            state.SkipWithError("Rnd_Prepare failed");
            break;
        }
        for (std::uint32_t position = 0; position < frames; ++position) {
            pictures.fill(frame, position, position, frames - 1, true);
            if (binding.render(context, &settings, &frame) != 1) {
                state.SkipWithError("a preview frame did not render");
                break;
            }
        }
    }
    binding.free_context(context);
    report_load(state);
}

// ---------------------------------------------------------------------------
// The memory limit: every frame reads two BGRA pictures and writes one (the
// least any transition between two videos must move), here as the byte-wise
// average of the two, on one thread or as two row halves on two threads.

void average_rows(const std::uint8_t* a, const std::uint8_t* b, std::uint8_t* out,
                  std::size_t bytes) {
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 64 <= bytes; i += 64) {
        for (std::size_t k = 0; k < 64; k += 16) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i + k));
            const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i + k));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + k), _mm_avg_epu8(x, y));
        }
    }
#endif
    for (; i < bytes; ++i) {
        out[i] = static_cast<std::uint8_t>((a[i] + b[i] + 1) / 2);
    }
}

// A second thread kept for the whole benchmark, handed one job per frame:
// starting a thread per frame would cost more than a small frame's copy.
class Helper {
  public:
    Helper() : m_thread([this] { loop(); }) {}
    ~Helper() {
        m_stop.store(true, std::memory_order_release);
        m_generation.fetch_add(1, std::memory_order_acq_rel);
        m_thread.join();
    }
    Helper(const Helper&) = delete;
    Helper& operator=(const Helper&) = delete;

    void start(std::function<void()> job) {
        m_job = std::move(job);
        m_done.store(false, std::memory_order_release);
        m_generation.fetch_add(1, std::memory_order_acq_rel);
    }
    void wait() const {
        while (!m_done.load(std::memory_order_acquire)) {
            std::this_thread::yield();
        }
    }

  private:
    void loop() {
        std::uint64_t seen = 0;
        for (;;) {
            while (m_generation.load(std::memory_order_acquire) == seen) {
                std::this_thread::yield();
            }
            seen = m_generation.load(std::memory_order_acquire);
            if (m_stop.load(std::memory_order_acquire)) {
                return;
            }
            m_job();
            m_done.store(true, std::memory_order_release);
        }
    }

    std::function<void()> m_job;
    std::atomic<std::uint64_t> m_generation{0};
    std::atomic<bool> m_done{true};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

void read_two_write_one(benchmark::State& state, Size size, int threads) {
    const std::size_t bytes = std::size_t{size.width} * size.height * 4;
    // Three pairs and outputs cycle, as for the render benchmarks.
    constexpr int sets = 3;
    std::vector<std::vector<std::uint8_t>> a(sets, std::vector<std::uint8_t>(bytes, 1));
    std::vector<std::vector<std::uint8_t>> b(sets, std::vector<std::uint8_t>(bytes, 2));
    std::vector<std::vector<std::uint8_t>> out(sets, std::vector<std::uint8_t>(bytes, 0));
    const std::size_t half = bytes / 2 / 64 * 64;
    std::unique_ptr<Helper> helper = threads == 2 ? std::make_unique<Helper>() : nullptr;
    int index = 0;
    for (auto _ : state) {
        const int s = index++ % sets;
        if (helper) {
            helper->start([&, s] {
                average_rows(a[s].data() + half, b[s].data() + half, out[s].data() + half,
                             bytes - half);
            });
            average_rows(a[s].data(), b[s].data(), out[s].data(), half);
            helper->wait();
        } else {
            average_rows(a[s].data(), b[s].data(), out[s].data(), bytes);
        }
        benchmark::DoNotOptimize(out[s].data());
        benchmark::ClobberMemory();
    }
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes) * 3);
    report_load(state);
}

std::vector<std::string> list_from(const char* variable, std::vector<std::string> fallback) {
    const char* value = std::getenv(variable);
    if (value == nullptr || value[0] == '\0') {
        return fallback;
    }
    std::vector<std::string> items;
    std::string item;
    for (const char* c = value;; ++c) {
        if (*c == ',' || *c == '\0') {
            if (!item.empty()) {
                items.push_back(item);
            }
            item.clear();
            if (*c == '\0') {
                break;
            }
        } else {
            item += *c;
        }
    }
    return items;
}

std::vector<Size> sizes() {
    std::vector<Size> list;
    for (const std::string& text :
         list_from("KALEIDRA_BENCH_SIZES", {"720x480", "1280x720", "1920x1080"})) {
        const std::size_t cross = text.find('x');
        if (cross == std::string::npos) {
            continue;
        }
        const unsigned long width = std::strtoul(text.c_str(), nullptr, 10);
        const unsigned long height = std::strtoul(text.c_str() + cross + 1, nullptr, 10);
        if (width > 0 && height > 0 && width <= 8192 && height <= 8192) {
            list.push_back({static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)});
        }
    }
    return list;
}

std::string size_name(Size size) {
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

// A fixed frame count (KALEIDRA_BENCH_ITERATIONS) for profiling runs.
benchmark::internal::Benchmark* configure(benchmark::internal::Benchmark* benchmark) {
    benchmark->Unit(benchmark::kMillisecond)->UseRealTime();
    if (const char* count = std::getenv("KALEIDRA_BENCH_ITERATIONS")) {
        const long iterations = std::strtol(count, nullptr, 10);
        if (iterations > 0) {
            benchmark->Iterations(iterations);
        }
    }
    return benchmark;
}

const int registered = [] {
    const std::vector<std::string> engines =
        list_from("KALEIDRA_BENCH_ENGINES", {"Rnd_Generic", "Rnd_Hardware"});
    const std::vector<std::string> effects =
        list_from("KALEIDRA_BENCH_EFFECTS", {"Ballsplt", "FlipOver", "CubeTurn"});
    const Options all_options[] = {Options::defaults, Options::antialias, Options::blur4,
                                   Options::lighting};
    for (const std::string& engine : engines) {
        for (const std::string& effect : effects) {
            for (Size size : sizes()) {
                for (Options options : all_options) {
                    for (int threads : {1, 2}) {
                        configure(benchmark::RegisterBenchmark(
                            ("render/" + engine + "/" + effect + "/" + size_name(size) + "/" +
                             option_name(options) + "/threads:" + std::to_string(threads))
                                .c_str(),
                            render_frames, engine, effect, size, options, threads));
                    }
                }
                configure(benchmark::RegisterBenchmark(
                    ("prepare/" + engine + "/" + effect + "/" + size_name(size)).c_str(),
                    prepare_context, engine, effect, size));
            }
            configure(benchmark::RegisterBenchmark(("preview/" + engine + "/" + effect).c_str(),
                                                   preview, engine, effect));
        }
    }
    for (Size size : sizes()) {
        for (int threads : {1, 2}) {
            configure(benchmark::RegisterBenchmark(
                ("memory/read2write1/" + size_name(size) + "/threads:" + std::to_string(threads))
                    .c_str(),
                read_two_write_one, size, threads));
        }
    }
    return 0;
}();

}  // namespace
