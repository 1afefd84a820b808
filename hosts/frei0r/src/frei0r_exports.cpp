// The frei0r entry points of the plug-in "kaleidra": a two-input mixer
// (a transition) working on 32-bit red, green, blue, alpha pictures. Hosts
// find it by its file name, kaleidra.so, in a frei0r-1 folder; MLT calls it
// frei0r.kaleidra. Everything here is a thin shell over TransitionInstance;
// no exception leaves the library.

// The interface header declares its functions without C linkage of its own.
extern "C" {
#include <frei0r.h>
}

#include <exception>
#include <new>

#include "kaleidra/install/registry_values.h"
#include "library_state.h"
#include "transition_instance.h"

#define KDR_FREI0R_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using kdr::frei0r::TransitionInstance;

TransitionInstance* instance_of(f0r_instance_t instance) {
    return static_cast<TransitionInstance*>(instance);
}

}  // namespace

KDR_FREI0R_EXPORT int f0r_init() {
    // Registry reads (installation folder, engine name) go to the package's
    // key. Hosts may call this several times.
    kdr::install::set_registry_key(kdr::install::package_registry_key);
    static_cast<void>(kdr::frei0r::library_state());  // made here, before any instance
    return 1;
}

KDR_FREI0R_EXPORT void f0r_deinit() {}

KDR_FREI0R_EXPORT void f0r_get_plugin_info(f0r_plugin_info_t* info) {
    if (info == nullptr) {
        return;
    }
    info->name = "kaleidra";
    info->author = "Kaleidra";
    info->plugin_type = F0R_PLUGIN_TYPE_MIXER2;
    info->color_model = F0R_COLOR_MODEL_RGBA8888;
    info->frei0r_version = FREI0R_MAJOR_VERSION;
    info->major_version = 3;
    info->minor_version = 0;
    info->num_params = kdr::frei0r::parameter_count;
    info->explanation =
        "Kaleidra keyframed 3D transitions: the two pictures fly, turn, cast shadows and morph "
        "in a 3D scene. Use the transition without the \"threads\" property.";
}

KDR_FREI0R_EXPORT void f0r_get_param_info(f0r_param_info_t* info, int index) {
    const kdr::frei0r::ParameterInfo* parameter = kdr::frei0r::parameter_info(index);
    if (info == nullptr || parameter == nullptr) {
        return;
    }
    info->name = parameter->name;
    info->type = static_cast<int>(parameter->type);
    info->explanation = parameter->explanation;
}

KDR_FREI0R_EXPORT f0r_instance_t f0r_construct(unsigned int width, unsigned int height) {
    if (width == 0 || height == 0 || width > TransitionInstance::max_side ||
        height > TransitionInstance::max_side) {
        return nullptr;
    }
    // Nothing heavy here: hosts construct instances only to query them.
    return new (std::nothrow) TransitionInstance(width, height, kdr::frei0r::library_state().clock);
}

KDR_FREI0R_EXPORT void f0r_destruct(f0r_instance_t instance) {
    try {
        delete instance_of(instance);
    } catch (...) {
    }
}

KDR_FREI0R_EXPORT void f0r_set_param_value(f0r_instance_t instance, f0r_param_t param, int index) {
    if (instance == nullptr) {
        return;
    }
    try {
        instance_of(instance)->parameters().set(index, param);
    } catch (...) {
    }
}

KDR_FREI0R_EXPORT void f0r_get_param_value(f0r_instance_t instance, f0r_param_t param, int index) {
    if (instance == nullptr) {
        return;
    }
    instance_of(instance)->parameters().get(index, param);
}

KDR_FREI0R_EXPORT void f0r_update2(f0r_instance_t instance, double time, const uint32_t* inframe1,
                                   const uint32_t* inframe2, const uint32_t* /*inframe3*/,
                                   uint32_t* outframe) {
    if (instance == nullptr) {
        return;
    }
    try {
        instance_of(instance)->update(time, inframe1, inframe2, outframe);
    } catch (...) {
    }
}

// A mixer is updated through f0r_update2; a host that calls the one-input
// update anyway gets its input back.
KDR_FREI0R_EXPORT void f0r_update(f0r_instance_t instance, double time, const uint32_t* inframe,
                                  uint32_t* outframe) {
    if (instance == nullptr) {
        return;
    }
    try {
        instance_of(instance)->update(time, inframe, nullptr, outframe);
    } catch (...) {
    }
}
