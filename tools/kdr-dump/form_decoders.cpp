#include "form_decoders.h"

#include <memory>

namespace kdr::dump {

std::unique_ptr<FormDecoder> decoder_for(chunks::ChunkId /*form*/) {
    return nullptr;
}

}  // namespace kdr::dump
