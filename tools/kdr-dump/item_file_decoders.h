#pragma once
// Decoders for envelope files ("KENV") and path files ("KPTH"): the item's
// ids, link and parameter, then one line per key.

#include <memory>

#include "form_decoders.h"

namespace kdr::dump {

std::unique_ptr<FormDecoder> make_envelope_file_decoder();
std::unique_ptr<FormDecoder> make_path_file_decoder();

}  // namespace kdr::dump
