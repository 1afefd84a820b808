#pragma once
// The render driver: the host side of rendering that every adapter, the
// preview renderer and the tools share. It holds the engine binding, the two
// render slots (engine context, frame record, needs-prepare flag), the
// current settings and a copy of those with which the slots were last
// prepared, and runs the fixed per-frame sequence:
//
//   the caller fills the frame record of the slot for this call (slot_for),
//   then render(): decide whether the engine must prepare again (new size,
//   new settings, or a slot without a context) and write the log header,
//   log the frame's start, prepare and render on one or two worker threads
//   (whole frame, two row halves, or two fields at once), log the end and
//   release the images the frame records own.
//
// With multi-rendering ("Rnd_Multi") whole frames are split: slot 0 delivers
// the first half of the output rows (half the height, rounded down) and slot
// 1 the rest; field pairs render both fields at once, one per slot. Without
// it only slot 0 is used, but for a field pair handed over in one call.
// Only slot 0 reports progress. Engine calls run on two worker threads kept for the
// driver's life, so an engine that makes its OpenGL context current (and
// releases it) never disturbs a context the host's own thread holds; the
// calling-thread variants let adapters that want it render on their thread.
//
// One RenderDriver per library that contains the host core (it is that
// library's per-library state). Every member is called from one host thread
// at a time, one frame at a time; during render() the workers touch only
// their own slot and read the settings, and render() returns only when they
// have all finished. Contexts never outlive the engine library that made
// them: unload_engine() and the destructor free them first.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "kaleidra/host/engine_binding.h"
#include "kaleidra/host/render_log.h"
#include "kaleidra/records/layout.h"

namespace kdr::host {

class RenderWorkers;

// What one render call covers.
enum class FrameCall {
    whole_frame,
    first_field,   // the first call of a field pair
    second_field,  // the second call of a field pair
    // Both fields of a whole interlaced picture in one call: slot 0 draws
    // the first field and slot 1 the second, at once on two workers with
    // multi-rendering, else one after the other.
    field_pair,
};

// Where slot rendering runs when multi-rendering is off. With multi-rendering
// the two slots always run on two worker threads.
enum class CallingThread {
    none,          // on a worker thread, the caller waiting for it
    slot_routine,  // the worker routine itself, on the caller's thread
    own_context,   // a third context of the caller's own, prepared at once
};

struct RenderSlot {
    RenderContext* context = nullptr;
    FrameRecord frame;
    std::uint32_t needs_prepare = 0;
    // What the slot's last Rnd_Render returned (0 also when it was not
    // called); the driver itself does not use it, tools report it.
    int last_result = 0;
};

class RenderDriver {
  public:
    static constexpr int slot_count = 2;

    explicit RenderDriver(EngineRole role = EngineRole::final_render,
                          LogClock& clock = system_log_clock());
    ~RenderDriver();
    RenderDriver(const RenderDriver&) = delete;
    RenderDriver& operator=(const RenderDriver&) = delete;

    // Library start: reads and remembers the engine name, loads that engine,
    // previous size to 0, reads "Rnd_Multi". Fails, saying why, when no
    // engine was loaded (rendering then produces nothing).
    [[nodiscard]] Status attach();
    // After a setup dialog: reads the engine name again and reloads when it
    // changed, then reads "Rnd_Multi" again. True when the engine was
    // reloaded (whether or not the new one could be loaded: engine() says).
    bool refresh_engine();
    // Loads the named engine, or a library file, instead of the registry's
    // (tools).
    [[nodiscard]] Status use_engine(std::string_view name);
    [[nodiscard]] Status use_engine_file(const std::filesystem::path& file);
    // Frees every context through the engine, then releases the library.
    void unload_engine();

    const EngineBinding& engine() const { return m_engine; }
    const std::string& engine_name() const { return m_engine_name; }

    bool multi() const { return m_multi; }
    void set_multi(bool on) { m_multi = on; }
    // Reads "Rnd_Multi" from the registry.
    void read_multi();

    CallingThread calling_thread() const { return m_calling_thread; }
    void set_calling_thread(CallingThread mode) { m_calling_thread = mode; }

    // The settings the current call renders, as the host gave them: the
    // engine never writes into this record.
    EffectSettings& settings() { return m_current; }
    const EffectSettings& previous_settings() const { return m_previous; }

    RenderSlot& slot(int index) { return m_slots[index]; }
    const RenderSlot& slot(int index) const { return m_slots[index]; }
    FrameRecord& frame(int index) { return m_slots[index].frame; }
    RenderContext* calling_context() const { return m_calling_context; }

    // The slot the caller fills for this call: slot 1 for the second field
    // under multi-rendering, otherwise slot 0 (a field pair fills both).
    int slot_for(FrameCall call) const;

    // Makes the next frame prepare again although its size and settings are
    // those prepared for: a host whose own frame options changed.
    void invalidate_preparation() { m_invalidated = true; }

    // Loads the extra images a multisaver filter left in the work folder
    // ("V%02d%d" with the field parity, or "V%02d" when `parity` is
    // negative, extension "IMG", numbers 3 to 20) into image slots 2 to 19 of
    // the slot's frame record; the first missing number ends the list.
    // Returns the image count (2 when there are none).
    std::uint32_t load_extra_images(int slot, int parity);

    // The whole per-frame sequence for a filled slot (slot_for(call)).
    void render(FrameCall call);

    // The sequence in its three steps, for adapters that need something
    // between them: begin_frame decides on preparation and logs the start,
    // dispatch renders (false when the call renders nothing: the first field
    // under multi-rendering), end_frame logs the end and, when the call
    // rendered, releases owned images of both slots.
    void begin_frame(int slot);
    bool dispatch(FrameCall call);
    void end_frame(int slot, bool rendered);
    // Renders slot 0 alone on one worker, whatever multi-rendering says
    // (small previews).
    void dispatch_single();

    // The building blocks: true when the frame's size differs from the one
    // last prepared for, the settings differ, the preparation was
    // invalidated, or a slot this call renders has no context.
    bool needs_new_preparation(int slot) const;
    // Marks both slots for preparation and remembers the settings and size.
    void mark_for_preparation(int slot);
    // The worker routine for one slot: prepare when marked or without a
    // context, then render when there is a context. Runs on whatever thread
    // calls it.
    // Rendering stores Rnd_Render's result in the slot's last_result.
    void run_slot(int slot);

    RenderLog& log() { return m_log; }

  private:
    void free_contexts();
    void prepare_calling_context();
    void render_calling_context(int slot);
    void dispatch_pair();
    EffectSettings* settings_for(int slot);

    EngineRole m_role;
    EngineBinding m_engine;
    std::string m_engine_name;
    RenderSlot m_slots[slot_count];
    RenderContext* m_calling_context = nullptr;
    EffectSettings m_current;
    EffectSettings m_previous;
    // Each slot's own copy of the settings, taken whenever the slots are
    // marked for preparation; slot 0's also serves the calling thread's
    // context. An engine writes into the record it is given (its fallback
    // name for an effect it cannot load): the host's record must stay as the
    // host gave it, or the next frame would find it changed and prepare
    // again, and two workers must never write one record.
    EffectSettings m_slot_settings[slot_count];
    std::uint32_t m_previous_width = 0;
    std::int32_t m_previous_height = 0;
    bool m_multi = false;
    bool m_invalidated = false;
    CallingThread m_calling_thread = CallingThread::none;
    RenderLog m_log;
    std::unique_ptr<RenderWorkers> m_workers;
};

}  // namespace kdr::host
