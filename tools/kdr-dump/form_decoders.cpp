#include "form_decoders.h"

#include <memory>

#include "item_file_decoders.h"
#include "scene_decoders.h"

namespace kdr::dump {

std::unique_ptr<FormDecoder> decoder_for(chunks::ChunkId form) {
    switch (form) {
        case chunks::make_id("KDRI"):
            return make_kdri_decoder();
        case chunks::make_id("KDRE"):
            return make_effect_decoder();
        case chunks::make_id("KDRR"):
            return make_settings_decoder();
        case chunks::make_id("KENV"):
            return make_envelope_file_decoder();
        case chunks::make_id("KPTH"):
            return make_path_file_decoder();
        default:
            return nullptr;
    }
}

}  // namespace kdr::dump
