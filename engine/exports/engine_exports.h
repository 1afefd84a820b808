#pragma once
// Each engine library defines this: the backend its five exports use, made
// at the first call (by the first entry point a host calls).

#include "kaleidra/render/engine_frontend.h"

namespace kdr::render {

EngineBackend& engine_backend();

}  // namespace kdr::render
