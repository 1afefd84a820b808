#include "kaleidra/gui/preview_renderer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "kaleidra/host/engine_binding.h"
#include "kaleidra/images/image_file.h"
#include "kaleidra/records/frame_record.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/scene/effect_settings.h"

namespace kdr::gui {
namespace {

// The engine's abort callback takes no argument; the engine calls it on the
// thread that called Rnd_Render, so each render thread points it at its own
// renderer's flags.
thread_local const std::atomic<bool>* t_stop_flag = nullptr;
thread_local const std::atomic<bool>* t_quit_flag = nullptr;

int abort_preview(int) {
    const bool stop = t_stop_flag != nullptr && t_stop_flag->load();
    const bool quit = t_quit_flag != nullptr && t_quit_flag->load();
    return stop || quit ? 1 : 0;
}

constexpr auto idle_poll = std::chrono::milliseconds(50);

}  // namespace

// A render request: the record and scene values as they were when asked.
struct PreviewRenderer::Job {
    EffectSettings record;
    bool valid = false;
    PreviewSceneValues scene;

    Job() { valid = settings_initialise(record); }
    ~Job() { settings_destroy(record); }
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;
};

// What the render thread owns: its settings record, its frame record and
// the output buffer the engine draws into.
struct ThreadRecords {
    EffectSettings record;
    bool valid = false;
    FrameRecord frame;
    std::vector<std::uint8_t> output;

    ThreadRecords() {
        valid = settings_initialise(record);
        frame_construct(frame);
    }
    ~ThreadRecords() {
        release_slots();
        settings_destroy(record);
    }
    // The slots' copies of the textures own their names (not their pixels);
    // a slot the engine filled itself may own its pixels too.
    void release_slots() {
        for (ImageRecord& image : frame.images) {
            image_release_all(image);
        }
        image_release_all(frame.output);
    }
    ThreadRecords(const ThreadRecords&) = delete;
    ThreadRecords& operator=(const ThreadRecords&) = delete;
};

const char* render_button_text(RenderButtonState state) {
    switch (state) {
        case RenderButtonState::stop:
            return "Stop";
        case RenderButtonState::wait:
            return "Wait...";
        case RenderButtonState::render:
            break;
    }
    return "Render";
}

PreviewRenderer::PreviewRenderer(const PreviewConfig& config) : m_config(config) {
    const std::size_t side = static_cast<std::size_t>(m_config.size);
    m_frame_bytes = side * side * 3;
    m_textures.resize(image_slot_count);
    for (int n = 1; n <= image_slot_count; ++n) {
        ImageRecord& texture = m_textures[n - 1];
        image_construct(texture);
        char name[16];
        std::snprintf(name, sizeof name, "%s%02d", m_config.prefix, n);
        if (load_texture_file(texture, name)) {
            ++m_textures_loaded;
        } else {
            image_release_all(texture);
        }
    }
    m_frames.assign(static_cast<std::size_t>(std::max(1, m_config.frame_count)),
                    std::vector<std::uint8_t>(m_frame_bytes, preview_grey));
    m_thread = std::thread([this] { run(); });
}

PreviewRenderer::~PreviewRenderer() {
    m_display_frame = -1;
    {
        std::lock_guard<std::mutex> lock(m_job_mutex);
        m_quit = true;
        m_stop_requested = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    for (ImageRecord& texture : m_textures) {
        image_release_all(texture);
    }
}

void PreviewRenderer::request_render(const EffectSettings& record,
                                     const PreviewSceneValues& scene) {
    auto job = std::make_unique<Job>();
    if (!job->valid || !settings_copy(job->record, record)) {
        return;
    }
    job->scene = scene;
    {
        std::lock_guard<std::mutex> lock(m_job_mutex);
        m_job = std::move(job);
        m_render_requested = true;
    }
    m_wake.notify_all();
}

void PreviewRenderer::request_stop() {
    m_stop_requested = true;
}

RenderButtonState PreviewRenderer::button_state() const {
    if (!m_rendering.load()) {
        return RenderButtonState::render;
    }
    return m_stop_requested.load() ? RenderButtonState::wait : RenderButtonState::stop;
}

int PreviewRenderer::next_display_frame() {
    const int count = static_cast<int>(m_frames.size());
    m_display_frame = m_display_frame + 1 >= count ? 0 : m_display_frame + 1;
    const int rendered = m_frames_rendered.load();
    if (m_rendering.load() && rendered != 0) {
        return std::min(rendered - 1, count - 1);
    }
    return m_display_frame;
}

bool PreviewRenderer::copy_frame(int index, std::vector<std::uint8_t>& pixels) const {
    if (index < 0 || index >= static_cast<int>(m_frames.size())) {
        return false;
    }
    std::lock_guard<std::mutex> lock(m_frames_mutex);
    pixels = m_frames[static_cast<std::size_t>(index)];
    return true;
}

void PreviewRenderer::fill_grey() {
    std::lock_guard<std::mutex> lock(m_frames_mutex);
    for (std::vector<std::uint8_t>& frame : m_frames) {
        std::fill(frame.begin(), frame.end(), preview_grey);
    }
}

void PreviewRenderer::publish_frame(int buffer, const std::uint8_t* pixels) {
    std::lock_guard<std::mutex> lock(m_frames_mutex);
    std::memcpy(m_frames[static_cast<std::size_t>(buffer)].data(), pixels, m_frame_bytes);
}

void PreviewRenderer::run() {
    host::EngineBinding engine;
    const bool loaded = engine.load(host::EngineRole::preview).ok();
    m_engine_loaded = loaded;
    m_engine_tried = true;
    if (!loaded) {
        // No engine: the previews stay grey for this dialog.
        return;
    }
    t_stop_flag = &m_stop_requested;
    t_quit_flag = &m_quit;
    ThreadRecords records;
    records.output.assign(m_frame_bytes, preview_grey);
    RenderContext* context = nullptr;
    while (true) {
        std::unique_ptr<Job> job;
        {
            std::unique_lock<std::mutex> lock(m_job_mutex);
            while (!m_quit && !m_render_requested) {
                m_stop_requested = false;
                m_wake.wait_for(lock, idle_poll);
            }
            if (m_quit) {
                break;
            }
            m_rendering = true;
            m_render_requested = false;
            job = std::move(m_job);
        }
        fill_grey();
        m_frames_rendered = 0;
        if (job && records.valid) {
            render_job(*job, records, context, engine);
        }
        m_rendering = false;
        if (m_quit) {
            break;
        }
        const bool stopped = m_stop_requested.load();
        if (stopped) {
            fill_grey();
        } else {
            ++m_renders_completed;
        }
        m_progress = 0;
        m_frames_rendered = 0;
        m_stop_requested = false;
    }
    engine.free_context(context);
    engine.release();
}

void PreviewRenderer::render_job(const Job& job, ThreadRecords& records, RenderContext*& context,
                                 const host::EngineBinding& engine) {
    if (!settings_copy(records.record, job.record)) {
        return;
    }
    FrameRecord& frame = records.frame;
    records.release_slots();
    frame_construct(frame);
    const std::uint32_t side = static_cast<std::uint32_t>(m_config.size);
    frame.width = side;
    frame.height = static_cast<std::int32_t>(side);
    frame.image_count = image_slot_count;
    for (int slot = 0; slot < image_slot_count; ++slot) {
        image_shallow_copy(frame.images[slot], m_textures[static_cast<std::size_t>(slot)]);
    }
    ImageShape shape;
    shape.format = format_bgr;
    shape.row_order = row_order_bottom_up;
    shape.bytes_per_pixel = 3;
    shape.alignment = 1;
    shape.width = side;
    shape.height = side;
    (void)image_set_shape(frame.output, shape);
    frame.output.buffer = records.output.data();
    frame.output.owns = 0;
    frame.abort = abort_preview;
    frame.progress = nullptr;
    frame.quiet = 1;
    if (job.scene.loaded) {
        frame.image_count =
            static_cast<std::uint32_t>(std::clamp(job.scene.video_count, 0, image_slot_count));
    }

    if (!engine.prepare(context, &records.record, &frame) || context == nullptr) {
        return;
    }

    PreviewFrameInputs inputs;
    inputs.filter_mode = m_config.filter_mode;
    inputs.frame_count = m_config.frame_count;
    inputs.has_scene = job.scene.loaded;
    inputs.best_frame = job.scene.best_frame;
    inputs.fly_direction = records.record.globals[global_fly_direction];
    inputs.filter_frames = records.record.globals[global_filter_frames];
    inputs.filter_percent = records.record.globals[global_filter_percent];
    const std::vector<PreviewFrame> plan = plan_preview_frames(inputs);
    const bool animated = plan.size() > 1;
    for (const PreviewFrame& planned : plan) {
        if (animated) {
            m_frames_rendered = planned.buffer;
        }
        frame.position = planned.position;
        frame.total = planned.total;
        if (engine.render(context, &records.record, &frame) == 1) {
            publish_frame(planned.buffer, records.output.data());
        }
        if (planned.progress >= 0 && !m_config.filter_mode && !m_quit) {
            m_progress = planned.progress;
        }
        if (m_stop_requested || m_quit) {
            break;
        }
    }
}

}  // namespace kdr::gui
