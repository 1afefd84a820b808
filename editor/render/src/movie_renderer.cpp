#include "kaleidra/editor/movie_renderer.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

#include "kaleidra/editor/frame_plan.h"
#include "kaleidra/editor/item_opening.h"
#include "kaleidra/editor/output_movie.h"
#include "kaleidra/editor/source_pictures.h"
#include "kaleidra/host/render_driver.h"
#include "kaleidra/install/install_paths.h"
#include "kaleidra/platform/background_job.h"
#include "kaleidra/platform/message_box.h"
#include "kaleidra/platform/threads.h"
#include "kaleidra/records/frame_record.h"
#include "kaleidra/records/image_convert.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/scene/effect_settings.h"

namespace kdr::editor {
namespace {

constexpr const char* render_error_title = "Render Error";

// The render whose progress the engine's callbacks reach.
std::atomic<RenderProgress*> active_progress{nullptr};

int report_progress(int percent) {
    if (RenderProgress* progress = active_progress.load()) {
        progress->effect_progress.store(static_cast<float>(percent) * 0.01f);
    }
    return 0;
}

int should_abort(int) {
    RenderProgress* progress = active_progress.load();
    return progress != nullptr && progress->stop.load() ? 1 : 0;
}

Status render_error(const std::string& text, const std::string& detail) {
    platform::show_message_box(render_error_title, text, platform::MessageKind::error);
    return Error{detail.empty() ? text : text + " " + detail};
}

bool has_effects(const Project& project) {
    return std::any_of(project.items().begin(), project.items().end(),
                       [](const auto& item) { return item->kind == ItemKind::effect; });
}

}  // namespace

struct MovieRenderer::State {
    State(host::EngineRole role, std::filesystem::path base)
        : driver(role), sources(std::move(base)) {
        frame_construct(frame);
        for (ImageRecord& output : outputs) {
            image_construct(output);
        }
    }
    ~State() {
        for (ImageRecord& image : frame.images) {
            image_release_all(image);
        }
        image_release_all(frame.output);
        for (ImageRecord& output : outputs) {
            image_release_all(output);
        }
    }

    // The pictures one frame takes from the items.
    struct FramePictures {
        std::array<const ImageRecord*, image_slot_count> slots{};
        const ImageRecord* copy = nullptr;
    };

    void run(RenderProgress& progress);
    void read_pictures(const FramePlan& plan, int buffer);
    void render_effect_frame(const FramePlan& plan, int buffer, RenderProgress& progress);
    void render_whole(bool prepare);
    void render_halves(bool prepare);
    void render_fields(bool prepare);
    void copy_frame(int buffer);
    void publish_notices();

    const Project* project = nullptr;
    host::RenderDriver driver;
    std::optional<OutputMovie> movie;
    std::filesystem::path movie_file;
    SourcePictures sources;
    FrameRecord frame;
    // Two of each, by buffer: while the engine draws frame f from one set of
    // pictures into one output, frame f - 1 is written from the other
    // output and frame f + 1's pictures are read into the other set.
    ImageRecord outputs[2];
    FramePlan plans[2];
    FramePictures pictures[2];
    std::int32_t field_mode = field_mode_frames;
    FrameRange range;
    const TimelineItem* prepared_effect = nullptr;
    Status outcome;
    bool stopped = false;
    std::thread thread;
    std::mutex notices_mutex;
    std::vector<std::string> notices;
    std::mutex end_mutex;
    std::condition_variable ended;
    bool has_ended = false;
};

void MovieRenderer::State::publish_notices() {
    std::vector<std::string> fresh = sources.take_notices();
    if (fresh.empty()) {
        return;
    }
    std::lock_guard lock(notices_mutex);
    notices.insert(notices.end(), fresh.begin(), fresh.end());
}

void MovieRenderer::State::read_pictures(const FramePlan& plan, int buffer) {
    FramePictures& target = pictures[buffer];
    target = {};
    if (plan.effect == nullptr) {
        if (plan.copy_source != nullptr) {
            target.copy = sources.picture(
                *plan.copy_source, std::int64_t{plan.frame} - plan.copy_source->start, buffer);
        }
        return;
    }
    for (std::size_t slot = 0; slot < target.slots.size(); ++slot) {
        if (const TimelineItem* item = plan.sources[slot]) {
            target.slots[slot] =
                sources.picture(*item, std::int64_t{plan.frame} - item->start, buffer);
        }
    }
}

void MovieRenderer::State::copy_frame(int buffer) {
    ImageRecord& output = outputs[buffer];
    const ImageRecord* picture = pictures[buffer].copy;
    if (picture == nullptr || !image_convert(*picture, output, convert_all_rows)) {
        std::memset(output.buffer, 0, output.size);
    }
}

void MovieRenderer::State::render_whole(bool prepare) {
    frame_copy(driver.frame(0), frame);
    if (prepare) {
        driver.mark_for_preparation(0);
        driver.log().header(driver.settings(), frame, driver.engine_name());
    }
    driver.log().frame_start(frame);
    driver.run_slot(0);
    driver.log().frame_end(frame);
}

void MovieRenderer::State::render_halves(bool prepare) {
    for (int slot = 0; slot < host::RenderDriver::slot_count; ++slot) {
        frame_copy(driver.frame(slot), frame);
    }
    driver.frame(0).flags = flag_upper_half;
    driver.frame(1).flags = flag_lower_half;
    driver.frame(1).progress = nullptr;
    if (prepare) {
        driver.mark_for_preparation(0);
        driver.log().header(driver.settings(), frame, driver.engine_name());
    }
    driver.log().frame_start(frame);
    // Under multi-rendering the second call of a pair runs both slots at once.
    (void)driver.dispatch(host::FrameCall::second_field);
    driver.log().frame_end(frame);
}

void MovieRenderer::State::render_fields(bool prepare) {
    // Slot 0 draws the field that comes first in time.
    const int first_parity = field_mode == field_mode_odd_first ? 1 : 0;
    for (int slot = 0; slot < host::RenderDriver::slot_count; ++slot) {
        FrameRecord& field = driver.frame(slot);
        frame_copy(field, frame);
        const int parity = slot == 0 ? first_parity : 1 - first_parity;
        field.flags = flag_field | (slot == 0 ? flag_field_parity_1 : flag_field_parity_0);
        field.height = frame.height / 2;
        field.position = 2 * frame.position + static_cast<std::uint32_t>(slot);
        field.total = 2 * frame.total + 1;
        for (ImageRecord& image : field.images) {
            if (image_has_pixels(image)) {
                image_select_field(image, parity);
            }
        }
        image_select_field(field.output, parity);
        if (slot == 1) {
            field.progress = nullptr;
        }
    }
    if (prepare) {
        FrameRecord header;
        frame_construct(header);
        header.width = frame.width;
        header.height = frame.height / 2;
        driver.mark_for_preparation(0);
        driver.log().header(driver.settings(), header, driver.engine_name());
    }
    driver.log().frame_start(driver.frame(0));
    if (driver.multi()) {
        (void)driver.dispatch(host::FrameCall::second_field);
    } else {
        driver.run_slot(0);
        driver.run_slot(1);
    }
    driver.log().frame_end(driver.frame(0));
}

void MovieRenderer::State::render_effect_frame(const FramePlan& plan, int buffer,
                                               RenderProgress& progress) {
    const TimelineItem& effect = *plan.effect;
    for (int slot = 0; slot < image_slot_count; ++slot) {
        image_release_all(frame.images[slot]);
        if (const ImageRecord* picture = pictures[buffer].slots[static_cast<std::size_t>(slot)]) {
            image_shallow_copy(frame.images[slot], *picture);
        }
    }
    image_shallow_copy(frame.output, outputs[buffer]);
    frame.image_count = plan.image_count;
    frame.position = static_cast<std::uint32_t>(plan.frame_in_effect);
    frame.total = static_cast<std::uint32_t>(plan.last_frame);
    progress.effect.store(&effect);
    progress.frame_in_effect.store(plan.frame_in_effect);
    progress.effect_last_frame.store(plan.last_frame);
    progress.effect_progress.store(0);

    // An effect prepares at its first frame, or at the first frame of a
    // range that starts inside it.
    const bool prepare = &effect != prepared_effect;
    if (prepare) {
        prepared_effect = &effect;
        (void)settings_copy(driver.settings(), effect.settings());
    }
    if (field_mode == field_mode_odd_first || field_mode == field_mode_even_first) {
        render_fields(prepare);
    } else if (driver.multi()) {
        render_halves(prepare);
    } else {
        render_whole(prepare);
    }
    for (ImageRecord& image : frame.images) {
        image_release_all(image);
    }
    progress.effect_progress.store(0);
    if (plan.effect_ends) {
        progress.effect.store(nullptr);
        progress.frame_in_effect.store(0);
        progress.effect_last_frame.store(0);
    }
}

void MovieRenderer::State::run(RenderProgress& progress) {
    platform::raise_thread_priority();
    try {
        FramePlanner planner(project->items());
        // Declared after what its jobs use, so it is gone (its job finished)
        // before they are.
        platform::BackgroundJob io;
        planner.skip_to(range.first);
        const double count = static_cast<double>(range.last) - range.first + 1;
        plans[0] = planner.plan(range.first);
        read_pictures(plans[0], 0);
        for (std::int32_t f = range.first; f <= range.last; ++f) {
            const int buffer = (f - range.first) % 2;
            const int other = 1 - buffer;
            // Beside the engine: the last frame goes out, the next one's
            // pictures come in.
            io.start([this, f, other, &planner]() -> Status {
                Status written = Status::success();
                if (f > range.first) {
                    written = movie->write(outputs[other]);
                }
                if (f < range.last) {
                    plans[other] = planner.plan(f + 1);
                    read_pictures(plans[other], other);
                }
                return written;
            });
            if (plans[buffer].effect != nullptr) {
                render_effect_frame(plans[buffer], buffer, progress);
            } else {
                copy_frame(buffer);
            }
            if (Status written = io.wait(); !written) {
                outcome = Error{"frame " + std::to_string(f - 1) + ": " + written.error()};
                break;
            }
            publish_notices();
            if (progress.stop.load()) {
                stopped = true;
                break;
            }
            progress.frame_counter.store(f + 1);
            progress.total_progress.store(static_cast<float>((f + 1 - range.first) / count));
        }
        if (outcome.ok() && !stopped) {
            const int last = (range.last - range.first) % 2;
            if (Status written = movie->write(outputs[last]); !written) {
                outcome = Error{"frame " + std::to_string(range.last) + ": " + written.error()};
            }
        }
    } catch (const std::bad_alloc&) {
        outcome = Error{"out of memory"};
    }
    if (Status closed = movie->close(); !closed && outcome.ok()) {
        outcome = closed;
    }
    progress.running.store(false);
    std::lock_guard lock(end_mutex);
    has_ended = true;
    ended.notify_all();
}

MovieRenderer::MovieRenderer() = default;

MovieRenderer::~MovieRenderer() {
    if (m_state) {
        stop();
        (void)finish();
    }
}

Status MovieRenderer::start(Project& project, const RenderRequest& request) {
    if (m_state) {
        return Error{"a render is still running"};
    }
    const bool preview = request.kind == RenderKind::preview;
    if (project.items().empty()) {
        platform::show_message_box("Cannot make preview", "Nothing in project.",
                                   platform::MessageKind::error);
        return Error{"Nothing in project."};
    }
    const OutputSettings& settings = project.output;
    if (settings.rate < 1 || settings.rate > max_output_rate) {
        return render_error("The frame rate is " + std::to_string(settings.rate) +
                                "; choose 1 to " + std::to_string(max_output_rate) +
                                " frames a second in the Settings.",
                            "");
    }
    const std::int32_t width = preview ? settings.preview_width : settings.final_width;
    const std::int32_t height = preview ? settings.preview_height : settings.final_height;
    const bool fields =
        settings.field_mode == field_mode_odd_first || settings.field_mode == field_mode_even_first;
    if (fields && height % 2 != 0) {
        return render_error(
            "Field rendering needs an even height, not " + std::to_string(height) + ".", "");
    }
    project.recompute();
    FrameRange range{0, project.project_length - 1};
    if (request.frames) {
        if (request.frames->first < 0 || request.frames->first > request.frames->last ||
            request.frames->last >= project.project_length) {
            return Error{"frames " + std::to_string(request.frames->first) + "-" +
                         std::to_string(request.frames->last) +
                         " lie outside the project's frames 0-" +
                         std::to_string(project.project_length - 1)};
        }
        range = *request.frames;
    }
    RenderProgress* expected = nullptr;
    if (!active_progress.compare_exchange_strong(expected, &m_progress)) {
        return Error{"another render is running in this program"};
    }

    const std::filesystem::path base = std::filesystem::path(project.file_name).parent_path();
    auto state = std::make_unique<State>(
        preview ? host::EngineRole::preview : host::EngineRole::final_render, base);
    auto give_up = [&](Status status) {
        active_progress.store(nullptr);
        return status;
    };
    host::RenderDriver& driver = state->driver;
    Status loaded;
    if (request.engine.empty()) {
        loaded = driver.attach();
    } else {
        loaded = request.engine.find('/') != std::string::npos
                     ? driver.use_engine_file(request.engine)
                     : driver.use_engine(request.engine);
        driver.read_multi();
    }
    if (request.threads != 0) {
        driver.set_multi(request.threads == 2);
    }
    if (!loaded.ok() && has_effects(project)) {
        const host::EngineBinding& engine = driver.engine();
        const std::string where =
            engine.tried_path().empty() ? std::string() : " " + engine.tried_path().string();
        return give_up(
            render_error("Unable to load the render engine" + where + ".", loaded.error()));
    }

    MovieRequest movie;
    if (preview && !request.output.empty()) {
        movie.file = request.output;
        movie.options = settings.preview_options;
    } else if (preview) {
        std::optional<std::filesystem::path> file =
            install::build_path(install::folder_work, "Preview", "avi");
        if (!file) {
            return give_up(render_error("Unable to create output file.",
                                        "(the installation folder is not known)"));
        }
        movie.file = *file;
        movie.options = settings.preview_options;
    } else {
        if (request.output.empty()) {
            return give_up(Error{"no file named for the final movie"});
        }
        movie.file = request.output;
        movie.options = settings.final_options;
    }
    movie.width = width;
    movie.height = height;
    movie.rate = settings.rate;
    Result<OutputMovie> created = OutputMovie::create(movie);
    if (!created) {
        return give_up(render_error("Unable to create output file.", created.error()));
    }
    state->movie.emplace(std::move(*created));
    state->movie_file = movie.file;
    for (ImageRecord& output : state->outputs) {
        image_set_shape(output,
                        {format_bgr, 3, 4, row_order_bottom_up, static_cast<std::uint32_t>(width),
                         static_cast<std::uint32_t>(height)});
        if (!image_allocate(output)) {
            return give_up(render_error("Unable to create output file.", "(out of memory)"));
        }
    }
    // Every item opened afresh, so every picture is the one on disk now.
    for (const auto& item : project.items()) {
        (void)open_item(*item, base);
    }
    project.recompute();

    state->project = &project;
    state->field_mode = settings.field_mode;
    state->range = range;
    FrameRecord& frame = state->frame;
    frame.width = static_cast<std::uint32_t>(width);
    frame.height = height;
    frame.quiet = preview ? 1 : 0;
    frame.progress = &report_progress;
    frame.abort = &should_abort;
    frame_set_aspect(frame);

    m_progress.stop.store(false);
    m_progress.project_length.store(project.project_length);
    m_progress.first_frame.store(range.first);
    m_progress.last_frame.store(range.last);
    m_progress.frame_counter.store(range.first);
    m_progress.total_progress.store(0);
    m_progress.effect_progress.store(0);
    m_progress.effect.store(nullptr);
    m_progress.frame_in_effect.store(0);
    m_progress.effect_last_frame.store(0);
    m_progress.running.store(true);
    State* running = state.get();
    RenderProgress* progress = &m_progress;
    try {
        running->thread = std::thread([running, progress] { running->run(*progress); });
    } catch (const std::system_error& failure) {
        m_progress.running.store(false);
        return give_up(render_error("Unable to start rendering.", failure.what()));
    }
    m_state = std::move(state);
    return Status::success();
}

void MovieRenderer::stop() {
    m_progress.stop.store(true);
}

bool MovieRenderer::wait_for_end(std::chrono::milliseconds timeout) {
    if (!m_state) {
        return true;
    }
    std::unique_lock lock(m_state->end_mutex);
    return m_state->ended.wait_for(lock, timeout, [&] { return m_state->has_ended; });
}

std::vector<std::string> MovieRenderer::take_notices() {
    if (!m_state) {
        return {};
    }
    std::lock_guard lock(m_state->notices_mutex);
    return std::exchange(m_state->notices, {});
}

Result<RenderOutcome> MovieRenderer::finish() {
    if (!m_state) {
        return Error{"no render was started"};
    }
    std::unique_ptr<State> state = std::move(m_state);
    if (state->thread.joinable()) {
        state->thread.join();
    }
    state->driver.unload_engine();
    state->sources.release();
    active_progress.store(nullptr);
    if (!state->outcome) {
        return Error{
            render_error("Unable to write the output file.", state->outcome.error()).error()};
    }
    RenderOutcome outcome;
    outcome.movie = state->movie_file;
    outcome.frames_written = state->movie->frames_written();
    outcome.stopped = state->stopped;
    return outcome;
}

}  // namespace kdr::editor
