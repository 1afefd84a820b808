#include "render_job.h"

#include <cstring>
#include <memory>
#include <vector>

#include "background_job.h"
#include "frame_sink.h"
#include "frame_source.h"
#include "kaleidra/host/host_frame.h"
#include "kaleidra/host/render_driver.h"
#include "kaleidra/host/starting_settings.h"
#include "kaleidra/install/install_paths.h"
#include "kaleidra/records/frame_record.h"
#include "kaleidra/records/image_convert.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/records/owned_image.h"
#include "output_guard.h"
#include "render_plan.h"
#include "render_settings.h"
#include "sized_frame.h"

namespace kdr::render_tool {
namespace {

struct Input {
    std::unique_ptr<FrameSource> source;
    std::unique_ptr<SizedFrame> sized;
};

Result<Input> open_input(const std::string& name, const char* role) {
    Result<std::unique_ptr<FrameSource>> source = open_frame_source(name);
    if (!source) {
        return Error{std::string(role) + ": " + source.error()};
    }
    return Input{std::move(*source), nullptr};
}

// The output picture: 24-bit blue, green, red, bottom row first, rows padded
// to four bytes, as movies store their frames.
bool allocate_output(OwnedImage& output, std::uint32_t width, std::uint32_t height) {
    image_set_shape(output.record(), {format_bgr, 3, 4, row_order_bottom_up, width, height});
    return image_allocate(output.record());
}

// The pictures of one output frame, copied out of the sources: the engine
// draws from one set while the next frame's set is read beside it. A copy is
// made only when a source gives a different picture than the set holds.
class FramePictures {
  public:
    explicit FramePictures(std::size_t count) : m_held(count) {
        for (Held& held : m_held) {
            image_construct(held.picture);
        }
    }
    ~FramePictures() {
        for (Held& held : m_held) {
            image_release_all(held.picture);
        }
    }
    FramePictures(const FramePictures&) = delete;
    FramePictures& operator=(const FramePictures&) = delete;

    // Reads `frames[i]` of source i.
    Status read(std::vector<Input>& inputs, const std::vector<std::uint32_t>& frames) {
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            Result<const ImageRecord*> picture = inputs[i].sized->get(*inputs[i].source, frames[i]);
            if (!picture) {
                return Error{picture.error()};
            }
            const std::uint64_t generation = inputs[i].source->generation();
            Held& held = m_held[i];
            if (held.picture.buffer != nullptr && held.generation == generation) {
                continue;
            }
            if (Status status = hold(held.picture, **picture, inputs[i].source->name()); !status) {
                return status;
            }
            held.generation = generation;
        }
        return Status::success();
    }
    const ImageRecord& picture(std::size_t i) const { return m_held[i].picture; }
    std::size_t count() const { return m_held.size(); }

  private:
    struct Held {
        ImageRecord picture;
        std::uint64_t generation = 0;
    };

    static Status hold(ImageRecord& held, const ImageRecord& picture, const std::string& name) {
        if (held.buffer == nullptr || held.width != picture.width ||
            held.height != picture.height || held.format != picture.format ||
            held.bytes_per_pixel != picture.bytes_per_pixel ||
            held.row_order != picture.row_order) {
            image_release_all(held);
            image_set_shape(held, {picture.format, picture.bytes_per_pixel, 4, picture.row_order,
                                   picture.width, picture.height});
            if (!image_allocate(held)) {
                return Error{"out of memory for a " + std::to_string(picture.width) + "x" +
                             std::to_string(picture.height) + " picture"};
            }
        }
        // The copy holds the alpha as the picture's bias makes it read, and
        // so has no bias of its own.
        std::memset(held.bias, 0, sizeof held.bias);
        if (!image_convert(picture, held, convert_all_rows)) {
            return Error{"\"" + name + "\" has a picture layout that cannot be copied"};
        }
        return Status::success();
    }

    std::vector<Held> m_held;
};

// Renders output frame `index` at `position` of `total` from `pictures`
// into `output`; with a field, that field's rows of them.
Result<host::DrawnPicture> render_frame(host::RenderDriver& driver, host::FrameCall call,
                                        const FramePictures& pictures, const OwnedImage& output,
                                        std::uint32_t position, std::uint32_t total,
                                        const host::HostField* field) {
    std::vector<host::HostPicture> sources;
    for (std::size_t i = 0; i < pictures.count(); ++i) {
        sources.push_back(host::host_picture_of(pictures.picture(i)));
    }
    host::HostFrame frame;
    frame.call = call;
    frame.sources = sources;
    frame.output = host::host_picture_of(output.record());
    frame.position = position;
    frame.total = total;
    // Mapped videos contribute the same field as the sources.
    frame.field = field;
    // A render asked for on the command line is never a preview.
    frame.quiet = host::QuietRule::never;
    return host::render_host_frame(driver, frame);
}

Status load_engine(host::RenderDriver& driver, const RenderOptions& options) {
    Status loaded;
    if (options.engine.empty()) {
        loaded = driver.attach();
    } else if (options.engine.find('/') != std::string::npos) {
        loaded = driver.use_engine_file(options.engine);
        driver.read_multi();
    } else {
        loaded = driver.use_engine(options.engine);
        driver.read_multi();
    }
    const host::EngineBinding& engine = driver.engine();
    if (!loaded) {
        return Error{"no engine: " + loaded.error()};
    }
    if (!engine.has_prepare() || !engine.has_render()) {
        return Error{"the engine " + engine.tried_path().string() +
                     " lacks Rnd_Prepare or Rnd_Render"};
    }
    if (options.threads != 0) {
        driver.set_multi(options.threads == 2);
    }
    return Status::success();
}

// Source A or B shown as it is, outside the transition of a joined movie.
Status show_source(const FramePictures& pictures, std::size_t source, const ImageRecord& output) {
    if (!image_convert(pictures.picture(source), output, convert_all_rows)) {
        return Error{"a source picture cannot be copied into the output"};
    }
    return Status::success();
}

}  // namespace

Result<RenderSummary> run_render(const RenderOptions& options, const ProgressFunction& progress,
                                 const std::atomic<bool>* stop) {
    if (Status status = check_output_is_not_a_source(options); !status) {
        return Error{status.error()};
    }
    if (!install::install_folder()) {
        return Error{
            "the installation folder is not set: registry value \"Path\" (kdr-reg set "
            "'Software\\Talvane\\Kaleidra\\3.0' Path FOLDER)"};
    }

    std::vector<Input> inputs;
    std::vector<std::pair<const std::string*, std::string>> names = {
        {&options.source_a, "source A"}, {&options.source_b, "source B"}};
    for (std::size_t i = 0; i < options.extras.size(); ++i) {
        names.push_back({&options.extras[i], "extra source " + std::to_string(i + 1)});
    }
    for (const auto& [name, role] : names) {
        Result<Input> input = open_input(*name, role.c_str());
        if (!input) {
            return Error{input.error()};
        }
        inputs.push_back(std::move(*input));
    }

    const std::uint32_t width = options.width != 0 ? options.width : inputs[0].source->width();
    const std::uint32_t height = options.height != 0 ? options.height : inputs[0].source->height();
    const bool fields = options.fields != FieldOrder::none;
    if (fields && (height % 2 != 0 || height < 2)) {
        return Error{"--fields needs an even output height, not " + std::to_string(height)};
    }
    for (Input& input : inputs) {
        input.sized = std::make_unique<SizedFrame>(width, height);
        if (Status status = input.source->fit_to(width, height); !status) {
            return Error{status.error()};
        }
    }
    std::vector<const FrameSource*> sources;
    for (const Input& input : inputs) {
        sources.push_back(input.source.get());
    }
    const video::FrameRate rate = output_rate(options, *sources[0]);
    Result<EditPlan> planned = plan_frames(options, sources, rate);
    if (!planned) {
        return Error{planned.error()};
    }
    const EditPlan& plan = *planned;
    const std::uint32_t frame_count = plan.frame_count();
    Result<std::unique_ptr<JoinAudio>> audio = plan_sound(options, *sources[0], *sources[1], plan);
    if (!audio) {
        return Error{audio.error()};
    }

    host::RenderDriver driver;
    if (Status status = build_settings(driver.settings(), options); !status) {
        return Error{status.error()};
    }
    if (Status status = host::check_effect(driver.settings().name); !status) {
        return Error{status.error()};
    }
    if (Status status = load_engine(driver, options); !status) {
        return Error{status.error()};
    }

    // Two of each: while the engine draws frame n from one set into one
    // output picture, frame n + 1's pictures are read and frame n - 1 is
    // written.
    OwnedImage outputs[2];
    for (OwnedImage& output : outputs) {
        if (!allocate_output(output, width, height)) {
            return Error{"out of memory for a " + std::to_string(width) + "x" +
                         std::to_string(height) + " output picture"};
        }
    }
    FramePictures frame_pictures[2] = {FramePictures(inputs.size()), FramePictures(inputs.size())};
    SinkSettings sink_settings;
    sink_settings.width = width;
    sink_settings.height = height;
    sink_settings.frames = frame_count;
    sink_settings.rate = rate;
    sink_settings.codec = options.codec;
    sink_settings.quality = options.quality;
    sink_settings.pixel_format = options.pixel_format;
    sink_settings.colour = options.colour;
    const bool sounds = *audio != nullptr;
    Result<std::unique_ptr<FrameSink>> sink =
        open_frame_sink(options.output, sink_settings, std::move(*audio));
    if (!sink) {
        return Error{sink.error()};
    }

    FrameSink& out = **sink;
    if (frame_count > 0) {
        if (Status status = frame_pictures[0].read(inputs, plan.at(0).source_frames); !status) {
            return Error{status.error()};
        }
    }
    // Declared after what its jobs use, so it is gone (its job finished)
    // before they are.
    BackgroundJob reading_and_writing;
    std::uint32_t rendered = 0;
    for (std::uint32_t index = 0; index < frame_count; ++index) {
        const FramePictures& pictures = frame_pictures[index % 2];
        FramePictures& next_pictures = frame_pictures[(index + 1) % 2];
        const OwnedImage& output = outputs[index % 2];
        const OwnedImage& last_output = outputs[(index + 1) % 2];
        const PlannedFrame planned_frame = plan.at(index);
        reading_and_writing.start([&, index, frame_count]() -> Status {
            if (index > 0) {
                if (Status status = out.write(last_output.record()); !status) {
                    return status;
                }
            }
            return index + 1 < frame_count
                       ? next_pictures.read(inputs, plan.at(index + 1).source_frames)
                       : Status::success();
        });
        // Frame positions count within the transition, not the whole movie.
        const std::uint32_t position = planned_frame.position;
        const std::uint32_t total = planned_frame.total;
        const std::string failed =
            "the engine rendered no picture for frame " + std::to_string(index);
        if (planned_frame.part != FramePart::transition) {
            const std::size_t source = planned_frame.part == FramePart::source_a ? 0 : 1;
            if (Status status = show_source(pictures, source, output.record()); !status) {
                return Error{status.error()};
            }
        } else if (!fields) {
            Result<host::DrawnPicture> drawn = render_frame(
                driver, host::FrameCall::whole_frame, pictures, output, position, total, nullptr);
            if (!drawn) {
                return Error{drawn.error()};
            }
            if (*drawn != host::DrawnPicture::whole) {
                return Error{failed};
            }
        } else {
            // The second field is half a frame later than the first.
            const int first_parity = options.fields == FieldOrder::even_first ? 0 : 1;
            const host::FrameCall calls[2] = {host::FrameCall::first_field,
                                              host::FrameCall::second_field};
            for (int number = 0; number < 2; ++number) {
                const host::HostField field{number == 0 ? first_parity : 1 - first_parity, true};
                const std::uint32_t field_position =
                    position * 2 + static_cast<std::uint32_t>(number);
                Result<host::DrawnPicture> drawn = render_frame(
                    driver, calls[number], pictures, output, field_position, total * 2, &field);
                if (!drawn) {
                    return Error{drawn.error()};
                }
                if (*drawn == host::DrawnPicture::missing) {
                    return Error{failed};
                }
            }
        }
        if (Status status = reading_and_writing.wait(); !status) {
            return Error{status.error()};
        }
        rendered = index + 1;
        if (progress && index > 0) {
            progress(index, frame_count);
        }
        if (stop != nullptr && stop->load()) {
            break;
        }
    }
    RenderSummary summary;
    summary.interrupted = rendered < frame_count;
    // The last frame drawn; when stopped, the pictures written so far stay
    // and a movie is discarded unfinished with its temporary file.
    if (rendered > 0) {
        if (Status status = out.write(outputs[(rendered - 1) % 2].record()); !status) {
            return Error{status.error()};
        }
    }
    if (!summary.interrupted) {
        if (progress && frame_count > 0) {
            progress(frame_count, frame_count);
        }
        if (Status status = (*sink)->finish(); !status) {
            return Error{status.error()};
        }
    }

    summary.where = (*sink)->where();
    summary.engine = driver.engine().tried_path().string();
    summary.frames = rendered;
    summary.audio = sounds;
    summary.width = width;
    summary.height = height;
    summary.two_threads = driver.multi();
    for (const Input& input : inputs) {
        summary.conversions += input.sized->conversions();
    }
    return summary;
}

}  // namespace kdr::render_tool
