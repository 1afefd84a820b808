#pragma once
// What kdr-dump knows about the forms of the system. A decoder turns one
// chunk of its form into readable lines printed under the chunk's line; forms
// without a decoder are listed chunk by chunk only.

#include <string>
#include <vector>

#include "kaleidra/chunks/chunk_stream.h"

namespace kdr::dump {

struct FormDecoder {
    // Called once per chunk; returns the lines to print below it.
    virtual std::vector<std::string> describe(const chunks::Chunk& chunk) = 0;
    // Called after the last chunk; returns a summary.
    virtual std::vector<std::string> finish() { return {}; }
    virtual ~FormDecoder() = default;
};

// The decoder for `form`, or null when the form has none.
std::unique_ptr<FormDecoder> decoder_for(chunks::ChunkId form);

// One maker per form, each in a file of its own.
std::unique_ptr<FormDecoder> make_kdri_decoder();

}  // namespace kdr::dump
