// The staged content as a user's installation holds it: the master list and
// its effects, their headers and icons, the textures and the samples.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#include "content_test_kit.h"
#include "kaleidra/effectc/master_list.h"
#include "kaleidra/images/image_file.h"
#include "kaleidra/raster/image_convert.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/renderkit/effect_renderer.h"
#include "kaleidra/video/avi_reader.h"

namespace kdr::test {
namespace {

namespace fs = std::filesystem;

TEST(MasterList, HoldsAtLeastThreeGroupsOfAtMostSixteenAndTwentyFourEffects) {
    auto catalogue = effectc::read_catalogue(content_stage() / "EFFECTS" / "Master.lst");
    ASSERT_TRUE(catalogue);
    EXPECT_GE(catalogue->size(), 3u);
    std::size_t count = 0;
    for (const auto& group : *catalogue) {
        EXPECT_FALSE(group.name.empty());
        EXPECT_LE(group.name.size(), effectc::max_group_name_length);
        EXPECT_GE(group.effects.size(), 1u) << group.name;
        EXPECT_LE(group.effects.size(), effectc::max_group_effects) << group.name;
        count += group.effects.size();
    }
    EXPECT_GE(count, 24u);
}

TEST(MasterList, NamesEveryEffectFileOnceAndNothingElse) {
    std::set<std::string> listed;
    for (const CatalogueEffect& effect : catalogue_effects()) {
        EXPECT_TRUE(listed.insert(effect.name).second) << effect.name << " is listed twice";
    }
    std::set<std::string> files;
    for (const auto& entry : fs::directory_iterator(content_stage() / "EFFECTS")) {
        if (entry.path().extension() == ".KDR") {
            files.insert(entry.path().stem().string());
        }
    }
    EXPECT_EQ(listed, files);
    EXPECT_EQ(files.count("Ballsplt"), 1u) << "the fallback effect must ship";
}

TEST(Effects, LoadWithCompleteHeaders) {
    for (const CatalogueEffect& effect : catalogue_effects()) {
        SCOPED_TRACE(effect.name);
        Scene scene;
        ASSERT_TRUE(load_effect(effect.name, scene));
        EXPECT_EQ(scene.name, effect.name) << "the catalogue finds effects by their own name";
        EXPECT_EQ(scene.allow & 1u, 1u);
        EXPECT_GT(scene.description.size(), 20u);
        ASSERT_GE(scene.video_names.size(), 1u);
        for (const std::string& video : scene.video_names) {
            EXPECT_FALSE(video.empty());
        }
        EXPECT_GE(scene.best_frame, 0.0f);
        EXPECT_LE(scene.best_frame, 100.0f);
        EXPECT_EQ(scene.cameras.size(), 1u);
        EXPECT_FALSE(scene.objects.empty());
        if (scene.type == 1) {
            EXPECT_EQ(scene.video_names.size(), 2u);
        }
        // The header alone, as the catalogue reads it, gives the same.
        Scene header;
        ASSERT_TRUE(header.load_file(content_stage() / "EFFECTS" / (effect.name + ".KDR"),
                                     chunks::make_id("IMG0")));
        EXPECT_EQ(header.name, scene.name);
        EXPECT_TRUE(header.objects.empty());
        EXPECT_TRUE(image_has_pixels(header.preview));
    }
}

TEST(Effects, UseOnlyTexturesThatShipAndLoadThem) {
    auto scope = renderkit::InstallationScope::open(content_stage());
    ASSERT_TRUE(scope) << scope.error();
    for (const CatalogueEffect& effect : catalogue_effects()) {
        SCOPED_TRACE(effect.name);
        Scene scene;
        ASSERT_TRUE(load_effect(effect.name, scene));
        for (const auto& surface : scene.surfaces) {
            if (surface->source_kind == source_texture) {
                std::string name = surface->name.data();
                EXPECT_TRUE(fs::exists(content_stage() / "Textures" / (name + ".KDT"))) << name;
                int index = scene.find_texture(name.c_str());
                ASSERT_GE(index, 0) << name;
                EXPECT_TRUE(image_has_pixels(scene.textures[index])) << name;
            }
        }
    }
}

// The variety the catalogue promises: two-video transitions (the fallback
// among them), effects with three or four videos, effects for the filter
// mode placed by the marker, and shadows and smooth shading to show off.
TEST(Effects, CoverTransitionsWindowsFiltersShadowsAndSmoothShapes) {
    int transitions = 0, windows = 0, filters = 0, shadowed = 0, smooth = 0, morphing = 0;
    for (const CatalogueEffect& effect : catalogue_effects()) {
        Scene scene;
        ASSERT_TRUE(load_effect(effect.name, scene)) << effect.name;
        transitions += scene.type == 1;
        windows += scene.video_names.size() >= 3 && scene.video_names.size() <= 4;
        bool marker = std::any_of(scene.objects.begin(), scene.objects.end(),
                                  [](const auto& o) { return o->id == filter_marker_id; });
        filters += marker && scene.video_names.size() == 1;
        shadowed += std::any_of(scene.objects.begin(), scene.objects.end(),
                                [](const auto& o) { return o->casts_shadow(); });
        smooth += std::any_of(scene.surfaces.begin(), scene.surfaces.end(),
                              [](const auto& s) { return s->frame_offset_or_smoothing != 0; });
        morphing += std::any_of(scene.objects.begin(), scene.objects.end(),
                                [](const auto& o) { return o->morph_target_count > 0; });
    }
    Scene fallback;
    ASSERT_TRUE(load_effect("Ballsplt", fallback));
    EXPECT_EQ(fallback.type, 1u);
    EXPECT_GE(transitions, 18);
    EXPECT_GE(windows, 2);
    EXPECT_GE(filters, 2);
    EXPECT_GE(shadowed, 20);
    EXPECT_GE(smooth, 5);
    EXPECT_GE(morphing, 5);
}

raster::Canvas icon_of(const std::string& effect) {
    Scene scene;
    EXPECT_TRUE(load_effect(effect, scene)) << effect;
    return raster::canvas_from_image(scene.preview);
}

TEST(Icons, AreOneSizeTwentyFourBitBottomUpAndNotBlank) {
    for (const CatalogueEffect& effect : catalogue_effects()) {
        SCOPED_TRACE(effect.name);
        Scene scene;
        ASSERT_TRUE(load_effect(effect.name, scene));
        const ImageRecord& icon = scene.preview;
        ASSERT_TRUE(image_has_pixels(icon));
        EXPECT_EQ(icon.width, 64u);
        EXPECT_EQ(icon.height, 48u);
        EXPECT_EQ(icon.format, format_bgr);
        EXPECT_EQ(icon.bytes_per_pixel, 3);
        EXPECT_NE(icon.row_order, row_order_top_down);
        // Not blank: many colours and real contrast.
        raster::Canvas canvas = raster::canvas_from_image(icon);
        std::set<std::uint32_t> colours;
        double sum = 0, sum_squares = 0;
        for (int y = 0; y < canvas.height(); ++y) {
            for (int x = 0; x < canvas.width(); ++x) {
                raster::Rgb p = canvas.pixel(x, y);
                colours.insert(p.r << 16 | p.g << 8 | p.b);
                double luma = 0.3 * p.r + 0.59 * p.g + 0.11 * p.b;
                sum += luma;
                sum_squares += luma * luma;
            }
        }
        double n = canvas.width() * canvas.height();
        double deviation = std::sqrt(sum_squares / n - (sum / n) * (sum / n));
        EXPECT_GT(colours.size(), 64u);
        EXPECT_GT(deviation, 12.0);
    }
}

TEST(Icons, DifferFromOneAnother) {
    std::vector<CatalogueEffect> effects = catalogue_effects();
    std::vector<raster::Canvas> icons;
    for (const CatalogueEffect& effect : effects) {
        icons.push_back(icon_of(effect.name));
    }
    for (std::size_t a = 0; a < icons.size(); ++a) {
        for (std::size_t b = a + 1; b < icons.size(); ++b) {
            EXPECT_LT(raster::psnr(icons[a], icons[b]), 30.0)
                << effects[a].name << " and " << effects[b].name << " have nearly the same icon";
        }
    }
}

TEST(Textures, HoldTheSixtyPreviewTexturesInThreeSizes) {
    const std::pair<const char*, std::uint32_t> sizes[] = {
        {"PREVS_", 32}, {"PREVM_", 64}, {"PREVL_", 128}};
    for (auto [prefix, pixels] : sizes) {
        for (int n = 1; n <= 20; ++n) {
            char name[32];
            std::snprintf(name, sizeof name, "%s%02d.KDT", prefix, n);
            ImageRecord image;
            image_construct(image);
            EXPECT_TRUE(read_image_file(image, content_stage() / "Textures" / name)) << name;
            EXPECT_EQ(image.width, pixels) << name;
            EXPECT_EQ(image.height, pixels) << name;
            image_release_all(image);
        }
    }
}

TEST(Samples, HoldTwoOrMoreShortClipsAndSomePictures) {
    int clips = 0, pictures = 0;
    for (const auto& entry : fs::directory_iterator(content_stage() / "Samples")) {
        std::string extension = entry.path().extension().string();
        if (extension == ".avi") {
            auto reader = video::AviReader::open(entry.path());
            ASSERT_TRUE(reader) << reader.error();
            double seconds =
                static_cast<double>(reader->length()) * reader->scale() / reader->rate();
            EXPECT_GE(seconds, 2.0) << entry.path();
            EXPECT_LE(seconds, 3.0) << entry.path();
            EXPECT_EQ(reader->width(), 320u);
            EXPECT_EQ(reader->height(), 240u);
            EXPECT_LT(fs::file_size(entry.path()), 2u << 20) << "sample clips stay small";
            ++clips;
        } else if (extension == ".bmp" || extension == ".tga") {
            ++pictures;
        }
    }
    EXPECT_GE(clips, 2);
    EXPECT_GE(pictures, 2);
}

}  // namespace
}  // namespace kdr::test
