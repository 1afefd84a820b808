#include "kaleidra/renderkit/effect_renderer.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kaleidra/images/picture_file.h"
#include "kaleidra/install/install_paths.h"
#include "kaleidra/install/registry_values.h"
#include "kaleidra/platform/registry.h"
#include "kaleidra/raster/image_convert.h"
#include "kaleidra/records/frame_record.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/records/owned_image.h"
#include "kaleidra/scene/effect_settings.h"

namespace kdr::renderkit {

namespace fs = std::filesystem;

Result<std::unique_ptr<InstallationScope>> InstallationScope::open(const fs::path& install_folder) {
    Result<cli::TemporaryFolder> folder = cli::TemporaryFolder::create("kaleidra-render-kit-");
    if (!folder) {
        return Error{"no private registry: " + folder.error()};
    }
    std::unique_ptr<InstallationScope> scope(new InstallationScope(std::move(*folder)));
    if (const char* previous = std::getenv("KALEIDRA_REGISTRY")) {
        scope->m_previous = previous;
    }
    fs::path store = scope->m_folder.path() / "registry";
    ::setenv("KALEIDRA_REGISTRY", store.string().c_str(), 1);
    std::error_code error;
    fs::path absolute_folder = fs::absolute(install_folder, error);
    Status set = platform::Registry(store).set(
        install::package_registry_key,
        platform::RegistryValue::make_string("Path", absolute_folder.string()));
    if (!set.ok()) {
        return Error{"cannot write the private registry: " + set.error()};
    }
    install::set_registry_key(install::package_registry_key);
    return scope;
}

InstallationScope::~InstallationScope() {
    if (m_previous) {
        ::setenv("KALEIDRA_REGISTRY", m_previous->c_str(), 1);
    } else {
        ::unsetenv("KALEIDRA_REGISTRY");
    }
}

Result<std::unique_ptr<EffectRenderer>> EffectRenderer::open(const fs::path& engine) {
    std::unique_ptr<EffectRenderer> renderer(new EffectRenderer());
    if (Status loaded = renderer->m_engine.load_file(engine); !loaded) {
        return Error{loaded.error()};
    }
    // The engine and the OpenGL libraries it pulls in stay mapped until the
    // process ends, even after the binding releases them: what they leave
    // allocated then still belongs to a named library in leak reports,
    // instead of to code that is gone. Renderers live in tools and tests,
    // whose processes end soon after.
    (void)::dlopen(engine.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!renderer->m_engine.has_prepare() || !renderer->m_engine.has_render() ||
        !renderer->m_engine.has_free_context()) {
        return Error{engine.string() + ": not a render engine (exports are missing)"};
    }
    return renderer;
}

EffectRenderer::~EffectRenderer() = default;

namespace {

// The records of one render job, released however the job ends.
struct Job {
    EffectSettings settings;
    FrameRecord frame;
    std::vector<ImageRecord> sources;
    ImageRecord output;
    bool ready = false;  // false: no memory for the settings' scene

    Job() {
        ready = settings_initialise(settings);
        frame_construct(frame);
        image_construct(output);
    }
    ~Job() {
        for (ImageRecord& image : sources) {
            image_release_all(image);
        }
        image_release_all(output);
        settings_destroy(settings);
    }
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;
};

}  // namespace

Result<std::vector<raster::Canvas>> EffectRenderer::render(
    const std::string& effect, const std::vector<raster::Canvas>& sources,
    const RenderOptions& options, const std::vector<std::uint32_t>& positions,
    std::uint32_t total) {
    if (effect.empty() || effect.size() >= effect_name_size) {
        return Error{"an effect name has 1 to 40 characters"};
    }
    if (sources.size() > image_slot_count) {
        return Error{"at most 20 sources"};
    }
    Job job;
    if (!job.ready) {
        return Error{"out of memory for the settings of \"" + effect + "\""};
    }
    std::strncpy(job.settings.name, effect.c_str(), effect_name_size - 1);
    float* g = job.settings.globals;
    g[global_fly_direction] = options.fly_on ? 1.0f : 0.0f;
    g[global_render_quality] = 1;
    g[global_image_quality] = options.image_quality ? 1.0f : 0.0f;
    g[global_antialias] = options.antialias ? 1.0f : 0.0f;
    g[global_lighting] = options.lighting ? 1.0f : 0.0f;
    g[global_shadows] = options.shadows;
    g[global_light_direction] = options.light_direction;
    for (auto [index, value] : options.globals) {
        if (index < 0 || index >= global_value_count) {
            return Error{"global value " + std::to_string(index) + " does not exist"};
        }
        g[index] = value;
    }

    job.sources.resize(sources.size());
    for (std::size_t i = 0; i < sources.size(); ++i) {
        image_construct(job.sources[i]);
        if (!raster::canvas_to_image(sources[i], job.sources[i])) {
            return Error{"out of memory for the sources"};
        }
        image_shallow_copy(job.frame.images[i], job.sources[i]);
    }
    raster::Canvas blank(static_cast<int>(options.width), static_cast<int>(options.height));
    if (!raster::canvas_to_image(blank, job.output)) {
        return Error{"out of memory for the output"};
    }
    image_shallow_copy(job.frame.output, job.output);
    job.frame.width = options.width;
    job.frame.height = static_cast<std::int32_t>(options.height);
    job.frame.image_count = static_cast<std::uint32_t>(sources.size());
    job.frame.total = total;
    job.frame.quiet = 1;  // tools and tests keep out of the render log
    job.frame.background[3] = 1;

    RenderContext* context = nullptr;
    if (!m_engine.prepare(context, &job.settings, &job.frame) || context == nullptr) {
        return Error{"the engine could not prepare \"" + effect + "\""};
    }
    if (effect != job.settings.name) {
        m_engine.free_context(context);
        return Error{"the effect \"" + effect + "\" is not installed (the engine fell back to \"" +
                     job.settings.name + "\")"};
    }
    std::vector<raster::Canvas> frames;
    for (std::uint32_t position : positions) {
        job.frame.position = position;
        if (m_engine.render(context, &job.settings, &job.frame) != 1) {
            m_engine.free_context(context);
            return Error{"the engine could not render \"" + effect + "\" at position " +
                         std::to_string(position) + " of " + std::to_string(total)};
        }
        frames.push_back(raster::canvas_from_image(job.output));
    }
    m_engine.free_context(context);
    return frames;
}

Result<raster::Canvas> read_picture(const fs::path& file) {
    OwnedImage image;
    if (Status status = kdr::read_picture(image.record(), file); !status) {
        return Error{status.error()};
    }
    raster::Canvas canvas = raster::canvas_from_image(image.record());
    if (canvas.empty()) {
        return Error{file.string() + ": the picture has no pixels"};
    }
    return canvas;
}

Result<raster::Canvas> read_preview_texture(const fs::path& install_folder,
                                            const std::string& prefix, int number) {
    char name[32];
    std::snprintf(name, sizeof name, "%s%02d.KDT", prefix.c_str(), number);
    return read_picture(install_folder / "Textures" / name);
}

}  // namespace kdr::renderkit
