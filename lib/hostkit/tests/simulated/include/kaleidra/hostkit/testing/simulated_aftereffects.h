#pragma once
// The simulated After Effects of the adapters' tests: the input and output
// records of a command, the parameter list (the input layer and the
// slider), the output buffer and source layers as the host keeps them
// (8-bit alpha, red, green, blue, top row first, rows padded as asked),
// and the host's services: parameter check-out and check-in at a time,
// adding parameters, abort, progress and handles. Each call of a service
// is counted; the handles are the host's own and freed with it.

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "kaleidra/hostkit/aftereffects_records.h"
#include "kaleidra/testing/picture_compare.h"

namespace kdr::hostkit::test {

// A layer's pixels in the host's layout.
class AeLayerPixels {
  public:
    AeLayerPixels() = default;
    // Every byte `fill`; rows of `row_pixels` pixels (0: the width).
    AeLayerPixels(std::int32_t width, std::int32_t height, std::int32_t row_pixels = 0,
                  std::uint8_t fill = 0);
    // The picture with every alpha byte `alpha`.
    static AeLayerPixels from_picture(const kdr::test::Picture& picture, std::uint8_t alpha = 255,
                                      std::int32_t row_pixels = 0);
    kdr::test::Picture to_picture() const;

    // The layer record describing these pixels.
    AeLayer layer();
    std::uint8_t* pixel(std::int32_t x, std::int32_t y);
    const std::uint8_t* pixel(std::int32_t x, std::int32_t y) const;
    const std::vector<std::uint8_t>& bytes() const { return m_bytes; }

  private:
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    std::int32_t m_row_bytes = 0;
    std::vector<std::uint8_t> m_bytes;
};

class SimAfterEffects {
  public:
    // An effect on a `duration`-frame layer (time scale 30, one frame = 1).
    SimAfterEffects(const AeLayerPixels& input, std::int32_t output_width,
                    std::int32_t output_height, std::int32_t duration);
    ~SimAfterEffects();
    SimAfterEffects(const SimAfterEffects&) = delete;
    SimAfterEffects& operator=(const SimAfterEffects&) = delete;

    // Calls the plug-in as the host does; after the command the sequence
    // data the plug-in handed back becomes the effect's.
    std::int32_t command(AeEntry entry, std::int32_t command);

    AeInRecord& in() { return m_in; }
    AeOutRecord& out() { return m_out; }
    AeLayerPixels& input() { return m_input; }
    AeLayerPixels& output() { return m_output; }
    // The slider in percent (16.16 in the parameter).
    void set_completion(double percent);
    // The layer parameter `index` (2 to 20) shows `pixels`; unset ones
    // have no layer.
    void set_source(std::int32_t index, const AeLayerPixels& pixels);
    // Check-outs of `index` fail with `error`.
    void fail_checkout(std::int32_t index, std::int32_t error);
    // The n-th add_param call (1 first) fails with `error`.
    void fail_add(int call, std::int32_t error);
    // The abort test answers `code` from its n-th call on (1 first).
    void abort_from(int call, std::int32_t code);

    // Gives the effect stored settings (a project read from disk).
    void store(const std::vector<std::uint8_t>& bytes);
    // The bytes of the effect's sequence data (empty: none).
    std::vector<std::uint8_t> stored() const;

    const std::vector<AeParam>& added() const { return m_added; }
    int checkouts() const { return m_checkouts; }
    int checkins() const { return m_checkins; }
    int abort_tests() const { return m_abort_tests.load(); }
    const std::vector<std::int32_t>& progress() const { return m_progress; }
    // Handles made and not disposed of.
    std::size_t live_handles() const;
    // Handles still locked.
    int locked_handles() const;

  private:
    static AeHandle new_handle(std::uint32_t size);
    static void* lock_handle(AeHandle handle);
    static void unlock_handle(AeHandle handle);
    static void dispose_handle(AeHandle handle);
    static std::int32_t checkout(void* ref, std::int32_t index, std::int32_t time,
                                 std::int32_t step, std::uint32_t scale, AeParam* param);
    static std::int32_t checkin(void* ref, AeParam* param);
    static std::int32_t add_param(void* ref, std::int32_t index, AeParam* param);
    static std::int32_t abort_test(void* ref);
    static std::int32_t progress_report(void* ref, std::int32_t current, std::int32_t total);

    AeInRecord m_in{};
    AeOutRecord m_out{};
    AeUtilities m_utilities{};
    AeLayerPixels m_input;
    AeLayerPixels m_output;
    AeParam m_input_param{};
    AeParam m_slider_param{};
    AeParam* m_params[2] = {&m_input_param, &m_slider_param};
    AeLayer m_output_layer{};
    std::map<std::int32_t, AeLayerPixels> m_sources;
    std::map<std::int32_t, std::int32_t> m_failing_checkouts;
    int m_checked_out_now = 0;
    std::vector<AeParam> m_added;
    int m_fail_add_call = 0;
    std::int32_t m_fail_add_error = 0;
    int m_abort_from = 0;
    std::int32_t m_abort_code = 0;
    int m_checkouts = 0;
    int m_checkins = 0;
    std::atomic<int> m_abort_tests{0};
    std::vector<std::int32_t> m_progress;
};

}  // namespace kdr::hostkit::test
