#pragma once
// One still frame of an effect over one picture, as the still-image
// filters (Photoshop, GIMP) draw it: the engine the registry names is
// loaded for this frame only, prepared, rendered on the calling thread and
// freed with its context. The picture is the video the filter source
// names (the other 19 image slots empty), the frame's total and part are
// the filter values', its background the host's colour with alpha 0.
//
// What the engine could not do is said, so that the caller can leave the
// user's picture as it was and tell the user which engine failed: an
// engine that cannot be loaded, or one that gives no context for the
// effect. Called from one thread at a time (the engine's entries are the
// caller's).

#include <string>

#include "kaleidra/host/host_frame.h"
#include "kaleidra/hostkit/filter_values.h"
#include "kaleidra/records/layout.h"

namespace kdr::hostkit {

struct StillFrame {
    host::HostPicture picture;  // the host's picture, with its alpha
    host::HostPicture output;   // the same size; the engine draws into it
    FilterValues values;
    float background[3] = {0, 0, 0};  // red, green, blue, 0 to 1
    ProgressCallback progress = nullptr;
    AbortCallback abort = nullptr;
};

enum class StillOutcome { drawn, no_engine, not_prepared, bad_picture };

struct StillResult {
    StillOutcome outcome = StillOutcome::drawn;
    std::string message;  // for the user, when not drawn
};

StillResult render_still(const EffectSettings& settings, const StillFrame& frame);

}  // namespace kdr::hostkit
