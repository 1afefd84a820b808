// KdrMulti30 and Fl-KdrM30 loaded and called as Speed Razor and Premiere
// do: the pictures they leave in the work folder, numbered by track and
// field, the frame marker that restarts the numbering, their black output,
// and KdrMulti30's about box and information record; then a Speed Razor
// transition that finds the pictures.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "kaleidra/chunks/chunk_stream.h"
#include "kaleidra/hostkit/frame_marker.h"
#include "kaleidra/hostkit/plugin_messages.h"
#include "kaleidra/hostkit/testing/plugin_module.h"
#include "kaleidra/hostkit/testing/simulated_premiere.h"
#include "kaleidra/hostkit/testing/simulated_speedrazor.h"
#include "kaleidra/images/image_file.h"
#include "kaleidra/plugin_resources/elf_section.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/records/owned_image.h"
#include "kaleidra/testing/installation_test.h"

namespace kdr::multisaver {
namespace {

using hostkit::test::HostPixels;
using hostkit::test::PluginModule;
using hostkit::test::SimPixelMap;
using hostkit::test::SimSpeedRazor;
using hostkit::test::SimVideo;

class MultisaverTest : public kdr::test::InstallationTest {
  protected:
    void SetUp() override {
        ::setenv(hostkit::message_log_variable, (root() / "messages.log").c_str(), 1);
        speedrazor = std::make_unique<PluginModule>(KDR_KDRMULTI30);
        ASSERT_TRUE(speedrazor->loaded()) << speedrazor->error();
        speedrazor_entry = speedrazor->entry<hostkit::SpeedRazorEntry>("ENTRYPOINT");
        premiere = std::make_unique<PluginModule>(KDR_FL_KDRM30);
        ASSERT_TRUE(premiere->loaded()) << premiere->error();
        premiere_entry = premiere->entry<hostkit::PremiereFilterEntry>("xFilter");
        ASSERT_NE(speedrazor_entry, nullptr);
        ASSERT_NE(premiere_entry, nullptr);
    }
    void TearDown() override { ::unsetenv(hostkit::message_log_variable); }

    // One Speed Razor track at `frame`: its picture is filled with `fill`.
    void speedrazor_track(std::int32_t frame, std::uint8_t fill, std::int32_t width = 16,
                          std::int32_t height = 8) {
        SimSpeedRazor track(width, height, root());
        std::fill(track.a().data(), track.a().data() + track.a().bytes().size(), fill);
        track.record().part = frame;
        EXPECT_EQ(speedrazor_entry(nullptr, hostkit::speedrazor_render, &track.record()), 0);
        EXPECT_EQ(track.destination().bytes(),
                  std::vector<std::uint8_t>(track.destination().bytes().size(), 0))
            << "the filter's output is black";
    }

    // One Premiere track at `part`, fields or not.
    void premiere_track(std::int32_t part, std::uint8_t fill, bool fields) {
        SimPixelMap source(HostPixels(16, 8, 20, fill));
        SimPixelMap destination(HostPixels(16, 8, 18, 0xEE));
        SimVideo video;
        video.record().source = source.handle();
        video.record().destination = destination.handle();
        video.record().part = part;
        video.record().field_byte = fields ? 0x01 : 0x00;
        EXPECT_EQ(premiere_entry(0, video.handle()), 0);
        for (std::int32_t y = 0; y < 8; ++y) {
            const std::uint8_t* row = destination.pixels().pixel(0, y);
            EXPECT_EQ(std::count(row, row + 64, 0), 64) << "black, row " << y;
            EXPECT_EQ(std::count(row + 64, row + 72, 0xEE), 8) << "the row's padding stays";
        }
    }

    // The first byte of a saved picture, or -1 when there is none.
    int saved(const char* name) {
        OwnedImage image;
        if (!read_image_file(image.record(), work() / name)) {
            return -1;
        }
        return image.record().buffer[0];
    }

    std::unique_ptr<PluginModule> speedrazor;
    std::unique_ptr<PluginModule> premiere;
    hostkit::SpeedRazorEntry speedrazor_entry = nullptr;
    hostkit::PremiereFilterEntry premiere_entry = nullptr;
};

TEST_F(MultisaverTest, TracksOfOneFrameAreNumberedInTrackOrderFromThree) {
    speedrazor_track(10, 0x31);
    speedrazor_track(10, 0x32);
    speedrazor_track(10, 0x33);
    EXPECT_EQ(saved("V03.IMG"), 0x31);
    EXPECT_EQ(saved("V04.IMG"), 0x32);
    EXPECT_EQ(saved("V05.IMG"), 0x33);
    EXPECT_EQ(saved("V06.IMG"), -1);
    EXPECT_EQ(hostkit::read_frame_marker(work() / "Premiere.MSV"),
              (hostkit::FrameMarker{10, 16, 8}));

    // The next frame's first filter deletes them and starts again.
    speedrazor_track(11, 0x41);
    EXPECT_EQ(saved("V03.IMG"), 0x41);
    EXPECT_EQ(saved("V04.IMG"), -1);
    EXPECT_EQ(saved("V05.IMG"), -1);
    EXPECT_EQ(hostkit::read_frame_marker(work() / "Premiere.MSV").frame, 11);

    // So does another size at the same frame.
    speedrazor_track(11, 0x42);
    speedrazor_track(11, 0x43, 32, 8);
    EXPECT_EQ(saved("V03.IMG"), 0x43);
    EXPECT_EQ(saved("V04.IMG"), -1);
}

TEST_F(MultisaverTest, WithEveryNumberTakenNothingIsSavedAndTheOutputIsStillBlack) {
    for (int track = 0; track < 18; ++track) {
        speedrazor_track(12, static_cast<std::uint8_t>(track));
    }
    EXPECT_EQ(saved("V20.IMG"), 17);
    const auto files = std::distance(std::filesystem::directory_iterator(work()), {});
    speedrazor_track(12, 0x99);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(work()), {}), files);
    EXPECT_EQ(saved("V21.IMG"), -1);
}

TEST_F(MultisaverTest, ThePictureIsAnImageFileWithItsChunksInOrder) {
    speedrazor_track(1, 0x55);
    std::ifstream in(work() / "V03.IMG", std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "KDRI");
    std::vector<std::string> order;
    std::size_t at = 4;
    std::uint32_t values[4] = {};
    while (at + 8 <= bytes.size()) {
        const std::string id(bytes.begin() + static_cast<long>(at),
                             bytes.begin() + static_cast<long>(at) + 4);
        std::uint32_t length = 0;
        std::memcpy(&length, bytes.data() + at + 4, 4);
        order.push_back(id);
        if (id == "IFMT" || id == "IORD" || id == "IBPP" || id == "IALN") {
            values[order.size() - 1] = bytes[at + 8];
        }
        at += 8 + length;
    }
    EXPECT_EQ(at, bytes.size());
    EXPECT_EQ(order, (std::vector<std::string>{"IFMT", "IORD", "IBPP", "IALN", "IWID", "IHIT",
                                               "IPXR", "ITRW", "ISKR", "ISKP", "IBIS", "IDAT"}));
    EXPECT_EQ(values[0], 0x12u);
    EXPECT_EQ(values[1], 1u);
    EXPECT_EQ(values[2], 4u);
    EXPECT_EQ(values[3], 1u);
    OwnedImage image;
    ASSERT_TRUE(read_image_file(image.record(), work() / "V03.IMG"));
    EXPECT_EQ(image.record().width, 16u);
    EXPECT_EQ(image.record().height, 8u);
    EXPECT_EQ(image.record().row_length, 16u);
    EXPECT_EQ(image.record().size, 16u * 8 * 4);
}

TEST_F(MultisaverTest, PremiereFieldsShareTheEvenPartsFrameWithTheirOwnDigit) {
    premiere_track(20, 0x20, true);
    premiere_track(20, 0x21, true);
    premiere_track(21, 0x30, true);
    premiere_track(21, 0x31, true);
    EXPECT_EQ(saved("V030.IMG"), 0x20);
    EXPECT_EQ(saved("V040.IMG"), 0x21);
    EXPECT_EQ(saved("V031.IMG"), 0x30);
    EXPECT_EQ(saved("V041.IMG"), 0x31);
    EXPECT_EQ(hostkit::read_frame_marker(work() / "Premiere.MSV").frame, 20);
    // The row length is the pixel map's.
    OwnedImage image;
    ASSERT_TRUE(read_image_file(image.record(), work() / "V030.IMG"));
    EXPECT_EQ(image.record().row_length, 20u);

    // Whole frames: the part is the frame, the digit 0; a new frame deletes
    // the pictures of both digits.
    premiere_track(21, 0x40, false);
    EXPECT_EQ(saved("V030.IMG"), 0x40);
    EXPECT_EQ(saved("V040.IMG"), -1);
    EXPECT_EQ(saved("V031.IMG"), -1);
    EXPECT_EQ(hostkit::read_frame_marker(work() / "Premiere.MSV").frame, 21);
}

TEST_F(MultisaverTest, PremieresOtherSelectorsAndDamagedRecordsDoNothing) {
    SimPixelMap source(HostPixels(16, 8, 16, 0x20));
    SimPixelMap destination(HostPixels(16, 8, 16, 0xEE));
    SimVideo video;
    video.record().source = source.handle();
    video.record().destination = destination.handle();
    EXPECT_EQ(premiere_entry(1, video.handle()), 0);
    EXPECT_EQ(premiere_entry(0, nullptr), 0);
    EXPECT_FALSE(std::filesystem::exists(work() / "V030.IMG"));
    EXPECT_EQ(destination.pixels().bytes(), std::vector<std::uint8_t>(16 * 8 * 4, 0xEE));

    // No source: nothing saved, the output still black.
    video.record().source = nullptr;
    EXPECT_EQ(premiere_entry(0, video.handle()), 0);
    EXPECT_FALSE(std::filesystem::exists(work() / "V030.IMG"));
    EXPECT_EQ(destination.pixels().bytes(), std::vector<std::uint8_t>(16 * 8 * 4, 0));
    // A destination smaller than the source is cleared as far as it goes.
    video.record().source = source.handle();
    SimPixelMap small(HostPixels(4, 2, 4, 0xEE));
    video.record().destination = small.handle();
    EXPECT_EQ(premiere_entry(0, video.handle()), 0);
    EXPECT_EQ(small.pixels().bytes(), std::vector<std::uint8_t>(4 * 2 * 4, 0));
    EXPECT_EQ(saved("V030.IMG"), 0x20);
}

TEST_F(MultisaverTest, SpeedRazorsAboutBoxAndInformation) {
    SimSpeedRazor track(16, 8, root());
    EXPECT_EQ(speedrazor_entry(nullptr, hostkit::speedrazor_about, &track.record()), 0);
    EXPECT_EQ(read_text(root() / "messages.log"),
              "information\tAbout KDRMulti\tKaleidra 3.0 - Multisaver filter\\nfor Speed Razor "
              "Mach III\n");
    track.record().settings = reinterpret_cast<hostkit::MovableHandle>(0x10);
    EXPECT_EQ(speedrazor_entry(nullptr, hostkit::speedrazor_new, &track.record()), 1);
    EXPECT_EQ(track.record().settings, nullptr);
    EXPECT_EQ(speedrazor_entry(nullptr, hostkit::speedrazor_setup, &track.record()), 0);
    EXPECT_EQ(speedrazor_entry(nullptr, 7, &track.record()), 0);

    hostkit::SpeedRazorInformation info;
    std::memset(&info, 0xAB, sizeof info);
    EXPECT_EQ(speedrazor_entry(nullptr, hostkit::speedrazor_information, &info), 0);
    EXPECT_EQ(info.value_0, 1);
    EXPECT_EQ(info.value_4, 1);
    EXPECT_EQ(info.value_16, 3);
    EXPECT_EQ(info.value_20, 0);
    EXPECT_EQ(info.value_60, 0);
    EXPECT_STREQ(info.name, "KDR 3.0 MultiSaver");
    EXPECT_STREQ(info.description, "Saves image data for multi-window effects.");
    EXPECT_EQ(hostkit::movable_size(const_cast<char*>(info.name) - 16), 20u);
    EXPECT_EQ(hostkit::movable_size(const_cast<char*>(info.description) - 16), 300u);
    ASSERT_EQ(info.has_icon, 1);
    EXPECT_EQ(std::count(std::begin(info.reserved), std::end(info.reserved), 0), 28);
    auto resources = plugin_resources::read_library_resources(KDR_KDRMULTI30);
    ASSERT_TRUE(resources.ok()) << resources.error();
    const plugin_resources::PluginResource* bitmap =
        plugin_resources::find_resource(*resources, "BITMAP", 101);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(std::memcmp(info.icon, bitmap->data.data() + 40, 14400), 0);
}

TEST_F(MultisaverTest, ASpeedRazorTransitionFindsTheFiltersPictures) {
    install_counting_engine("Rnd_Count");
    speedrazor_track(4, 0x61);
    speedrazor_track(4, 0x62);
    PluginModule transition(KDR_KDR30_TRA);
    ASSERT_TRUE(transition.loaded()) << transition.error();
    auto entry = transition.entry<hostkit::SpeedRazorEntry>("ENTRYPOINT");
    SimSpeedRazor host(16, 8, root());
    host.record().part = 4;
    host.record().flags = 0x08;
    EXPECT_EQ(entry(nullptr, hostkit::speedrazor_render, &host.record()), 0);
    const std::vector<kdr::test::EngineEvent> renders = engine_events("render");
    ASSERT_EQ(renders.size(), 2u);
    EXPECT_EQ(renders[0].images, 4u);
    EXPECT_EQ(renders[1].images, 4u);
}

}  // namespace
}  // namespace kdr::multisaver
