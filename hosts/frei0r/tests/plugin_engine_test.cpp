// The plug-in with the real Rnd_Generic engine and the shipped effects as
// the build stages them: the transition starts on input A and ends on input
// B whichever way the pictures fly, and shows neither in between.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "kaleidra/testing/installation_test.h"
#include "plugin_library.h"

namespace kdr::frei0r::test {
namespace {

enum : int { completion = 0, effect = 1, fly_on = 3 };

// Peak signal-to-noise ratio of the red, green and blue channels in dB;
// infinity for equal pictures.
double psnr(const HostPicture& x, const HostPicture& y) {
    double sum = 0;
    std::size_t count = 0;
    for (std::size_t i = 0; i < x.pixels.size(); ++i) {
        for (int channel = 0; channel < 3; ++channel) {
            const int d = int((x.pixels[i] >> (8 * channel)) & 255) -
                          int((y.pixels[i] >> (8 * channel)) & 255);
            sum += d * d;
            ++count;
        }
    }
    if (sum == 0) {
        return INFINITY;
    }
    return 10 * std::log10(255.0 * 255.0 / (sum / double(count)));
}

// The staged shipped effects and textures, and Rnd_Generic, in a private
// installation.
class PluginEngineTest : public ::testing::TestWithParam<const char*>,
                         public kdr::test::TestInstallation {
  protected:
    void SetUp() override {
        const std::filesystem::path stage = KALEIDRA_CONTENT_STAGE;
        for (const std::filesystem::path& folder : {effects(), textures()}) {
            std::filesystem::remove(folder);
        }
        std::filesystem::create_directory_symlink(stage / "EFFECTS", effects());
        std::filesystem::create_directory_symlink(stage / "Textures", textures());
        std::filesystem::create_symlink(KALEIDRA_RND_GENERIC, libs() / "Rnd_Generic.so");
        set_string("Engine", "Rnd_Generic");
    }
};

// Two busy pictures that share no colour.
HostPicture pattern(unsigned w, unsigned h, bool second) {
    HostPicture p(w, h);
    for (unsigned y = 0; y < h; ++y) {
        for (unsigned x = 0; x < w; ++x) {
            std::uint8_t* px = p.bytes() + (std::size_t{y} * w + x) * 4;
            const bool check = ((x / 8) + (y / 8)) % 2 == 0;
            px[0] = second ? 20 : static_cast<std::uint8_t>(128 + (x & 127));
            px[1] = static_cast<std::uint8_t>(second ? (check ? 230 : 40) : (y * 2) & 127);
            px[2] = second ? static_cast<std::uint8_t>(255 - (x & 63)) : (check ? 10 : 60);
            px[3] = 255;
        }
    }
    return p;
}

TEST_P(PluginEngineTest, StartsOnAEndsOnBInBothFlyDirections) {
    PluginLibrary plugin(KDR_FREI0R_PLUGIN);
    ASSERT_TRUE(plugin.loaded()) << plugin.error();
    ASSERT_EQ(plugin.init(), 1);
    const unsigned w = 192, h = 144;
    const HostPicture a = pattern(w, h, false), b = pattern(w, h, true);
    f0r_instance_t instance = plugin.construct(w, h);
    ASSERT_NE(instance, nullptr);
    plugin.set_text(instance, effect, GetParam());
    for (double fly : {0.0, 1.0}) {
        plugin.set_number(instance, fly_on, fly);
        const int frames = 9;
        for (int i = 0; i < frames; ++i) {
            HostPicture out(w, h);
            const double c = double(i) / (frames - 1);
            plugin.set_number(instance, completion, c);
            plugin.update2(instance, i / 25.0, a.pixels.data(), b.pixels.data(), nullptr,
                           out.pixels.data());
            const double to_a = psnr(out, a), to_b = psnr(out, b);
            if (i == 0) {
                EXPECT_GE(to_a, 40) << GetParam() << " fly " << fly << ": first frame is not A";
            } else if (i == frames - 1) {
                EXPECT_GE(to_b, 40) << GetParam() << " fly " << fly << ": last frame is not B";
            } else if (i == frames / 2) {
                EXPECT_LT(to_a, 25) << GetParam() << " fly " << fly << ": middle frame is A";
                EXPECT_LT(to_b, 25) << GetParam() << " fly " << fly << ": middle frame is B";
            }
        }
    }
    plugin.destruct(instance);
    plugin.deinit();
}

INSTANTIATE_TEST_SUITE_P(Effects, PluginEngineTest,
                         ::testing::Values("Ballsplt", "PageTurn", "CubeTurn", "Shatter"));

}  // namespace
}  // namespace kdr::frei0r::test
