#include "kaleidra/render/engine_frontend.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include "kaleidra/gl/texture_upload.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/render/mapped_videos.h"
#include "kaleidra/render/picture_output.h"
#include "kaleidra/scene/video_roles.h"
#include "texture_names.h"

namespace kdr::render {

namespace {

// Several contexts may prepare and render with one shared settings record
// at once; the fallback name written into it is read and written only under
// the library's lock.
bool name_is_empty(EngineBackend& backend, const EffectSettings& settings) {
    std::lock_guard<std::mutex> lock(backend.settings_name_mutex());
    return settings.name[0] == '\0';
}

// Loads the effect named in the settings, else the fallback (whose name is
// then written into the settings); clears the name when neither loads.
void load_effect(EngineBackend& backend, Scene& scene, EffectSettings& settings) {
    std::lock_guard<std::mutex> lock(backend.settings_name_mutex());
    char name[effect_name_size];
    std::memcpy(name, settings.name, effect_name_size);
    name[effect_name_size - 1] = '\0';
    if (name[0] != '\0' && scene.load(name)) {
        return;
    }
    std::memset(settings.name, 0, effect_name_size);
    std::memcpy(settings.name, fallback_effect, std::strlen(fallback_effect));
    if (!scene.load(fallback_effect)) {
        scene.clear();
        std::memset(settings.name, 0, effect_name_size);
    }
}

// Keeps a context current for the length of one call.
class CurrentContext {
  public:
    explicit CurrentContext(gl::Surface& surface) : m_surface(surface) {
        m_current = m_surface.make_current();
    }
    ~CurrentContext() {
        if (m_current) {
            m_surface.release_current();
        }
    }
    CurrentContext(const CurrentContext&) = delete;
    CurrentContext& operator=(const CurrentContext&) = delete;
    bool current() const { return m_current; }

  private:
    gl::Surface& m_surface;
    bool m_current = false;
};

std::string texture_failure(const ImageRecord& texture, const std::string& effect) {
    return "effect \"" + effect + "\": texture \"" +
           std::string(texture.name != nullptr ? texture.name : "") + "\" (" +
           std::to_string(texture.width) + " x " + std::to_string(texture.height) +
           ") could not be uploaded; its surfaces are drawn without it";
}

}  // namespace

bool EngineBackend::report_once(const std::string& message) {
    std::lock_guard<std::mutex> lock(m_reported_mutex);
    // Enough for every distinct problem a session meets; beyond it, messages
    // still go out but are no longer remembered.
    constexpr std::size_t remembered_limit = 256;
    if (m_reported.count(message) != 0) {
        return false;
    }
    if (m_reported.size() < remembered_limit) {
        m_reported.insert(message);
    }
    std::fprintf(stderr, "%s: %s\n", library_name(), message.c_str());
    std::fflush(stderr);
    return true;
}

bool drawing_size(const EffectSettings& settings, const FrameRecord& frame, std::uint32_t& width,
                  std::uint32_t& height) {
    if (frame.width == 0 || frame.height <= 0) {
        return false;
    }
    width = frame.width;
    height = static_cast<std::uint32_t>(frame.height);
    if (settings.globals[global_antialias] > 0 && (frame.flags & flag_layout_preview) == 0) {
        width *= 2;
        height *= 2;
    }
    return width <= gl::max_surface_size && height <= gl::max_surface_size;
}

RenderContext* create_context(EngineBackend& backend, const EffectSettings* settings,
                              const FrameRecord* frame) {
    if (settings == nullptr || frame == nullptr) {
        return nullptr;
    }
    try {
        auto context = std::make_unique<RenderContext>();
        if (!drawing_size(*settings, *frame, context->width, context->height)) {
            return nullptr;
        }
        auto surface = backend.create_surface(context->width, context->height);
        if (!surface.ok()) {
            return nullptr;
        }
        context->surface = std::move(surface.value());
        context->core = std::make_unique<DrawingCore>(
            *context->surface,
            [&backend](const std::string& message) { backend.report_once(message); });
        return context.release();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void free_context(EngineBackend& backend, RenderContext* context) {
    if (context == nullptr) {
        return;
    }
    if (context->surface) {
        {
            // Textures and the rest of the context's objects go with it.
            CurrentContext current(*context->surface);
            context->core.reset();
        }
        backend.surface_released(*context->surface);
        context->surface.reset();
    }
    context->scene.clear();
    delete context;
}

RenderContext* prepare_context(EngineBackend& backend, RenderContext* context,
                               EffectSettings* settings, FrameRecord* frame) {
    if (settings == nullptr || frame == nullptr) {
        return context;
    }
    free_context(backend, context);
    RenderContext* fresh = create_context(backend, settings, frame);
    if (fresh == nullptr) {
        return nullptr;
    }
    try {
        CurrentContext current(*fresh->surface);
        if (!current.current()) {
            free_context(backend, fresh);
            return nullptr;
        }
        load_effect(backend, fresh->scene, *settings);
        const bool layout = (frame->flags & flag_layout_preview) != 0;
        if (!layout) {
            load_mapped_videos(*settings, *frame, fresh->mapped_files);
        }
        fresh->core->prepare(fresh->scene, *settings, *frame);
        if (!layout) {
            const bool linear = settings->globals[global_image_quality] != 0;
            for (std::size_t i = 0; i < fresh->scene.textures.size(); ++i) {
                ImageRecord& texture = fresh->scene.textures[i];
                image_prepare_texture(texture);
                const bool uploaded = gl::upload_texture(
                    fresh->surface->gl(), scene_texture_name(i), texture, texture.texture_width,
                    texture.texture_height, linear, fresh->surface->swaps_red_blue());
                // A texture the installation lacks has no pixels and never
                // uploads; one that has pixels and still fails is worth a
                // word. Either way its surfaces are drawn untextured.
                if (!uploaded && image_has_pixels(texture)) {
                    backend.report_once(texture_failure(texture, fresh->scene.name));
                }
            }
        }
    } catch (const std::bad_alloc&) {
        free_context(backend, fresh);
        return nullptr;
    }
    return fresh;
}

int render_frame(EngineBackend& backend, RenderContext* context, const EffectSettings* settings,
                 FrameRecord* frame) {
    if (context == nullptr || settings == nullptr || frame == nullptr || !context->surface) {
        return 0;
    }
    if (name_is_empty(backend, *settings)) {
        return 0;
    }
    gl::Surface& surface = *context->surface;
    backend.frame_starting(surface);
    int result = 0;
    try {
        CurrentContext current(surface);
        if (current.current()) {
            const bool layout = (frame->flags & flag_layout_preview) != 0;
            if (!layout) {
                load_mapped_videos(*settings, *frame, context->mapped_files);
            }
            const int rows = output_rows(frame->flags);

            FrameOptions options;
            if (backend.lays_first_video_under()) {
                frame->flags &= ~static_cast<std::uint32_t>(flag_keep_colour);
                if (!layout && !context->scene.objects.empty()) {
                    const bool trade = videos_trade_places(context->scene.type,
                                                           settings->globals[global_fly_direction]);
                    const int slot =
                        video_slot(context->scene.objects.front()->video_number, trade);
                    if (slot_has_picture(*frame, slot) &&
                        gl::upload_extent_valid(frame->images[slot])) {
                        options.underlay_slot = slot;
                    }
                }
            }

            frame->engine_scratch = 0;
            DrawingCore& core = *context->core;
            if (core.draw_frame(context->scene, *settings, *frame, options)) {
                std::uint8_t* picture = core.picture();
                bool copied = false;
                if (core.underlay() == Underlay::video) {
                    frame->flags |= flag_keep_colour;
                    copied = lay_onto_video(picture, context->width, context->height,
                                            frame->images[options.underlay_slot], frame->output,
                                            rows, context->scratch);
                } else if (core.underlay() == Underlay::background) {
                    copied = lay_onto_colour(picture, context->width, context->height,
                                             frame->background, frame->output, rows);
                } else {
                    copied = copy_to_output(picture, context->width, context->height, frame->output,
                                            rows);
                }
                result = copied ? 1 : 0;
            }
        }
    } catch (const std::bad_alloc&) {
        result = 0;
    }
    backend.frame_finished(surface);
    return result;
}

}  // namespace kdr::render
