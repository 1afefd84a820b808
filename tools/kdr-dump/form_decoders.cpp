#include "form_decoders.h"

#include <memory>

namespace kdr::dump {

std::unique_ptr<FormDecoder> decoder_for(chunks::ChunkId form) {
    switch (form) {
        case chunks::make_id("KDRI"):
            return make_kdri_decoder();
        default:
            return nullptr;
    }
}

}  // namespace kdr::dump
