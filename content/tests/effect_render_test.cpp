// Every shipped effect rendered by both engine libraries as a host drives
// them: at completions 0, 0.25, 0.5, 0.75 and 1, with the default (all
// zero) options and with lighting, shadows and antialiasing; transitions
// cut seamlessly into and out of their videos; filter effects follow the
// filter placement.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "content_test_kit.h"
#include "kaleidra/images/png_file.h"
#include "kaleidra/renderkit/effect_renderer.h"
#include "kaleidra/testing/xvfb_environment.h"

namespace kdr::test {
namespace {

[[maybe_unused]] auto* const x_server = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

using renderkit::EffectRenderer;
using renderkit::RenderOptions;

constexpr int width = 160;
constexpr int height = 120;

class EffectRendering : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        auto scope = renderkit::InstallationScope::open(content_stage());
        ASSERT_TRUE(scope) << scope.error();
        m_scope = std::move(*scope);
        auto renderer = EffectRenderer::open(engine_library(GetParam()));
        ASSERT_TRUE(renderer) << renderer.error();
        m_renderer = std::move(*renderer);
    }

    std::vector<raster::Canvas> videos(std::size_t count) const {
        std::vector<raster::Canvas> list;
        for (std::size_t i = 1; i <= std::max<std::size_t>(count, 2); ++i) {
            list.push_back(test_video(static_cast<int>(i), width, height));
        }
        return list;
    }

    // The frames, or none after reporting the failure.
    std::vector<raster::Canvas> render(const std::string& effect,
                                       const std::vector<raster::Canvas>& sources,
                                       const RenderOptions& options,
                                       const std::vector<std::uint32_t>& positions,
                                       std::uint32_t total) {
        auto frames = m_renderer->render(effect, sources, options, positions, total);
        if (!frames) {
            ADD_FAILURE() << GetParam() << ": " << frames.error();
            return {};
        }
        return std::move(*frames);
    }

    // On a mismatch both pictures go to $KALEIDRA_TEST_OUTPUT_DIR, else to
    // "content-failures" in the working folder (the build folder under CTest).
    void expect_same(const raster::Canvas& expected, const raster::Canvas& actual,
                     const std::string& name) {
        double value = raster::psnr(expected, actual);
        EXPECT_GE(value, 35.0) << name << " with " << GetParam();
        if (value < 35.0) {
            const char* configured = std::getenv("KALEIDRA_TEST_OUTPUT_DIR");
            std::filesystem::path folder = configured != nullptr ? configured : "content-failures";
            std::error_code ignored;
            std::filesystem::create_directories(folder, ignored);
            (void)raster::write_png(expected, folder / (name + "-expected.png"));
            (void)raster::write_png(actual, folder / (name + "-" + GetParam() + ".png"));
        }
    }

    static RenderOptions plain() {
        RenderOptions options;
        options.width = width;
        options.height = height;
        options.image_quality = false;  // every option at zero, as a new user has them
        return options;
    }

    std::unique_ptr<renderkit::InstallationScope> m_scope;
    std::unique_ptr<EffectRenderer> m_renderer;
};

std::string engine_name(const ::testing::TestParamInfo<std::string>& info) {
    return info.param;
}

TEST_P(EffectRendering, EveryEffectRendersAtFiveCompletionsWithAndWithoutOptions) {
    RenderOptions full = plain();
    full.lighting = true;
    full.shadows = 60;
    full.antialias = true;
    full.image_quality = true;
    full.light_direction = 45;
    for (const CatalogueEffect& effect : catalogue_effects()) {
        SCOPED_TRACE(effect.name);
        Scene scene;
        ASSERT_TRUE(load_effect(effect.name, scene));
        std::vector<raster::Canvas> sources = videos(scene.video_names.size());
        for (const RenderOptions& options : {plain(), full}) {
            std::vector<raster::Canvas> frames =
                render(effect.name, sources, options, {0, 1, 2, 3, 4}, 4);
            ASSERT_EQ(frames.size(), 5u);
            // Something moves: the middle differs from both ends.
            EXPECT_LT(raster::psnr(frames[0], frames[2]), 32.0);
            EXPECT_LT(raster::psnr(frames[4], frames[2]), 32.0);
        }
        RenderOptions on = full;
        on.fly_on = true;
        EXPECT_EQ(render(effect.name, sources, on, {0, 2, 4}, 4).size(), 3u);
    }
}

TEST_P(EffectRendering, TransitionsCutInOnTheOutgoingAndOutOnTheIncomingPicture) {
    const raster::Canvas a = test_video(1, width, height);
    const raster::Canvas b = test_video(2, width, height);
    int checked = 0;
    for (const CatalogueEffect& effect : catalogue_effects()) {
        Scene scene;
        ASSERT_TRUE(load_effect(effect.name, scene)) << effect.name;
        if (scene.type != 1) {
            continue;
        }
        ++checked;
        for (bool fly_on : {false, true}) {
            for (bool filtered : {false, true}) {
                RenderOptions options = plain();
                options.fly_on = fly_on;
                options.image_quality = filtered;
                std::vector<raster::Canvas> frames =
                    render(effect.name, {a, b}, options, {0, 20}, 20);
                ASSERT_EQ(frames.size(), 2u) << effect.name;
                std::string name =
                    effect.name + (fly_on ? "-on" : "-off") + (filtered ? "-filtered" : "");
                expect_same(a, frames[0], name + "-first");
                expect_same(b, frames[1], name + "-last");
            }
        }
    }
    EXPECT_GE(checked, 18);
}

TEST_P(EffectRendering, WindowEffectsOpenOnTheFirstVideo) {
    for (const CatalogueEffect& effect : catalogue_effects()) {
        Scene scene;
        ASSERT_TRUE(load_effect(effect.name, scene)) << effect.name;
        if (scene.type != 0 || scene.video_names.size() < 3) {
            continue;
        }
        std::vector<raster::Canvas> sources = videos(scene.video_names.size());
        std::vector<raster::Canvas> frames = render(effect.name, sources, plain(), {0}, 20);
        ASSERT_EQ(frames.size(), 1u) << effect.name;
        expect_same(sources[0], frames[0], effect.name + "-first");
    }
}

TEST_P(EffectRendering, FilterEffectsMoveThePictureWithTheFilterPlacement) {
    int checked = 0;
    for (const CatalogueEffect& effect : catalogue_effects()) {
        Scene scene;
        ASSERT_TRUE(load_effect(effect.name, scene)) << effect.name;
        if (scene.video_names.size() != 1 || scene.find_object(filter_marker_id) == nullptr) {
            continue;
        }
        ++checked;
        SCOPED_TRACE(effect.name);
        std::vector<raster::Canvas> source = {test_video(1, width, height)};
        // The filter mode as the filter dialog sets it up: frame count 100,
        // placement on, source 0; then the picture brought nearer.
        RenderOptions filter = plain();
        filter.globals = {{global_filter_frames, 100},
                          {global_filter_percent, 25},
                          {global_filter_placement, 1},
                          {global_filter_source, 0}};
        RenderOptions nearer = filter;
        nearer.globals.push_back({global_filter_distance, 45});  // z = 3 - 4.5
        RenderOptions unplaced = nearer;
        unplaced.globals.push_back({global_filter_placement, 0});
        auto placed = render(effect.name, source, filter, {25}, 100);
        auto near = render(effect.name, source, nearer, {25}, 100);
        auto ignored = render(effect.name, source, unplaced, {25}, 100);
        ASSERT_EQ(placed.size(), 1u);
        ASSERT_EQ(near.size(), 1u);
        ASSERT_EQ(ignored.size(), 1u);
        EXPECT_LT(raster::psnr(placed[0], near[0]), 25.0) << "the distance did not move it";
        EXPECT_TRUE(std::isinf(raster::psnr(placed[0], ignored[0])))
            << "without placement the distance must change nothing";
        // The picture shows: another picture gives another frame.
        auto other = render(effect.name, {test_video(5, width, height)}, filter, {25}, 100);
        ASSERT_EQ(other.size(), 1u);
        EXPECT_LT(raster::psnr(placed[0], other[0]), 30.0);
    }
    EXPECT_GE(checked, 2);
}

INSTANTIATE_TEST_SUITE_P(Engines, EffectRendering, ::testing::Values("Rnd_Generic", "Rnd_Hardware"),
                         engine_name);

}  // namespace
}  // namespace kdr::test
