#pragma once
// Tells whole-frame update calls from the horizontal slices a host may cut a
// frame into. A 3D picture cannot be drawn slice by slice: each slice would
// hold the whole scene squeezed into its rows. MLT cuts a frame when the
// transition has the property "threads" (other than 1): it builds the
// instance at the slice's height and calls update once per slice with the
// same time and with buffers one slice apart, usually at the same time from
// several threads, never saying that it does.
//
// The guard sees slicing in either form:
//   - a call that enters while another is still inside the instance;
//   - a call for the same time as the one before, whose three buffers all
//     lie the same whole number of instance-sized pictures away from that
//     call's (slices may come in any order).
// From then on the instance is sliced for good: every call passes its first
// input through. A call that was already rendering when a sibling slice gave
// slicing away learns it when it leaves, and the first slice of a frame seen
// only afterwards is named by enter() so that the caller can put its input
// through as well: no slice keeps a squeezed picture.
//
// Thread-safe: every member may be called from any thread at once.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>

namespace kdr::frei0r {

struct UpdateCall {
    double time = 0;
    const std::uint32_t* a = nullptr;
    const std::uint32_t* b = nullptr;
    std::uint32_t* out = nullptr;
};

class SliceGuard {
  public:
    // `pixels`: width x height of the instance.
    explicit SliceGuard(std::size_t pixels) : m_pixels(pixels) {}

    struct Entry {
        bool render = false;  // false: pass input A through
        // A call before this one that rendered a slice: its output must
        // become its input A too.
        std::optional<UpdateCall> repair;
        bool first_detection = false;  // this call found the slicing
    };

    Entry enter(const UpdateCall& call);
    // After a call that rendered: true when slicing was found meanwhile and
    // the call's output must become its input A.
    bool leave(bool rendered);

    bool sliced() const;

  private:
    bool follows_last(const UpdateCall& call) const;

    const std::size_t m_pixels;
    mutable std::mutex m_mutex;
    int m_inside = 0;
    bool m_sliced = false;
    std::optional<UpdateCall> m_last;
    bool m_last_rendered = false;
};

}  // namespace kdr::frei0r
