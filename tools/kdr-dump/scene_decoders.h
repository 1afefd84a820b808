#pragma once
// Decoders for effect files ("KDRE") and stored settings blocks ("KDRR").

#include <memory>

#include "form_decoders.h"

namespace kdr::dump {

std::unique_ptr<FormDecoder> make_effect_decoder();
std::unique_ptr<FormDecoder> make_settings_decoder();

}  // namespace kdr::dump
