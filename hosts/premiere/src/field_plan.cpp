#include "field_plan.h"

#include "kaleidra/hostkit/premiere_records.h"

namespace kdr::premiere {

std::optional<FieldPlan> field_plan(std::uint16_t field_bits, std::int32_t part) {
    const bool order_b = (field_bits & hostkit::premiere_field_order_b) != 0;
    const bool order_a = (field_bits & hostkit::premiere_field_order_a) != 0;
    if (!order_a && !order_b) {
        return std::nullopt;
    }
    const int parity = part % 2 != 0 ? 1 : 0;
    FieldPlan plan;
    plan.call = parity == 0 ? host::FrameCall::first_field : host::FrameCall::second_field;
    // HostField's parity is the field bit: 1 gives 0x2000, 0 gives 0x4000.
    plan.field.parity = order_b ? 1 - parity : parity;
    plan.field.cut_from_whole_pictures = false;
    plan.field.work_image_digit = parity;
    return plan;
}

}  // namespace kdr::premiere
