#include "effect_parameters.h"

#include <cstdio>
#include <cstring>

namespace kdr::aftereffects {
namespace {

constexpr std::int32_t fixed_one = 1 << 16;
// What the host's add_param takes as "the next index".
constexpr std::int32_t next_index = -1;

template <std::size_t size>
void copy_text(char (&field)[size], const char* text) {
    std::strncpy(field, text, size - 1);
    field[size - 1] = '\0';
}

}  // namespace

hostkit::AeParam completion_slider() {
    hostkit::AeParam param{};
    param.param_type = hostkit::ae_param_fixed_slider;
    copy_text(param.name, "Transition Completion");
    hostkit::AeFixedSlider& slider = param.u.slider;
    slider.value = 0;
    copy_text(slider.value_str, "ValueStr");
    copy_text(slider.value_desc, "Desc");
    slider.valid_min = 0;
    slider.valid_max = 100 * fixed_one;
    slider.slider_min = 0;
    slider.slider_max = 100 * fixed_one;
    slider.default_value = 0;
    slider.precision = 2;
    slider.display_flags = 0;
    return param;
}

hostkit::AeParam source_layer(std::int32_t index) {
    hostkit::AeParam param{};
    param.param_type = hostkit::ae_param_layer;
    std::snprintf(param.name, sizeof param.name, "Source %d Layer", static_cast<int>(index));
    param.u.layer.default_layer = 0;
    return param;
}

std::int32_t add_parameters(hostkit::AeInRecord& in, hostkit::AeOutRecord& out) {
    if (in.services.add_param == nullptr) {
        return 0;  // a host without the service takes no parameters
    }
    hostkit::AeParam slider = completion_slider();
    if (std::int32_t error = in.services.add_param(in.effect_ref, next_index, &slider)) {
        return error;
    }
    for (std::int32_t index = first_source_parameter; index <= last_source_parameter; ++index) {
        hostkit::AeParam layer = source_layer(index);
        if (std::int32_t error = in.services.add_param(in.effect_ref, next_index, &layer)) {
            return error;
        }
    }
    out.num_params = parameter_count;
    return 0;
}

}  // namespace kdr::aftereffects
