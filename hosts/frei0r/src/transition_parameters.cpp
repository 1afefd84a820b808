#include "transition_parameters.h"

#include <cmath>

namespace kdr::frei0r {
namespace {

constexpr ParameterInfo parameter_table[parameter_count] = {
    {"completion", ParameterType::number,
     "How far the transition has come: 0 shows the first input, 1 the second. Animate it "
     "(completion=\"0=0;-1=1\")."},
    {"effect", ParameterType::text,
     "Name of an installed Kaleidra effect; empty uses the settings file's effect, else "
     "Ballsplt."},
    {"settings", ParameterType::text,
     "Path of a stored Kaleidra settings file (as the selection dialog and kaleidra-render "
     "save them)."},
    {"fly on", ParameterType::boolean,
     "Fly the incoming picture on instead of flying the outgoing one off."},
    {"antialias", ParameterType::boolean, "Smooth the edges of the 3D scene."},
    {"lighting", ParameterType::boolean, "Light the 3D scene."},
    {"shadows", ParameterType::number, "Strength of the shadows, 0..1."},
};

// The values reported for options the host never set: the built-in defaults.
constexpr double default_lighting = 1.0;
constexpr double default_shadows = 0.5;

}  // namespace

const ParameterInfo* parameter_info(int index) {
    if (index < 0 || index >= parameter_count) {
        return nullptr;
    }
    return &parameter_table[index];
}

bool frei0r_bool(double value) {
    return value >= 0.5;
}

double unit_interval(double value) {
    if (!(value >= 0)) {
        return 0;
    }
    return value > 1 ? 1 : value;
}

template <class T>
void TransitionParameters::change(T& field, const T& value) {
    if (field != value) {
        field = value;
        ++m_generation;
    }
}

void TransitionParameters::set(int index, const void* value) {
    if (value == nullptr || parameter_info(index) == nullptr) {
        return;
    }
    if (parameter_info(index)->type == ParameterType::text) {
        const char* text = *static_cast<const char* const*>(value);
        const std::string string = text != nullptr ? text : "";
        change(index == parameter_effect ? m_effect : m_settings_file, string);
        return;
    }
    const double number = *static_cast<const double*>(value);
    switch (index) {
        case parameter_completion:
            m_completion = unit_interval(number);
            break;
        case parameter_fly_on:
            change(m_fly_on, std::optional<bool>(frei0r_bool(number)));
            break;
        case parameter_antialias:
            change(m_antialias, std::optional<bool>(frei0r_bool(number)));
            break;
        case parameter_lighting:
            change(m_lighting, std::optional<bool>(frei0r_bool(number)));
            break;
        case parameter_shadows:
            change(m_shadows,
                   std::optional<float>(static_cast<float>(unit_interval(number) * 100)));
            break;
        default:
            break;
    }
}

void TransitionParameters::get(int index, void* value) const {
    if (value == nullptr || parameter_info(index) == nullptr) {
        return;
    }
    if (parameter_info(index)->type == ParameterType::text) {
        const std::string& text = index == parameter_effect ? m_effect : m_settings_file;
        // The host reads the string and never writes through the pointer.
        *static_cast<const char**>(value) = text.c_str();
        return;
    }
    auto flag = [](const std::optional<bool>& option, double otherwise) {
        return option ? (*option ? 1.0 : 0.0) : otherwise;
    };
    double number = 0;
    switch (index) {
        case parameter_completion:
            number = m_completion;
            break;
        case parameter_fly_on:
            number = flag(m_fly_on, 0.0);
            break;
        case parameter_antialias:
            number = flag(m_antialias, 0.0);
            break;
        case parameter_lighting:
            number = flag(m_lighting, default_lighting);
            break;
        case parameter_shadows:
            number = m_shadows ? *m_shadows / 100.0 : default_shadows;
            break;
        default:
            break;
    }
    *static_cast<double*>(value) = number;
}

}  // namespace kdr::frei0r
