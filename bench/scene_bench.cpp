// The frame scene of a 2,000-polygon effect with envelopes, paths, morphs
// and trails (time per frame), and reading a 1 MB effect file (bytes per
// second). Figures in BENCHMARKS.md.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/records/frame_record.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/scene/evaluation.h"
#include "kaleidra/scene/scene.h"

namespace {

using namespace kdr;

// A grid of `columns` x `rows` quads in the XY plane, bent a little in z so
// that smoothing has work to do.
void make_grid(scene::Object& object, int columns, int rows, float lift, std::uint16_t surface) {
    for (int y = 0; y <= rows; ++y) {
        for (int x = 0; x <= columns; ++x) {
            const float fx = static_cast<float>(x) / static_cast<float>(columns);
            const float fy = static_cast<float>(y) / static_cast<float>(rows);
            object.vertices.push_back({fx, fy, lift * fx * fy});
        }
    }
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < columns; ++x) {
            scene::Polygon polygon;
            polygon.corner_count = 4;
            const auto at = [&](int cx, int cy) {
                return static_cast<std::uint16_t>(cy * (columns + 1) + cx);
            };
            polygon.vertex = {at(x, y), at(x, y + 1), at(x + 1, y + 1), at(x + 1, y)};
            polygon.s = {0, 0, 1, 1};
            polygon.t = {0, 1, 1, 0};
            polygon.surface_id = surface;
            object.polygons.push_back(polygon);
        }
    }
}

PathKey key_at(float time, float x, float y, float z, float heading) {
    PathKey key;
    key.time = time;
    key.position[0] = x;
    key.position[1] = y;
    key.position[2] = z;
    key.heading = heading;
    return key;
}

// Eight video objects of 250 quads (2,000 polygons), each with a morph
// target, a five-key path and two envelopes (transparency, morph position),
// plus two envelopes on settings values.
void build_effect(Scene& scene) {
    scene.type = 1;
    scene.video_names = {"A", "B"};
    auto& camera = *scene.cameras.emplace_back(std::make_unique<scene::Camera>());
    camera.id = 1;
    camera.motion.position[2] = 10;
    for (std::uint16_t s = 1; s <= 2; ++s) {
        auto& surface = *scene.surfaces.emplace_back(std::make_unique<scene::Surface>());
        surface.id = s;
        surface.source_kind = source_video;
        surface.video_number = s;
        surface.frame_offset_or_smoothing = 1;
    }
    for (std::uint16_t i = 0; i < 8; ++i) {
        const std::uint16_t id = static_cast<std::uint16_t>(10 + 10 * i);
        auto& object = *scene.objects.emplace_back(std::make_unique<scene::Object>());
        object.id = id;
        object.video_number = 1u + i % 2u;
        object.morph_target_count = 1;
        object.next_morph_target_id = static_cast<std::uint16_t>(id + 1);
        make_grid(object, 25, 10, 0.2f, static_cast<std::uint16_t>(1 + i % 2));
        auto& target = *scene.objects.emplace_back(std::make_unique<scene::Object>());
        target.id = static_cast<std::uint16_t>(id + 1);
        target.morph_target_flag = 1;
        make_grid(target, 25, 10, -0.5f, 1);
        target.polygons.clear();

        auto& path = *scene.paths.emplace_back(std::make_unique<scene::Path>());
        path.id = static_cast<std::uint16_t>(id + 2);
        path.link_id = static_cast<std::int16_t>(id);
        for (int k = 0; k <= 4; ++k) {
            const float t = static_cast<float>(k) / 4;
            path.keys.push_back(key_at(t, t * 4 - 2, static_cast<float>(i) * 0.1f, -t, 90 * t));
        }
        for (std::uint16_t parameter = 0; parameter < 2; ++parameter) {
            auto& envelope = *scene.envelopes.emplace_back(std::make_unique<scene::Envelope>());
            envelope.id = static_cast<std::uint16_t>(id + 3 + parameter);
            envelope.link_id = static_cast<std::int16_t>(id);
            envelope.parameter = parameter;
            envelope.keys = {EnvelopeKey{0, 0, 0, 0, 0, 0, 0},
                             EnvelopeKey{0.5f, 0.3f, 0, 0, 0, 0, 0},
                             EnvelopeKey{1, 1, 0, 0, 0, 0, 0}};
        }
    }
    for (std::uint16_t parameter : {205, 105}) {
        auto& envelope = *scene.envelopes.emplace_back(std::make_unique<scene::Envelope>());
        envelope.id = static_cast<std::uint16_t>(200 + parameter);
        envelope.parameter = parameter;
        envelope.keys = {EnvelopeKey{0, 0, 0, 0, 0, 0, 0}, EnvelopeKey{1, 30, 0, 0, 0, 0, 0}};
    }
    scene.link();
}

struct FrameFixture {
    FrameFixture() {
        build_effect(scene);
        if (!settings_initialise(settings)) {
            std::abort();  // out of memory: no figure would mean anything
        }
        settings.globals[global_lighting] = 1;
        settings.video_values[0][video_trail_count] = 3;
        settings.video_values[1][video_trail_count] = 3;
        frame_construct(frame);
        for (int slot = 0; slot < 2; ++slot) {
            ImageRecord& image = frame.images[slot];
            image.format = format_bgr;
            image.bytes_per_pixel = 3;
            image.alignment = 4;
            image.width = image.height = image.row_length = image.stored_rows = 16;
            if (!image_allocate(image)) {
                std::abort();
            }
        }
        frame.image_count = 2;
        frame.position = 50;
        frame.total = 100;
    }
    ~FrameFixture() {
        frame_release_images(frame);
        settings_destroy(settings);
    }
    Scene scene;
    EffectSettings settings;
    FrameRecord frame;
};

void BM_FrameScene(benchmark::State& state) {
    FrameFixture fixture;
    FrameSceneRequest request;
    request.scene = &fixture.scene;
    request.settings = &fixture.settings;
    request.frame = &fixture.frame;
    request.completion = 0.5f;
    request.layout_preview = state.range(0) != 0;
    std::size_t polygons = 0;
    for (auto _ : state) {
        FrameScene frame = build_frame_scene(request);
        polygons = 0;
        for (const auto& object : frame.scene->objects) {
            polygons += object->polygons.size();
        }
        benchmark::DoNotOptimize(frame.scene.get());
    }
    state.counters["polygons_out"] = static_cast<double>(polygons);
}
BENCHMARK(BM_FrameScene)->ArgName("layout")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_ReadEffectFile(benchmark::State& state) {
    // Keep texture lookups away from the user's installation.
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kdr-scene-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    ::setenv("KALEIDRA_REGISTRY", (folder / "registry").c_str(), 1);
    const std::filesystem::path file = folder / "BIG.KDR";
    {
        Scene big;
        build_effect(big);
        // Fifteen objects of 1,000 quads bring the file to about 1 MB.
        for (std::uint16_t i = 0; i < 15; ++i) {
            auto& object = *big.objects.emplace_back(std::make_unique<scene::Object>());
            object.id = static_cast<std::uint16_t>(1000 + i);
            make_grid(object, 50, 20, 0.1f, 1);
        }
        chunks::ChunkStream stream = chunks::ChunkStream::open_file(chunks::ChunkMode::write_file,
                                                                    file, chunks::make_id("KDRE"));
        big.write_items(stream);
        if (stream.close() != chunks::ready) {
            state.SkipWithError("cannot write the effect file");
            return;
        }
    }
    const auto size = static_cast<std::int64_t>(std::filesystem::file_size(file));
    for (auto _ : state) {
        Scene scene;
        if (!scene.load_file(file)) {
            state.SkipWithError("the effect file does not load");
            break;
        }
        benchmark::DoNotOptimize(scene.objects.data());
    }
    state.SetBytesProcessed(state.iterations() * size);
    state.counters["file_bytes"] = static_cast<double>(size);
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ReadEffectFile)->Unit(benchmark::kMillisecond);

}  // namespace
