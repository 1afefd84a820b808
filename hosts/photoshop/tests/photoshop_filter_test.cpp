// The Photoshop filter's parts in this process: its parameter handles, its
// texts, the values the settings give (and the ones they must not give),
// the rows' alpha from the masks and the write-back, and the parameters
// selector with a stand-in for the selection dialog (a cancelled dialog,
// settings kept when their successor cannot be stored).

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "kaleidra/hostkit/filter_values.h"
#include "kaleidra/hostkit/movable_memory.h"
#include "kaleidra/hostkit/testing/simulated_photoshop.h"
#include "kaleidra/plugin_resources/resource_table.h"
#include "kaleidra/scene/effect_settings.h"
#include "kaleidra/testing/installation_test.h"
#include "parameter_handle.h"
#include "photoshop_filter.h"
#include "pixel_rows.h"
#include "plugin_strings.h"

namespace kdr::photoshop {
namespace {

TEST(PhotoshopParameterHandle, HoldsTheDataPointerAndTheMarker) {
    const std::vector<std::uint8_t> bytes = {1, 2, 3, 4, 5};
    hostkit::PsHandle handle = make_parameter_handle(bytes);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(std::memcmp(*handle, bytes.data(), bytes.size()), 0);
    EXPECT_EQ(std::memcmp(reinterpret_cast<char*>(handle) + sizeof(void*), "OTOF", 4), 0);
    const hostkit::MovableHandle outer = reinterpret_cast<std::uint8_t*>(handle) - 16;
    EXPECT_EQ(hostkit::movable_size(outer), sizeof(void*) == 4 ? 8u : 12u);
    EXPECT_EQ(hostkit::movable_lock_count(outer), 1u) << "kept locked";
    auto read = parameter_bytes(handle);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(std::vector<std::uint8_t>(read->begin(), read->end()), bytes);
    dispose_parameter_handle(handle);
}

TEST(PhotoshopParameterHandle, HandlesOfOthersAreNeitherReadNorFreed) {
    // A host handle: a pointer to a block without the marker.
    std::vector<char> block(64, 'x');
    char* pointer = block.data();
    struct {
        char* data;
        char marker[4];
    } foreign{pointer, {'N', 'O', 'P', 'E'}};
    auto handle = reinterpret_cast<hostkit::PsHandle>(&foreign);
    EXPECT_FALSE(parameter_bytes(handle).has_value());
    dispose_parameter_handle(handle);  // must not free what it does not own
    dispose_parameter_handle(nullptr);
    EXPECT_FALSE(parameter_bytes(nullptr).has_value());
    EXPECT_EQ(make_parameter_handle(std::vector<std::uint8_t>(4), nullptr), nullptr);
}

TEST(PhotoshopStrings, CaretsAreReplacedByTheGivenTexts) {
    EXPECT_EQ(substitute("between ^1 and ^2.", {"", "1", "30"}), "between 1 and 30.");
    EXPECT_EQ(substitute("^0^0 ^2", {"a", "b"}), "aa ");
    EXPECT_EQ(substitute("x^3 ^ ^", {"a"}), "x^3 ^ ^");
    plugin_resources::PluginResource text;
    text.type = "STRING";
    text.number = 16992;
    const std::string bytes = "needs ^1 or later";
    text.data.assign(bytes.begin(), bytes.end());
    auto table = plugin_resources::write_resource_table(std::vector{text});
    ASSERT_TRUE(table.ok());
    EXPECT_EQ(plugin_string(*table, 16992, {"", "3.0"}), "needs 3.0 or later");
    EXPECT_EQ(plugin_string(*table, 16993), "");
    EXPECT_EQ(plugin_string({}, 16992), "");
}

// A settings record with the filter's three values.
class FilterSettings {
  public:
    FilterSettings(float frames, float percent, float source) {
        EXPECT_TRUE(settings_initialise(m_settings));
        m_settings.globals[global_filter_frames] = frames;
        m_settings.globals[global_filter_percent] = percent;
        m_settings.globals[global_filter_source] = source;
    }
    ~FilterSettings() { settings_destroy(m_settings); }
    FilterSettings(const FilterSettings&) = delete;
    FilterSettings& operator=(const FilterSettings&) = delete;
    const EffectSettings& operator*() const { return m_settings; }

  private:
    EffectSettings m_settings;
};

TEST(PhotoshopFilterValues, LengthPercentAndSource) {
    Result<hostkit::FilterValues> values = hostkit::filter_values(*FilterSettings(30, 100, 0));
    ASSERT_TRUE(values.ok());
    EXPECT_EQ(values->total, 30u);
    EXPECT_EQ(values->part, 30u);
    values = hostkit::filter_values(*FilterSettings(7.9f, 50, 19));
    ASSERT_TRUE(values.ok());
    EXPECT_EQ(values->total, 7u);
    EXPECT_EQ(values->part, 3u);
    EXPECT_EQ(values->source_slot, 19);
}

TEST(PhotoshopFilterValues, StoredValuesOutsideTheirRangeAreKeptInsideIt) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (float source : {20.0f, -1.0f, 0.5f, nan, inf, 3e9f}) {
        EXPECT_FALSE(hostkit::filter_values(*FilterSettings(10, 50, source)).ok()) << source;
    }
    const struct {
        float frames, percent;
        std::uint32_t total, part;
    } cases[] = {
        {nan, 50, 0, 0},
        {-5, 50, 0, 0},
        {1e20f, 50, 1000000, 500000},
        {inf, 100, 1000000, 1000000},
        {10, nan, 10, 0},
        {10, -40, 10, 0},
        {10, 250, 10, 10},
        {10, inf, 10, 0},
    };
    for (const auto& c : cases) {
        Result<hostkit::FilterValues> values =
            hostkit::filter_values(*FilterSettings(c.frames, c.percent, 0));
        ASSERT_TRUE(values.ok());
        EXPECT_EQ(values->total, c.total) << c.frames << " " << c.percent;
        EXPECT_EQ(values->part, c.part) << c.frames << " " << c.percent;
    }
}

TEST(PhotoshopRows, AlphaIsTheProductOfSelectionAndMasks) {
    // Pixels of three colour planes and one plane of each mask kind.
    const std::uint8_t in[2 * 6] = {1, 2, 3, 255, 255, 0,  // opaque everywhere
                                    4, 5, 6, 128, 204, 51};
    const std::uint8_t selection[2] = {255, 102};
    std::uint8_t rgba[8];
    read_row(in, 6, {1, 1, 1}, selection, 2, rgba);
    EXPECT_EQ(std::vector<std::uint8_t>(rgba, rgba + 4), (std::vector<std::uint8_t>{1, 2, 3, 255}));
    const double alpha = 102 / 255.0 * 128 / 255.0 * 204 / 255.0 * (1 - 51 / 255.0);
    EXPECT_EQ(rgba[7], std::lround(alpha * 255));
    EXPECT_EQ(rgba[4], 4);

    // No selection and no masks: opaque.
    const std::uint8_t plain[3 * 3] = {7, 8, 9, 10, 11, 12, 13, 14, 15};
    std::uint8_t opaque[12];
    read_row(plain, 3, {}, nullptr, 3, opaque);
    for (int x = 0; x < 3; ++x) {
        EXPECT_EQ(opaque[x * 4 + 3], 255);
        EXPECT_EQ(opaque[x * 4], 7 + 3 * x);
    }
}

TEST(PhotoshopRows, MaskCountsBeyondThePixelsPlanesAreNotRead) {
    hostkit::PsFilterRecord record{};
    record.in_column_bytes = 5;
    record.in_transparency_mask = 1;
    record.in_layer_masks = 4;
    record.in_inverted_layer_masks = -3;
    const MaskCounts counts = input_masks(record);
    EXPECT_EQ(counts.transparency, 1);
    EXPECT_EQ(counts.layer, 1);
    EXPECT_EQ(counts.inverted, 0);
    record.out_column_bytes = 2;
    record.out_transparency_mask = 3;
    const MaskCounts none = output_masks(record);
    EXPECT_EQ(none.transparency + none.layer + none.inverted, 0);
}

TEST(PhotoshopRows, TheFrameGoesBackWithItsAlphaIntoTheMasks) {
    const std::uint8_t bgra[8] = {30, 20, 10, 99, 3, 2, 1, 7};
    std::uint8_t out[2 * 7];
    std::memset(out, 0xAA, sizeof out);
    write_row(bgra, 2, {2, 1, 1}, 7, out);
    EXPECT_EQ(std::vector<std::uint8_t>(out, out + 7),
              (std::vector<std::uint8_t>{10, 20, 30, 99, 99, 0, 255}));
    EXPECT_EQ(std::vector<std::uint8_t>(out + 7, out + 14),
              (std::vector<std::uint8_t>{1, 2, 3, 7, 7, 0, 255}));
}

// The stand-in for the selection dialog.
struct DialogSeen {
    int calls = 0;
    std::int32_t filter_mode = -1;
    std::uintptr_t owner = 0;
    std::string name;
    std::int16_t answer = 0;
};
DialogSeen dialog;

std::int16_t select_stand_in(KdrOwnerWindow owner, EffectSettings* settings, std::int32_t mode) {
    ++dialog.calls;
    dialog.owner = owner;
    dialog.filter_mode = mode;
    dialog.name = settings->name;
    if (dialog.answer == 0) {
        std::memset(settings->name, 0, sizeof settings->name);
        std::strncpy(settings->name, "Globe", sizeof settings->name - 1);
    }
    return dialog.answer;
}

int allocations_left = 1000;
hostkit::MovableHandle limited_allocate(std::size_t size) {
    return allocations_left-- > 0 ? hostkit::movable_allocate(size) : nullptr;
}

std::string stored_name(hostkit::PsHandle handle) {
    auto bytes = parameter_bytes(handle);
    if (!bytes) {
        return "(none)";
    }
    EffectSettings settings;
    EXPECT_TRUE(settings_initialise(settings));
    EXPECT_TRUE(settings_from_block(settings, bytes->data(), bytes->size()));
    std::string name = settings.name;
    settings_destroy(settings);
    return name;
}

class PhotoshopParametersTest : public kdr::test::InstallationTest {
  protected:
    void SetUp() override {
        dialog = DialogSeen{};
        allocations_left = 1000;
    }
};

TEST_F(PhotoshopParametersTest, TheDialogRunsInFilterModeAndItsChoiceIsStored) {
    PhotoshopFilter filter({&select_stand_in, nullptr, {}, &limited_allocate});
    hostkit::test::SimPhotoshop host({4, 4});
    std::intptr_t data = 0;
    std::int16_t result = 55;
    filter.call(hostkit::ps_selector_parameters, &host.record(), &data, &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(dialog.filter_mode, 1);
    EXPECT_EQ(dialog.owner, host.record().platform_data->window);
    EXPECT_EQ(stored_name(host.record().parameters), "Globe");

    // Cancelled: result 1, and what the record held is stored again.
    dialog.answer = 1;
    filter.call(hostkit::ps_selector_parameters, &host.record(), &data, &result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(dialog.name, "Globe") << "the dialog opens on the stored settings";
    EXPECT_EQ(stored_name(host.record().parameters), "Globe");
    dispose_parameter_handle(host.record().parameters);
}

TEST_F(PhotoshopParametersTest, TheStoredSettingsStayWhenTheirSuccessorCannotBeMade) {
    PhotoshopFilter filter({&select_stand_in, nullptr, {}, &limited_allocate});
    hostkit::test::SimPhotoshop host({4, 4});
    std::intptr_t data = 0;
    std::int16_t result = 0;
    filter.call(hostkit::ps_selector_parameters, &host.record(), &data, &result);
    const hostkit::PsHandle first = host.record().parameters;
    ASSERT_EQ(stored_name(first), "Globe");
    allocations_left = 1;  // the new handle's first block, not its second
    filter.call(hostkit::ps_selector_parameters, &host.record(), &data, &result);
    EXPECT_EQ(host.record().parameters, first);
    EXPECT_EQ(stored_name(host.record().parameters), "Globe") << "the user's settings survive";
    dispose_parameter_handle(host.record().parameters);
}

TEST_F(PhotoshopParametersTest, AboutNamesTheHostsWindow) {
    static std::uintptr_t about_owner = 0;
    const KdrGuiAboutFn about = [](KdrOwnerWindow owner, const char*, const char*) -> std::int16_t {
        about_owner = owner;
        return 0;
    };
    PhotoshopFilter filter({nullptr, about, {}, &limited_allocate});
    std::intptr_t data = 0;
    std::int16_t result = 9;
    hostkit::PsPlatformData platform{0x1234};
    hostkit::PsAboutRecord record{&platform, {}};
    filter.call(hostkit::ps_selector_about, &record, &data, &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(about_owner, 0x1234u);
}

}  // namespace
}  // namespace kdr::photoshop
