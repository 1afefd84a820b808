#include "kaleidra/hostkit/stored_settings.h"

#include <algorithm>
#include <cstring>

#include "kaleidra/chunks/chunk_id.h"
#include "kaleidra/scene/effect_settings.h"

namespace kdr::hostkit {

bool load_stored_settings(EffectSettings& settings, const void* block, std::size_t available) {
    if (block == nullptr || available < 8) {
        return false;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(block);
    std::uint32_t size = 0;
    std::memcpy(&size, bytes, 4);
    constexpr chunks::ChunkId form = chunks::make_id("KDRR");
    if (size < 8 || std::memcmp(bytes + 4, &form, 4) != 0) {
        return false;
    }
    const std::size_t readable = std::min({available, std::size_t{size}, max_stored_settings});
    EffectSettings fresh;
    if (!settings_initialise(fresh)) {
        return false;
    }
    // A block cut inside a chunk keeps what came before the cut, as every
    // reader of the stored form does.
    (void)settings_from_block(fresh, block, readable);
    const bool copied = settings_copy(settings, fresh);
    settings_destroy(fresh);
    return copied;
}

}  // namespace kdr::hostkit
