#pragma once
// One instance of the frei0r transition: its parameters, and the render
// driver that draws its frames through the engine the registry names.
//
// Constructing an instance costs nothing: hosts construct instances just to
// list the parameters. The driver, its worker threads, the engine and the
// OpenGL contexts come with the first update; the engine prepares again only
// when the size or the settings change (the driver decides). Each instance
// owns its driver and contexts, so instances on different threads never
// share a context.
//
// The sources are read where the host keeps them and the picture is written
// straight into the host's output (32-bit red, green, blue, alpha, top row
// first). Whenever no 3D picture can be made (no engine, a failed render,
// a frame cut into slices; see slice_guard.h) the output is input A, and
// stderr says why once.
//
// Parameters are set between updates. update() may be entered from several
// threads at once only by a host that slices frames; those calls pass A
// through and never reach the driver.

#include <cstdint>
#include <memory>

#include "frame_positions.h"
#include "slice_guard.h"
#include "transition_parameters.h"

namespace kdr::host {
class RenderDriver;
}

namespace kdr::frei0r {

class TransitionInstance {
  public:
    // Sizes beyond this are refused (the host then has no instance).
    static constexpr unsigned max_side = 16384;

    // `clock` is shared by every instance of the library and outlives them.
    TransitionInstance(unsigned width, unsigned height, FrameClock& clock);
    ~TransitionInstance();
    TransitionInstance(const TransitionInstance&) = delete;
    TransitionInstance& operator=(const TransitionInstance&) = delete;

    unsigned width() const { return m_width; }
    unsigned height() const { return m_height; }

    TransitionParameters& parameters() { return m_parameters; }
    const TransitionParameters& parameters() const { return m_parameters; }

    void update(double time, const std::uint32_t* a, const std::uint32_t* b, std::uint32_t* out);

  private:
    bool render(double time, const std::uint32_t* a, const std::uint32_t* b, std::uint32_t* out);
    bool start_driver();
    void refresh_settings();
    void pass_through(const UpdateCall& call) const;

    const unsigned m_width;
    const unsigned m_height;
    TransitionParameters m_parameters;
    SliceGuard m_guard;
    FramePositions m_positions;
    std::unique_ptr<host::RenderDriver> m_driver;
    bool m_engine_ready = false;
    std::uint64_t m_settings_generation = 0;
    bool m_settings_built = false;
};

}  // namespace kdr::frei0r
