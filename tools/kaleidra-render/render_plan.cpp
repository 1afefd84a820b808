#include "render_plan.h"

#include "frame_sink.h"
#include "kaleidra/video/audio_reader.h"

namespace kdr::render_tool {
namespace {

SourceTiming timing_of(const FrameSource& source, std::uint32_t start) {
    return SourceTiming{source.length(), source.rate(), start};
}

// One side of the sound: the source's audio from its in-point on, or
// silence.
Result<AudioSide> sound_of(const FrameSource& source, std::uint32_t start) {
    AudioSide side;
    const MovieFacts* movie = source.movie();
    if (movie == nullptr || !movie->has_audio) {
        return side;
    }
    Result<video::AudioReader> reader = video::AudioReader::open(movie->file);
    if (!reader) {
        return Error{reader.error()};
    }
    side.reader = std::move(*reader);
    side.from_seconds = movie->start_seconds + start / source.rate().value();
    return side;
}

bool has_sound(const FrameSource& source) {
    return source.movie() != nullptr && source.movie()->has_audio;
}

}  // namespace

video::FrameRate output_rate(const RenderOptions& options, const FrameSource& a) {
    if (options.rate.valid()) {
        return options.rate;
    }
    return a.rate().valid() ? a.rate() : video::FrameRate{30, 1};
}

Result<EditPlan> plan_frames(const RenderOptions& options,
                             const std::vector<const FrameSource*>& sources,
                             video::FrameRate rate) {
    PlanRequest request;
    request.a = timing_of(*sources[0], options.a_start);
    request.b = timing_of(*sources[1], options.b_start);
    for (std::size_t i = 2; i < sources.size(); ++i) {
        request.extras.push_back(timing_of(*sources[i], 0));
    }
    request.transition_frames = options.frames;
    request.join = options.join;
    request.at_seconds = options.at_seconds;
    request.output_rate = rate;
    return EditPlan::make(request);
}

Result<std::unique_ptr<JoinAudio>> plan_sound(const RenderOptions& options, const FrameSource& a,
                                              const FrameSource& b, const EditPlan& plan) {
    const bool asked = options.audio == AudioChoice::on;
    if (options.audio == AudioChoice::off || (!asked && !options.join)) {
        return std::unique_ptr<JoinAudio>();
    }
    if (!is_movie_output(options.output)) {
        if (asked) {
            return Error{"--audio needs a movie output; pictures carry no sound"};
        }
        return std::unique_ptr<JoinAudio>();
    }
    if (!has_sound(a) && !has_sound(b)) {
        if (asked) {
            return Error{"--audio: neither source A nor source B has sound"};
        }
        return std::unique_ptr<JoinAudio>();
    }
    Result<AudioSide> a_side = sound_of(a, options.a_start);
    if (!a_side) {
        return Error{a_side.error()};
    }
    Result<AudioSide> b_side = sound_of(b, options.b_start);
    if (!b_side) {
        return Error{b_side.error()};
    }
    // A plain render fades over all of its frames.
    const std::uint32_t fade_frames = options.join ? plan.transition_frames() : plan.frame_count();
    return std::make_unique<JoinAudio>(std::move(*a_side), std::move(*b_side), plan.output_rate(),
                                       plan.transition_start(), fade_frames);
}

}  // namespace kdr::render_tool
