#pragma once
// The simulated Photoshop of the adapters' tests: a document of 8-bit
// planes (red, green, blue, then the transparency masks, layer masks and
// inverted layer masks its counts name), an optional selection mask, the
// filter record, and the host's services: advance state (delivering the
// in-rectangle's rows, taking the out-rectangle's rows back into the
// document at the next advance or when the filter returns), abort and
// progress. A filter is run as the host runs one: prepare, start, continue
// while a rectangle is left, finish. One simulated host at a time.

#include <cstdint>
#include <optional>
#include <vector>

#include "kaleidra/hostkit/photoshop_records.h"
#include "kaleidra/testing/picture_compare.h"

namespace kdr::hostkit::test {

struct PsDocumentShape {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int16_t transparency = 0;
    std::int16_t layer_masks = 0;
    std::int16_t inverted_masks = 0;
};

class SimPhotoshop {
  public:
    explicit SimPhotoshop(const PsDocumentShape& shape);
    ~SimPhotoshop();
    SimPhotoshop(const SimPhotoshop&) = delete;
    SimPhotoshop& operator=(const SimPhotoshop&) = delete;

    PsFilterRecord& record() { return m_record; }
    int planes() const { return m_planes; }
    // Plane `plane` of pixel (x, y), y from the top.
    std::uint8_t& at(std::int32_t x, std::int32_t y, int plane);
    const std::vector<std::uint8_t>& document() const { return m_document; }
    // The colour planes as a picture, and a picture made the colour planes.
    kdr::test::Picture picture() const;
    void set_picture(const kdr::test::Picture& picture);
    // Every mask plane `value`.
    void fill_masks(std::uint8_t value);
    // A selection mask, every byte `value` (set per pixel with mask_at).
    void select(std::uint8_t value);
    std::uint8_t& mask_at(std::int32_t x, std::int32_t y);
    // Filters only the rectangle (the document outside stays).
    void set_filter_rect(std::int32_t left, std::int32_t top, std::int32_t right,
                         std::int32_t bottom);
    void set_background(std::uint16_t red, std::uint16_t green, std::uint16_t blue);
    void remove_advance_state();
    // Advance state fails with `error` from its n-th call on (1 first).
    void fail_advance_from(int call, std::int16_t error);
    // The abort test answers yes from its n-th call on (1 first).
    void abort_from(int call);

    // One selector as the host calls it; the result code.
    std::int16_t call(PsEntry entry, std::int16_t selector);
    // The whole filter run: prepare, start, continue, finish. The start's
    // result; the document keeps what the filter wrote only when it is 0.
    std::int16_t run(PsEntry entry);

    int advances() const { return m_advances; }
    int abort_tests() const { return m_abort_tests; }
    const std::vector<std::int32_t>& progress() const { return m_progress; }

  private:
    static std::int16_t advance_state();
    static std::uint8_t abort_test();
    static void progress_report(std::int32_t done, std::int32_t total);
    void serve();
    void commit();

    PsFilterRecord m_record{};
    PsPlatformData m_platform{};
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    int m_planes = 3;
    std::vector<std::uint8_t> m_document;
    std::vector<std::uint8_t> m_mask;
    std::vector<std::uint8_t> m_in;
    std::vector<std::uint8_t> m_out;
    std::vector<std::uint8_t> m_mask_rows;
    std::optional<PsRect> m_served_out;
    int m_advances = 0;
    int m_fail_from = 0;
    std::int16_t m_fail_error = 0;
    int m_abort_from = 0;
    int m_abort_tests = 0;
    std::vector<std::int32_t> m_progress;
};

}  // namespace kdr::hostkit::test
