#include "kaleidra/host/engine_binding.h"

#include <utility>

#include "kaleidra/install/install_paths.h"
#include "kaleidra/install/registry_values.h"

namespace kdr::host {
namespace {

template <class Function>
Function bind_export(const platform::DynamicLibrary& library, const char* name) {
    return reinterpret_cast<Function>(library.symbol(name));
}

}  // namespace

const char* engine_value_name(EngineRole role) {
    return role == EngineRole::preview ? "Prev_Engine" : "Engine";
}

std::optional<std::string> read_engine_name(EngineRole role) {
    char name[install::max_path_size];
    if (!install::read_string(name, sizeof name, engine_value_name(role))) {
        return std::nullopt;
    }
    return std::string(name);
}

std::optional<std::filesystem::path> engine_library_path(std::string_view name) {
    const std::string file_name(name);
    return install::build_path(install::folder_libs, file_name.c_str(),
                               platform::DynamicLibrary::suffix());
}

Status EngineBinding::load(EngineRole role) {
    std::optional<std::string> name = read_engine_name(role);
    if (!name) {
        m_tried_path.clear();
        return Error{std::string("the registry value \"") + engine_value_name(role) +
                     "\" names no engine"};
    }
    return load_named(*name);
}

Status EngineBinding::load_named(std::string_view name) {
    if (name.empty() || name.find('/') != std::string_view::npos) {
        m_tried_path.clear();
        return Error{"\"" + std::string(name) + "\" is not an engine name"};
    }
    std::optional<std::filesystem::path> path = engine_library_path(name);
    if (!path) {
        m_tried_path.clear();
        return Error{
            "the installation folder (registry value \"Path\") is not set, or the path of "
            "engine \"" +
            std::string(name) + "\" is too long"};
    }
    return load_file(*path);
}

Status EngineBinding::load_file(const std::filesystem::path& file) {
    m_tried_path = file;
    Result<platform::DynamicLibrary> opened = platform::DynamicLibrary::open(file);
    if (!opened) {
        return Error{opened.error()};
    }
    forget_exports();
    m_library = std::move(*opened);
    // Looked up in the order of engine_export_names; each one found or not.
    m_create_context = bind_export<RndCreateContextFn>(m_library, engine_export_names[0]);
    m_free_context = bind_export<RndFreeContextFn>(m_library, engine_export_names[1]);
    m_prepare = bind_export<RndPrepareFn>(m_library, engine_export_names[2]);
    m_static_video = bind_export<RndStaticVideoFn>(m_library, engine_export_names[3]);
    m_render = bind_export<RndRenderFn>(m_library, engine_export_names[4]);
    return Status::success();
}

void EngineBinding::release() {
    // The addresses go first: after the library is gone they would point at
    // unmapped code.
    forget_exports();
    m_library.release();
}

void EngineBinding::forget_exports() {
    m_create_context = nullptr;
    m_free_context = nullptr;
    m_prepare = nullptr;
    m_static_video = nullptr;
    m_render = nullptr;
}

RenderContext* EngineBinding::create_context(EffectSettings* settings, FrameRecord* frame) const {
    return m_create_context != nullptr ? m_create_context(settings, frame) : nullptr;
}

void EngineBinding::free_context(RenderContext* context) const {
    if (m_free_context != nullptr && context != nullptr) {
        m_free_context(context);
    }
}

Status EngineBinding::prepare(RenderContext*& context, EffectSettings* settings,
                              FrameRecord* frame) const {
    if (m_prepare == nullptr) {
        return Error{"the engine has no Rnd_Prepare"};
    }
    context = m_prepare(context, settings, frame);
    return Status::success();
}

int EngineBinding::render(RenderContext* context, EffectSettings* settings,
                          FrameRecord* frame) const {
    return m_render != nullptr ? m_render(context, settings, frame) : 0;
}

int EngineBinding::static_video() const {
    return m_static_video != nullptr ? m_static_video() : 0;
}

}  // namespace kdr::host
