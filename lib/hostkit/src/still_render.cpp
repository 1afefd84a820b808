#include "kaleidra/hostkit/still_render.h"

#include "kaleidra/host/render_driver.h"
#include "kaleidra/scene/effect_settings.h"

namespace kdr::hostkit {

StillResult render_still(const EffectSettings& settings, const StillFrame& still) {
    host::RenderDriver driver;
    driver.set_calling_thread(host::CallingThread::slot_routine);
    if (!settings_copy(driver.settings(), settings)) {
        return {StillOutcome::bad_picture, "Out of memory."};
    }
    if (Status loaded = driver.attach(); !loaded) {
        return {StillOutcome::no_engine,
                "The render engine could not be loaded, so the image is left unchanged: " +
                    loaded.error()};
    }
    driver.set_multi(false);

    host::HostFrame frame;
    frame.output = still.output;
    frame.position = still.values.part;
    frame.total = still.values.total;
    frame.quiet = host::QuietRule::by_size;
    frame.progress = still.progress;
    frame.abort = still.abort;
    if (Status filled = host::fill_host_frame(driver, frame); !filled) {
        return {StillOutcome::bad_picture, filled.error()};
    }
    FrameRecord& slot = driver.frame(0);
    if (Status described =
            host::describe_host_picture(slot.images[still.values.source_slot], still.picture);
        !described) {
        return {StillOutcome::bad_picture, described.error()};
    }
    slot.image_count = image_slot_count;
    slot.background[0] = still.background[0];
    slot.background[1] = still.background[1];
    slot.background[2] = still.background[2];
    slot.background[3] = 0;

    driver.render(host::FrameCall::whole_frame);
    if (driver.slot(0).context == nullptr) {
        const std::string engine = driver.engine().tried_path().filename().string();
        return {StillOutcome::not_prepared, "The render engine " + engine +
                                                " could not prepare the effect, so the image is "
                                                "left unchanged."};
    }
    return {};
}

}  // namespace kdr::hostkit
