// The five exports of both engine libraries as a host uses them: loading,
// contexts, the fallback effect, empty names, aborts and the output.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string>

#include "engine_harness.h"
#include "kaleidra/testing/xvfb_environment.h"

namespace kdr::test {
namespace {

[[maybe_unused]] auto* const x_server = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

std::string kind_name(const ::testing::TestParamInfo<EngineKind>& info) {
    return engine_name(info.param);
}

class EngineInterface : public ::testing::TestWithParam<EngineKind> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(engine.loaded()) << engine.error();
        ASSERT_TRUE(installation.add_fallback_effect());
    }
    Installation installation;
    Engine engine{GetParam()};
};

TEST_P(EngineInterface, RendersTheFallbackEffectOverVideoOne) {
    RenderJob job("Ballsplt", 64, 48);
    ASSERT_EQ(render_once(engine, job), 1);
    // A corner shows video A as it is; the centre shows the inset of video B.
    std::uint8_t r, g, b;
    job.output.get(60, 40, r, g, b);
    std::uint8_t er, eg, eb;
    job.video_a.get(60, 40, er, eg, eb);
    EXPECT_NEAR(r, er, 2);
    EXPECT_NEAR(g, eg, 2);
    EXPECT_NEAR(b, eb, 2);
    job.output.get(32, 24, r, g, b);
    job.video_b.get(32, 24, er, eg, eb);
    EXPECT_NEAR(r, er, 3);
    EXPECT_NEAR(g, eg, 3);
    EXPECT_NEAR(b, eb, 3);
}

TEST_P(EngineInterface, EmptyNameGetsTheFallbackFromPrepare) {
    RenderJob job("", 32, 24);
    RenderContext* context = engine.prepare(nullptr, &job.settings, &job.frame);
    ASSERT_NE(context, nullptr);
    EXPECT_STREQ(job.settings.name, "Ballsplt");
    EXPECT_EQ(engine.render(context, job.settings, job.frame), 1);
    engine.free(context);
}

TEST_P(EngineInterface, MissingEffectFallsBackAndNoFallbackClearsTheName) {
    RenderJob job("NoSuchEffect", 32, 24);
    RenderContext* context = engine.prepare(nullptr, &job.settings, &job.frame);
    ASSERT_NE(context, nullptr);
    EXPECT_STREQ(job.settings.name, "Ballsplt");
    engine.free(context);

    std::filesystem::remove(installation.path() / "EFFECTS" / "Ballsplt.KDR");
    std::strcpy(job.settings.name, "NoSuchEffect");
    context = engine.prepare(nullptr, &job.settings, &job.frame);
    ASSERT_NE(context, nullptr);
    EXPECT_STREQ(job.settings.name, "");
    // With no effect the render produces nothing and leaves the output.
    EXPECT_EQ(engine.render(context, job.settings, job.frame), 0);
    EXPECT_EQ(job.output.pixels[0], 7);
    engine.free(context);
}

TEST_P(EngineInterface, EmptyNameRenderReturnsZeroAndLeavesTheOutput) {
    RenderJob job("Ballsplt", 32, 24);
    RenderContext* context = engine.prepare(nullptr, &job.settings, &job.frame);
    ASSERT_NE(context, nullptr);
    job.settings.name[0] = '\0';
    const std::vector<std::uint8_t> before = job.output.pixels;
    EXPECT_EQ(engine.render(context, job.settings, job.frame), 0);
    EXPECT_EQ(job.output.pixels, before);
    engine.free(context);
}

int abort_always(int) {
    return 1;
}

TEST_P(EngineInterface, AbortReturnsZeroAndLeavesTheOutput) {
    RenderJob job("Ballsplt", 32, 24);
    job.frame.abort = abort_always;
    RenderContext* context = engine.prepare(nullptr, &job.settings, &job.frame);
    ASSERT_NE(context, nullptr);
    const std::vector<std::uint8_t> before = job.output.pixels;
    EXPECT_EQ(engine.render(context, job.settings, job.frame), 0);
    EXPECT_EQ(job.output.pixels, before);
    // With blur too: the sub-frames stop at the first abort.
    job.settings.globals[global_blur_count] = 4;
    job.settings.globals[global_blur_percent] = 50;
    EXPECT_EQ(engine.render(context, job.settings, job.frame), 0);
    EXPECT_EQ(job.output.pixels, before);
    engine.free(context);
}

std::vector<int> progress_reports;
int record_progress(int percent) {
    progress_reports.push_back(percent);
    return 0;
}

TEST_P(EngineInterface, ReportsProgressFromZeroToOneHundred) {
    RenderJob job("Ballsplt", 32, 24);
    job.frame.progress = record_progress;
    progress_reports.clear();
    ASSERT_EQ(render_once(engine, job), 1);
    // Two objects: step 90 / (1 x 3) = 30; 0, the frame scene, each object, 100.
    EXPECT_EQ(progress_reports, (std::vector<int>{0, 30, 60, 90, 100}));
}

TEST_P(EngineInterface, NullRecordsAreHandled) {
    RenderJob job("Ballsplt", 32, 24);
    EXPECT_EQ(engine.create(nullptr, &job.frame), nullptr);
    EXPECT_EQ(engine.prepare(nullptr, nullptr, &job.frame), nullptr);
    engine.free(nullptr);
    RenderContext* context = engine.prepare(nullptr, &job.settings, &job.frame);
    ASSERT_NE(context, nullptr);
    // A null record keeps the context as it was.
    EXPECT_EQ(engine.prepare(context, &job.settings, nullptr), context);
    EXPECT_EQ(engine.render_raw(context, nullptr, &job.frame), 0);
    engine.free(context);
    job.frame.height = 0;
    EXPECT_EQ(engine.prepare(nullptr, &job.settings, &job.frame), nullptr);
}

TEST_P(EngineInterface, PrepareReplacesTheContextItIsGiven) {
    RenderJob job("Ballsplt", 32, 24);
    RenderContext* created = engine.create(&job.settings, &job.frame);
    ASSERT_NE(created, nullptr);
    RenderContext* prepared = engine.prepare(created, &job.settings, &job.frame);
    ASSERT_NE(prepared, nullptr);
    EXPECT_EQ(engine.render(prepared, job.settings, job.frame), 1);
    // A new size needs a new prepare; the old context is freed by it.
    RenderJob larger("Ballsplt", 48, 36);
    RenderContext* again = engine.prepare(prepared, &larger.settings, &larger.frame);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(engine.render(again, larger.settings, larger.frame), 1);
    engine.free(again);
}

TEST_P(EngineInterface, StaticVideoIsAlwaysZero) {
    EXPECT_EQ(engine.static_video(), 0);
}

// The library exports exactly the five entry points.
TEST_P(EngineInterface, ExportsExactlyTheFiveEntryPoints) {
    const std::string command =
        "nm -D --defined-only '" + engine_file(GetParam()).string() + "' 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> exported;
    std::array<char, 512> line{};
    while (std::fgets(line.data(), line.size(), pipe.get()) != nullptr) {
        char address[64], type[8], name[400];
        if (std::sscanf(line.data(), "%63s %7s %399s", address, type, name) == 3 &&
            std::string(type) == "T") {
            exported.insert(name);
        }
    }
    const std::set<std::string> expected = {"Rnd_CreateContext", "Rnd_FreeContext", "Rnd_Prepare",
                                            "Rnd_Render", "Rnd_StaticVideo"};
    EXPECT_EQ(exported, expected);
}

INSTANTIATE_TEST_SUITE_P(Engines, EngineInterface,
                         ::testing::Values(EngineKind::generic, EngineKind::hardware), kind_name);

// Both libraries in one process, each with its own OpenGL library behind it,
// render alternately without binding each other's functions.
TEST(BothEngines, LoadIntoOneProcessAndRenderAlike) {
    Installation installation;
    ASSERT_TRUE(installation.add_fallback_effect());
    Engine generic(EngineKind::generic);
    Engine hardware(EngineKind::hardware);
    ASSERT_TRUE(generic.loaded()) << generic.error();
    ASSERT_TRUE(hardware.loaded()) << hardware.error();
    RenderJob first("Ballsplt", 64, 48);
    RenderJob second("Ballsplt", 64, 48);
    RenderContext* a = generic.prepare(nullptr, &first.settings, &first.frame);
    RenderContext* b = hardware.prepare(nullptr, &second.settings, &second.frame);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(generic.render(a, first.settings, first.frame), 1);
        EXPECT_EQ(hardware.render(b, second.settings, second.frame), 1);
    }
    EXPECT_TRUE(pictures_match(first.output_picture(), second.output_picture(),
                               "both_engines_one_process", Tolerance{3, 0.5}));
    generic.free(a);
    hardware.free(b);
}

}  // namespace
}  // namespace kdr::test
