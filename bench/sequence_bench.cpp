// Finding the picture of a frame far past the end of a numbered sequence:
// frame 2,000,000 of a seven-picture bitmap sequence (take0001.bmp to
// take0007.bmp, 320 x 240), as kdr-image --frame does it (a fresh loader,
// one listing of the folder) and as a mapped video does it frame after frame
// (the listing kept). Also the search alone, without reading the picture.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <string>

#include "kaleidra/images/bmp_file.h"
#include "kaleidra/images/image_sequence.h"
#include "kaleidra/images/mapped_video.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/testing/temp_folder.h"

namespace {

constexpr std::uint32_t far_frame = 2'000'000;

class Sequence {
  public:
    Sequence() {
        kdr::ImageRecord picture;
        kdr::image_construct(picture);
        kdr::image_set_shape(picture, {kdr::format_bgr, 3, 4, kdr::row_order_bottom_up, 320, 240});
        if (!kdr::image_allocate(picture)) {
            throw std::bad_alloc();
        }
        for (int f = 1; f <= 7; ++f) {
            const std::string name = "take000" + std::to_string(f) + ".bmp";
            if (!kdr::write_bmp_file(picture, m_folder.path() / name).ok()) {
                throw std::runtime_error("cannot write " + name);
            }
        }
        kdr::image_release_all(picture);
        // A sequence written just now is listed afresh each time, in case a
        // coarse file clock hides a change; an older one keeps its listing.
        std::filesystem::last_write_time(
            m_folder.path(), std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    }
    std::string first() const { return (m_folder.path() / "take0001.bmp").string(); }

  private:
    kdr::test::TempFolder m_folder;
};

void fresh_loader(benchmark::State& state) {
    const Sequence sequence;
    kdr::ImageRecord image;
    kdr::image_construct(image);
    for (auto _ : state) {
        if (!kdr::load_mapped_video_frame(image, sequence.first(), kdr::mapped_bitmap_sequence,
                                          far_frame)
                 .ok()) {
            state.SkipWithError("the sequence did not load");
            break;
        }
    }
    kdr::image_release_all(image);
}

void kept_listing(benchmark::State& state) {
    const Sequence sequence;
    kdr::ImageRecord image;
    kdr::image_construct(image);
    kdr::MappedVideo video;
    std::uint32_t frame = far_frame;
    for (auto _ : state) {
        if (!video.load(image, sequence.first(), kdr::mapped_bitmap_sequence, frame++).ok()) {
            state.SkipWithError("the sequence did not load");
            break;
        }
    }
    kdr::image_release_all(image);
}

void search_only(benchmark::State& state) {
    const Sequence sequence;
    kdr::SequenceFiles files;
    for (auto _ : state) {
        std::string found;
        files.load_frame(sequence.first(), far_frame, [&](const std::string& file) {
            found = file;
            return true;
        });
        benchmark::DoNotOptimize(found);
    }
}

}  // namespace

BENCHMARK(fresh_loader)->Unit(benchmark::kMicrosecond);
BENCHMARK(kept_listing)->Unit(benchmark::kMicrosecond);
BENCHMARK(search_only)->Unit(benchmark::kMicrosecond);
