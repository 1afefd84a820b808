// The engines' final copy into the host's buffer, at 1920 x 1080: same-size
// conversions and the 2 x 2 block average that halves an antialiased frame.
// Every iteration also copies the same number of bytes with memcpy (the
// larger of the two pictures), so the counter "vs_memcpy" is
// memcpy time / conversion time measured side by side in one run: 1.0 means
// as fast as a plain copy.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "image_convert_testing.h"
#include "kaleidra/records/image_convert.h"
#include "kaleidra/records/image_record.h"

namespace {

using Clock = std::chrono::steady_clock;

kdr::ImageRecord make_picture(std::uint32_t width, std::uint32_t height, std::uint8_t format) {
    kdr::ImageRecord image;
    kdr::image_construct(image);
    kdr::image_set_shape(
        image, {format, static_cast<std::uint8_t>(kdr::image_has_alpha(format) ? 4 : 3), 4,
                kdr::row_order_bottom_up, width, height});
    if (!kdr::image_allocate(image)) {
        return image;
    }
    for (std::uint32_t i = 0; i < image.size; ++i) {
        image.buffer[i] = static_cast<std::uint8_t>(i * 131 + (i >> 9));
    }
    return image;
}

void run_against_memcpy(benchmark::State& state, std::uint32_t source_width,
                        std::uint32_t source_height, std::uint8_t source_format,
                        std::uint8_t target_format) {
    kdr::ImageRecord source = make_picture(source_width, source_height, source_format);
    kdr::ImageRecord target = make_picture(1920, 1080, target_format);
    const std::size_t bytes = std::max(source.size, target.size);
    std::vector<std::uint8_t> copy_from(bytes, 1);
    std::vector<std::uint8_t> copy_to(bytes, 2);
    if (source.buffer == nullptr || target.buffer == nullptr) {
        state.SkipWithError("cannot allocate the pictures");
        return;
    }
    double convert_seconds = 0;
    double memcpy_seconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        bool converted = kdr::image_convert(source, target, kdr::convert_all_rows);
        const auto middle = Clock::now();
        std::memcpy(copy_to.data(), copy_from.data(), bytes);
        const auto end = Clock::now();
        benchmark::DoNotOptimize(converted);
        benchmark::DoNotOptimize(copy_to.data());
        benchmark::ClobberMemory();
        const double convert_time = std::chrono::duration<double>(middle - start).count();
        convert_seconds += convert_time;
        memcpy_seconds += std::chrono::duration<double>(end - middle).count();
        state.SetIterationTime(convert_time);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["vs_memcpy"] = memcpy_seconds / convert_seconds;
    state.counters["memcpy_ms"] = 1000.0 * memcpy_seconds / static_cast<double>(state.iterations());
    kdr::image_release_all(source);
    kdr::image_release_all(target);
}

void BM_ConvertBgraToBgra(benchmark::State& state) {
    run_against_memcpy(state, 1920, 1080, kdr::format_bgra, kdr::format_bgra);
}
void BM_ConvertBgrToBgra(benchmark::State& state) {
    run_against_memcpy(state, 1920, 1080, kdr::format_bgr, kdr::format_bgra);
}
void BM_ConvertBgrToBgr(benchmark::State& state) {
    run_against_memcpy(state, 1920, 1080, kdr::format_bgr, kdr::format_bgr);
}
void BM_ConvertBgraToBgr(benchmark::State& state) {
    run_against_memcpy(state, 1920, 1080, kdr::format_bgra, kdr::format_bgr);
}
void BM_ConvertBgrToArgb(benchmark::State& state) {
    run_against_memcpy(state, 1920, 1080, kdr::format_bgr, kdr::format_argb);
}
// The loops used where the processor has no SSSE3.
void BM_ConvertBgrToBgraPortable(benchmark::State& state) {
    kdr::force_portable_conversion(true);
    run_against_memcpy(state, 1920, 1080, kdr::format_bgr, kdr::format_bgra);
    kdr::force_portable_conversion(false);
}
void BM_ConvertBgraToBgrPortable(benchmark::State& state) {
    kdr::force_portable_conversion(true);
    run_against_memcpy(state, 1920, 1080, kdr::format_bgra, kdr::format_bgr);
    kdr::force_portable_conversion(false);
}
void BM_HalveBgrToBgra(benchmark::State& state) {
    run_against_memcpy(state, 3840, 2160, kdr::format_bgr, kdr::format_bgra);
}
void BM_HalveBgrToBgr(benchmark::State& state) {
    run_against_memcpy(state, 3840, 2160, kdr::format_bgr, kdr::format_bgr);
}
void BM_ShrinkBgrToBgraByThree(benchmark::State& state) {
    run_against_memcpy(state, 5760, 3240, kdr::format_bgr, kdr::format_bgra);
}

}  // namespace

BENCHMARK(BM_ConvertBgraToBgra)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertBgrToBgra)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertBgrToBgr)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertBgraToBgr)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertBgrToArgb)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertBgrToBgraPortable)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertBgraToBgrPortable)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HalveBgrToBgra)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HalveBgrToBgr)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShrinkBgrToBgraByThree)->UseManualTime()->Unit(benchmark::kMillisecond);
