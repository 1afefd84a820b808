// Reads arbitrary bytes as an envelope file (form "KENV") as the envelope
// editor's "&Load" does, then checks that what was read can be edited
// (end keys at 0 and 1, times in order, finite values that evaluate to
// finite values) and that our writer gives it back identical.
#include <cstdint>

#include "item_file_fuzz_support.h"
#include "kaleidra/gui/envelope_editing.h"
#include "kaleidra/scene/evaluation.h"
#include "kaleidra/scene/item_files.h"

using namespace kdr;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path file = fuzz::item_scratch_file("kdr-envelope-fuzz");
    static const std::filesystem::path again = fuzz::item_scratch_file("kdr-envelope-fuzz-again");
    if (!fuzz::write_scratch(file, data, size)) {
        return 0;
    }
    scene::Envelope envelope;
    if (read_envelope_file(file, envelope) != ItemFileRead::read) {
        if (!envelope.keys.empty() || envelope.id != 0) {
            __builtin_trap();  // a refused file leaves the item alone
        }
        return 0;
    }
    if (envelope.keys.size() < 2 || envelope.keys.front().time != 0 ||
        envelope.keys.back().time != 1) {
        __builtin_trap();
    }
    fuzz::check_key_times(envelope.keys);
    for (int percent = 0; percent <= 100; percent += 5) {
        const float time = gui::time_of_percent(percent);
        const gui::EnvelopeKeyDisplay display = gui::envelope_key_display(envelope.keys, time);
        (void)display;
        (void)evaluate_envelope(envelope.keys, time);
    }
    if (!write_envelope_file(again, envelope).ok()) {
        return 0;
    }
    scene::Envelope back;
    if (read_envelope_file(again, back) != ItemFileRead::read || back.differs(envelope)) {
        __builtin_trap();  // what we write must read back the same
    }
    return 0;
}
