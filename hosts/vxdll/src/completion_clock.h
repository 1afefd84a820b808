#pragma once
// Kdr5_30's host gives each frame as a completion from 0 to 1, the engine
// wants a part of a total. A completion of 0 starts a transition: the total
// is 60 for now, and the first nonzero completion after it fixes the total
// as trunc(1 / completion + 1.5), kept until the next 0. The part is
// trunc(total x completion).
//
// Host values are hostile: a completion that is negative or not a number
// counts as 0, one above 1 as 1, and the total never exceeds max_total (a
// tiny completion would otherwise overflow it). A clock starts as at a
// completion of 0, so that a host that begins without one still gets a
// total from its first frame.

#include <cstdint>

namespace kdr::vxdll {

struct FramePlace {
    std::uint32_t part = 0;
    std::uint32_t total = 0;
};

class CompletionClock {
  public:
    static constexpr std::uint32_t first_total = 60;
    static constexpr std::uint32_t max_total = 100000;

    FramePlace advance(float completion);

  private:
    std::uint32_t m_total = first_total;
    bool m_at_first_frame = true;
};

}  // namespace kdr::vxdll
