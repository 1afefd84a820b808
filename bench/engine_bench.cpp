// Frames per second of both engines rendering a two-video transition (video
// A full frame, video B flying in over it along a path, turning) at three
// sizes, with default options, with antialiasing and with a blur of four
// sub-frames; and the time of Rnd_Prepare. The engines are loaded from
// their libraries as a host loads them. Rnd_Hardware draws on $DISPLAY, or
// on a virtual-framebuffer server started for the run when none is set.
//
// Component benchmarks below the engine ones time the pieces of a frame on
// the memory surface: the video upload, the drawing, the read-back and the
// conversion into the host's format.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/contract/engine_api.h"
#include "kaleidra/gl/osmesa_surface.h"
#include "kaleidra/gl/texture_upload.h"
#include "kaleidra/platform/dynamic_library.h"
#include "kaleidra/platform/registry.h"
#include "kaleidra/records/frame_record.h"
#include "kaleidra/records/image_convert.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/render/picture_output.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/scene/scene.h"
#include "kaleidra/testing/temp_folder.h"
#include "kaleidra/testing/xvfb_server.h"

namespace {

using namespace kdr;

constexpr std::uint32_t effect_frames = 60;

// The transition: video B as a 4 x 3 grid flying in from the left while it
// turns to face the camera, over video A.
bool write_transition(const std::filesystem::path& file) {
    Scene scene;
    scene.type = 1;
    auto camera = std::make_unique<scene::Camera>();
    camera->id = 1;
    camera->motion.position[2] = 4;
    camera->field_of_view = 2.0f * std::atan(1.5f / 4.0f) * 180.0f / 3.14159265f;
    camera->near_distance = 0.5f;
    scene.cameras.push_back(std::move(camera));
    for (std::uint16_t video : {1, 2}) {
        auto surface = std::make_unique<scene::Surface>();
        surface->id = static_cast<std::uint16_t>(9 + video);
        surface->source_kind = source_video;
        surface->video_number = video;
        scene.surfaces.push_back(std::move(surface));
    }
    for (std::uint16_t video : {1, 2}) {
        auto object = std::make_unique<scene::Object>();
        object->id = static_cast<std::uint16_t>(99 + video);
        object->video_number = video;
        const int columns = video == 1 ? 1 : 8;
        const int rows = video == 1 ? 1 : 6;
        for (int j = 0; j <= rows; ++j) {
            for (int i = 0; i <= columns; ++i) {
                object->vertices.push_back(
                    {4 * (float(i) / columns - 0.5f), 3 * (0.5f - float(j) / rows), 0});
            }
        }
        for (int j = 0; j < rows; ++j) {
            for (int i = 0; i < columns; ++i) {
                scene::Polygon p;
                p.corner_count = 4;
                p.surface_id = static_cast<std::uint16_t>(9 + video);
                const auto at = [columns](int x, int y) {
                    return static_cast<std::uint16_t>(y * (columns + 1) + x);
                };
                p.vertex = {at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)};
                const float s0 = float(i) / columns, s1 = float(i + 1) / columns;
                const float t0 = float(j) / rows, t1 = float(j + 1) / rows;
                p.s = {s0, s1, s1, s0};
                p.t = {t0, t0, t1, t1};
                object->polygons.push_back(p);
            }
        }
        scene.objects.push_back(std::move(object));
    }
    auto path = std::make_unique<scene::Path>();
    path->id = 200;
    path->link_id = 101;
    PathKey from;
    from.position[0] = -4.5f;
    from.position[2] = 0.4f;
    from.heading = -70;
    PathKey to;
    to.time = 1;
    to.position[2] = 0.01f;
    path->keys = {from, to};
    scene.paths.push_back(std::move(path));

    auto stream = chunks::ChunkStream::open_file(chunks::ChunkMode::write_file, file,
                                                 chunks::make_id("KDRE"));
    const std::uint32_t type = 1;
    stream.write_chunk(chunks::make_id("ETYP"), 4, &type);
    scene.write_items(stream);
    return stream.close() == chunks::ready;
}

// The installation folder, registry and X server of the whole run.
struct Environment {
    test::TempFolder folder;
    test::XvfbServer x_server;
    bool ready = false;
    std::string error;

    Environment() {
        const std::filesystem::path registry = folder.path() / "registry";
        ::setenv("KALEIDRA_REGISTRY", registry.c_str(), 1);
        std::filesystem::create_directories(folder.path() / "EFFECTS");
        ready = platform::Registry(registry)
                    .set("Software\\Talvane\\Kaleidra\\3.0",
                         platform::RegistryValue::make_string("Path", folder.path().string()))
                    .ok() &&
                write_transition(folder.path() / "EFFECTS" / "Transition.KDR") &&
                x_server.start(error);
    }
};

Environment& environment() {
    static Environment instance;
    return instance;
}

struct EngineLibrary {
    platform::DynamicLibrary library;
    RndPrepareFn prepare = nullptr;
    RndRenderFn render = nullptr;
    RndFreeContextFn free = nullptr;

    explicit EngineLibrary(const char* file) {
        auto opened = platform::DynamicLibrary::open(file);
        if (opened.ok()) {
            library = std::move(opened.value());
            prepare = reinterpret_cast<RndPrepareFn>(library.symbol("Rnd_Prepare"));
            render = reinterpret_cast<RndRenderFn>(library.symbol("Rnd_Render"));
            free = reinterpret_cast<RndFreeContextFn>(library.symbol("Rnd_FreeContext"));
        }
    }
    bool loaded() const { return prepare != nullptr && render != nullptr && free != nullptr; }
};

ImageRecord make_picture(std::uint32_t width, std::uint32_t height, std::uint8_t seed) {
    ImageRecord image;
    image_construct(image);
    image_set_shape(image, {format_bgra, 4, 4, row_order_bottom_up, width, height});
    if (image_allocate(image)) {
        for (std::uint32_t i = 0; i < image.size; ++i) {
            image.buffer[i] = static_cast<std::uint8_t>((i * 7 + seed * (i >> 12)) | 3);
        }
    }
    return image;
}

// The records of a host rendering frames of the transition.
struct Job {
    EffectSettings settings{};
    FrameRecord frame{};

    Job(std::uint32_t width, std::uint32_t height) {
        if (!settings_initialise(settings)) {
            std::abort();  // out of memory: no figure would mean anything
        }
        std::strcpy(settings.name, "Transition");
        frame_construct(frame);
        frame.width = width;
        frame.height = static_cast<std::int32_t>(height);
        frame.image_count = 2;
        frame.images[0] = make_picture(width, height, 1);
        frame.images[1] = make_picture(width, height, 2);
        frame.output = make_picture(width, height, 3);
        frame.total = effect_frames;
        frame.background[3] = 1;
    }
    ~Job() {
        frame_release_images(frame);
        image_free(frame.output);
        settings_destroy(settings);
    }
};

enum class Options { defaults, antialias, blur };

void render_frames(benchmark::State& state, const char* library_file, std::uint32_t width,
                   std::uint32_t height, Options options) {
    if (!environment().ready) {
        state.SkipWithError(("no installation or X server: " + environment().error).c_str());
        return;
    }
    EngineLibrary engine(library_file);
    if (!engine.loaded()) {
        state.SkipWithError("the engine library did not load");
        return;
    }
    Job job(width, height);
    if (options == Options::antialias) {
        job.settings.globals[global_antialias] = 1;
    } else if (options == Options::blur) {
        job.settings.globals[global_blur_count] = 4;
        job.settings.globals[global_blur_percent] = 50;
    }
    RenderContext* context = engine.prepare(nullptr, &job.settings, &job.frame);
    if (context == nullptr) {
        state.SkipWithError("Rnd_Prepare failed");
        return;
    }
    std::uint32_t position = 1;
    for (auto _ : state) {
        job.frame.position = position;
        position = position % (effect_frames - 1) + 1;
        if (engine.render(context, &job.settings, &job.frame) != 1) {
            state.SkipWithError("Rnd_Render failed");
            break;
        }
    }
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    engine.free(context);
}

void prepare_context(benchmark::State& state, const char* library_file, std::uint32_t width,
                     std::uint32_t height) {
    if (!environment().ready) {
        state.SkipWithError(("no installation or X server: " + environment().error).c_str());
        return;
    }
    EngineLibrary engine(library_file);
    if (!engine.loaded()) {
        state.SkipWithError("the engine library did not load");
        return;
    }
    Job job(width, height);
    RenderContext* context = nullptr;
    for (auto _ : state) {
        context = engine.prepare(context, &job.settings, &job.frame);
        if (context == nullptr) {
            state.SkipWithError("Rnd_Prepare failed");
            break;
        }
    }
    engine.free(context);
}

struct Size {
    std::uint32_t width;
    std::uint32_t height;
};
constexpr Size sizes[] = {{720, 480}, {1280, 720}, {1920, 1080}};

// ---------------------------------------------------------------------------
// Pieces of one 1920 x 1080 frame on the memory surface, as Rnd_Generic
// makes it (red and blue swapped, its own framebuffer).

constexpr std::uint32_t piece_width = 1920;
constexpr std::uint32_t piece_height = 1080;

struct MemorySurface {
    std::unique_ptr<gl::Surface> surface;
    MemorySurface(std::uint32_t width, std::uint32_t height, bool swap = true,
                  gl::OsMesaTarget target = gl::OsMesaTarget::own_framebuffer) {
        auto made = gl::OsMesaSurface::create(width, height, swap, target);
        if (made.ok()) {
            surface = std::move(made.value());
            if (!surface->make_current()) {
                surface.reset();
            }
        }
    }
    ~MemorySurface() {
        if (surface) {
            surface->release_current();
        }
    }
};

ImageRecord make_video(std::uint8_t format, std::uint8_t seed) {
    ImageRecord image = make_picture(piece_width, piece_height, seed);
    if (format == format_bgr) {
        image_free(image);
        image_construct(image);
        image_set_shape(image, {format_bgr, 3, 4, row_order_bottom_up, piece_width, piece_height});
        if (image_allocate(image)) {
            for (std::uint32_t i = 0; i < image.size; ++i) {
                image.buffer[i] = static_cast<std::uint8_t>(i * 7 + seed);
            }
        }
    }
    return image;
}

// A video refilled into its texture (the texture defined once, as the
// drawing core does), 32-bit BGRA or 24-bit BGR as kaleidra-render gives.
void video_upload(benchmark::State& state, std::uint8_t format) {
    MemorySurface memory(piece_width, piece_height);
    if (!memory.surface) {
        state.SkipWithError("no surface");
        return;
    }
    ImageRecord video = make_video(format, 5);
    image_prepare_texture(video);
    const gl::GlApi& gl = memory.surface->gl();
    const GLuint name = video.bytes_per_pixel;
    for (auto _ : state) {
        gl::upload_texture(gl, name, video, video.texture_width, video.texture_height, false, true);
        gl.Finish();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * video.size);
    image_free(video);
}

// A textured full-frame quad drawn and read back.
void draw_textured_frame(benchmark::State& state) {
    MemorySurface memory(piece_width, piece_height);
    if (!memory.surface) {
        state.SkipWithError("no surface");
        return;
    }
    ImageRecord video = make_picture(piece_width, piece_height, 5);
    image_prepare_texture(video);
    const gl::GlApi& gl = memory.surface->gl();
    gl::upload_texture(gl, 4, video, video.texture_width, video.texture_height, false, true);
    gl.Enable(GL_TEXTURE_2D);
    gl.Enable(GL_DEPTH_TEST);
    gl.Viewport(0, 0, piece_width, piece_height);
    const float transparent[4] = {0, 0, 0, 0};
    for (auto _ : state) {
        memory.surface->clear(true, true, transparent);
        gl.Begin(GL_QUADS);
        gl.TexCoord2f(0, video.height_ratio);
        gl.Vertex3f(-1, -1, 0);
        gl.TexCoord2f(video.width_ratio, video.height_ratio);
        gl.Vertex3f(1, -1, 0);
        gl.TexCoord2f(video.width_ratio, 0);
        gl.Vertex3f(1, 1, 0);
        gl.TexCoord2f(0, 0);
        gl.Vertex3f(-1, 1, 0);
        gl.End();
        benchmark::DoNotOptimize(memory.surface->finish_and_read());
    }
    image_free(video);
}

// Clearing colour and depth of all rows (the library's clear, run on its
// rasteriser threads) or of one half (memory fills on the calling thread),
// each followed by the read-back of those rows that waits for it.
void clear_rows(benchmark::State& state, bool half) {
    MemorySurface memory(piece_width, piece_height);
    if (!memory.surface) {
        state.SkipWithError("no surface");
        return;
    }
    memory.surface->set_rows(0, half ? piece_height / 2 : 0);
    const float transparent[4] = {0, 0, 0, 0};
    for (auto _ : state) {
        memory.surface->clear(true, true, transparent);
        benchmark::DoNotOptimize(memory.surface->finish_and_read());
    }
}

// The drawn picture into the engine's bitmap: the library's copy of its
// whole buffer when drawing finishes (its own buffer), or the read-back of
// all rows or of one half from the surface's framebuffer.
void read_back(benchmark::State& state, gl::OsMesaTarget target, bool half) {
    MemorySurface memory(piece_width, piece_height, true, target);
    if (!memory.surface) {
        state.SkipWithError("no surface");
        return;
    }
    memory.surface->set_rows(0, half ? piece_height / 2 : 0);
    const gl::GlApi& gl = memory.surface->gl();
    for (auto _ : state) {
        // A one-pixel point makes the library's buffer dirty again, so it
        // copies it at the next finish.
        gl.Begin(GL_POINTS);
        gl.Vertex3f(0, 0, 0);
        gl.End();
        benchmark::DoNotOptimize(memory.surface->finish_and_read());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * piece_width * piece_height * 4 /
                            (half ? 2 : 1));
}

// Laying the picture onto the first video while converting into the
// host's format, in one pass: 32-bit video and output as hosts hand them
// over, or 24-bit as kaleidra-render's movies have them. The picture is
// mostly transparent with covered and half-covered runs, as drawings are.
void composite_and_convert(benchmark::State& state, std::uint8_t format) {
    std::vector<std::uint8_t> picture(std::size_t{piece_width} * piece_height * 4, 0);
    for (std::size_t pixel = 0; pixel < picture.size() / 4; ++pixel) {
        const std::size_t x = pixel % piece_width;
        std::uint8_t* p = &picture[pixel * 4];
        if (x > 600 && x < 1300) {
            p[0] = p[1] = p[2] = static_cast<std::uint8_t>(pixel);
            p[3] = 255;
        } else if (x >= 1300 && x < 1320) {
            p[0] = p[1] = p[2] = 60;
            p[3] = 128;
        }
    }
    ImageRecord video = make_video(format, 5);
    ImageRecord output = make_video(format, 6);
    std::vector<std::uint8_t> scratch;
    for (auto _ : state) {
        render::lay_onto_video(picture.data(), piece_width, piece_height, video, output, 0,
                               scratch);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) *
                            std::int64_t(picture.size() + video.size + output.size));
    image_free(video);
    image_free(output);
}

void convert_only(benchmark::State& state) {
    std::vector<std::uint8_t> picture(std::size_t{piece_width} * piece_height * 4, 0);
    ImageRecord output = make_picture(piece_width, piece_height, 6);
    for (auto _ : state) {
        render::copy_to_output(picture.data(), piece_width, piece_height, output, 0);
    }
    image_free(output);
}

const int registered = [] {
    struct Engine {
        const char* name;
        const char* file;
    };
    const Engine engines[] = {{"Rnd_Generic", KALEIDRA_RND_GENERIC},
                              {"Rnd_Hardware", KALEIDRA_RND_HARDWARE}};
    for (const Engine& engine : engines) {
        for (const Size& size : sizes) {
            const std::string suffix = std::string(engine.name) + "/" + std::to_string(size.width) +
                                       "x" + std::to_string(size.height);
            struct Mode {
                const char* name;
                Options options;
            };
            for (Mode mode :
                 {Mode{"defaults", Options::defaults}, Mode{"antialias", Options::antialias},
                  Mode{"blur4", Options::blur}}) {
                benchmark::RegisterBenchmark(("render/" + suffix + "/" + mode.name).c_str(),
                                             render_frames, engine.file, size.width, size.height,
                                             mode.options)
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime();
            }
            benchmark::RegisterBenchmark(("prepare/" + suffix).c_str(), prepare_context,
                                         engine.file, size.width, size.height)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
    }
    auto piece = [](const std::string& name, auto function, auto... arguments) {
        benchmark::RegisterBenchmark(("piece/" + name).c_str(), function, arguments...)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    };
    piece("video_upload_1080p/bgra", video_upload, std::uint8_t{format_bgra});
    piece("video_upload_1080p/bgr24", video_upload, std::uint8_t{format_bgr});
    piece("draw_textured_frame_1080p", draw_textured_frame);
    piece("clear_1080p/all_rows", clear_rows, false);
    piece("clear_1080p/half", clear_rows, true);
    piece("read_back_1080p/library_copy", read_back, gl::OsMesaTarget::library_buffer, false);
    piece("read_back_1080p/all_rows", read_back, gl::OsMesaTarget::own_framebuffer, false);
    piece("read_back_1080p/half", read_back, gl::OsMesaTarget::own_framebuffer, true);
    piece("composite_and_convert_1080p/bgra", composite_and_convert, std::uint8_t{format_bgra});
    piece("composite_and_convert_1080p/bgr24", composite_and_convert, std::uint8_t{format_bgr});
    piece("convert_1080p", convert_only);
    return 0;
}();

}  // namespace
