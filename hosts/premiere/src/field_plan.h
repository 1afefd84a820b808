#pragma once
// How a Premiere call for one field becomes a render call: the field's
// parity is the part's (0 for an even part, 1 for an odd one) and names the
// work folder's pictures ("V%02d%d") and the call of the pair (the even
// part first); the field bit depends on the field order: with order 0x200
// an even part is 0x2000 and an odd one 0x4000, with order 0x100 the other
// way round (0x200 decides when both are set). Without field bits the
// call is a whole frame.

#include <cstdint>
#include <optional>

#include "kaleidra/host/host_frame.h"

namespace kdr::premiere {

struct FieldPlan {
    host::FrameCall call = host::FrameCall::whole_frame;
    host::HostField field;
};

std::optional<FieldPlan> field_plan(std::uint16_t field_bits, std::int32_t part);

}  // namespace kdr::premiere
