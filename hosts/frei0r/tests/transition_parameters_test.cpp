// The plug-in's parameters as a frei0r host sets and reads them.

#include "transition_parameters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace kdr::frei0r {
namespace {

void set_number(TransitionParameters& parameters, int index, double value) {
    parameters.set(index, &value);
}
double get_number(const TransitionParameters& parameters, int index) {
    double value = -1;
    parameters.get(index, &value);
    return value;
}
void set_text(TransitionParameters& parameters, int index, const char* text) {
    parameters.set(index, &text);
}
std::string get_text(const TransitionParameters& parameters, int index) {
    const char* text = nullptr;
    parameters.get(index, &text);
    return text != nullptr ? text : "(null)";
}

TEST(TransitionParametersTest, TableNamesEveryParameterWithItsType) {
    struct Expected {
        const char* name;
        ParameterType type;
    };
    const Expected expected[] = {
        {"completion", ParameterType::number}, {"effect", ParameterType::text},
        {"settings", ParameterType::text},     {"fly on", ParameterType::boolean},
        {"antialias", ParameterType::boolean}, {"lighting", ParameterType::boolean},
        {"shadows", ParameterType::number},
    };
    ASSERT_EQ(std::size(expected), static_cast<std::size_t>(parameter_count));
    for (int i = 0; i < parameter_count; ++i) {
        const ParameterInfo* info = parameter_info(i);
        ASSERT_NE(info, nullptr) << i;
        EXPECT_STREQ(info->name, expected[i].name) << i;
        EXPECT_EQ(info->type, expected[i].type) << i;
        EXPECT_GT(std::strlen(info->explanation), 10u) << i;
    }
    EXPECT_EQ(parameter_info(-1), nullptr);
    EXPECT_EQ(parameter_info(parameter_count), nullptr);
}

TEST(TransitionParametersTest, UnsetOptionsReportTheBuiltInDefaults) {
    const TransitionParameters parameters;
    EXPECT_EQ(get_number(parameters, parameter_completion), 0.0);
    EXPECT_EQ(get_number(parameters, parameter_fly_on), 0.0);
    EXPECT_EQ(get_number(parameters, parameter_antialias), 0.0);
    EXPECT_EQ(get_number(parameters, parameter_lighting), 1.0);
    EXPECT_EQ(get_number(parameters, parameter_shadows), 0.5);
    EXPECT_EQ(get_text(parameters, parameter_effect), "");
    EXPECT_EQ(get_text(parameters, parameter_settings), "");
    EXPECT_FALSE(parameters.fly_on());
    EXPECT_FALSE(parameters.antialias());
    EXPECT_FALSE(parameters.lighting());
    EXPECT_FALSE(parameters.shadows());
}

struct NumberCase {
    int index;
    double given;
    double read_back;
};

class NumberParameterTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumberParameterTest, IsKeptWithinItsRange) {
    TransitionParameters parameters;
    set_number(parameters, GetParam().index, GetParam().given);
    EXPECT_EQ(get_number(parameters, GetParam().index), GetParam().read_back)
        << parameter_info(GetParam().index)->name << " = " << GetParam().given;
}

INSTANTIATE_TEST_SUITE_P(
    Values, NumberParameterTest,
    ::testing::Values(NumberCase{parameter_completion, 0.25, 0.25},
                      NumberCase{parameter_completion, -3, 0},
                      NumberCase{parameter_completion, 7, 1},
                      NumberCase{parameter_completion, std::nan(""), 0},
                      NumberCase{parameter_shadows, 0.8, 0.8}, NumberCase{parameter_shadows, 2, 1},
                      NumberCase{parameter_shadows, std::nan(""), 0},
                      // frei0r booleans: 0.5 and above is true.
                      NumberCase{parameter_fly_on, 0.5, 1}, NumberCase{parameter_fly_on, 0.49, 0},
                      NumberCase{parameter_antialias, 1, 1}, NumberCase{parameter_lighting, 0, 0},
                      NumberCase{parameter_lighting, std::nan(""), 0}));

TEST(TransitionParametersTest, ShadowsArePercent) {
    TransitionParameters parameters;
    set_number(parameters, parameter_shadows, 0.2);
    ASSERT_TRUE(parameters.shadows());
    EXPECT_FLOAT_EQ(*parameters.shadows(), 20.0f);
}

TEST(TransitionParametersTest, StringsAreCopiedAndNullIsEmpty) {
    TransitionParameters parameters;
    std::string effect = "PageTurn";
    set_text(parameters, parameter_effect, effect.c_str());
    effect = "changed";
    EXPECT_EQ(get_text(parameters, parameter_effect), "PageTurn");
    set_text(parameters, parameter_settings, "/some/file.kdr");
    EXPECT_EQ(parameters.settings_file(), "/some/file.kdr");
    set_text(parameters, parameter_settings, nullptr);
    EXPECT_EQ(get_text(parameters, parameter_settings), "");
}

TEST(TransitionParametersTest, GenerationGrowsOnlyWhenAnOptionChanges) {
    TransitionParameters parameters;
    const std::uint64_t start = parameters.generation();
    // Hosts set every parameter before every frame; the completion animates.
    for (double completion : {0.0, 0.1, 0.2}) {
        set_number(parameters, parameter_completion, completion);
    }
    EXPECT_EQ(parameters.generation(), start);

    set_text(parameters, parameter_effect, "Globe");
    const std::uint64_t after_effect = parameters.generation();
    EXPECT_GT(after_effect, start);
    set_text(parameters, parameter_effect, "Globe");
    EXPECT_EQ(parameters.generation(), after_effect);

    // Setting an option to the value it reported still counts: from now on
    // it overrides the settings file.
    set_number(parameters, parameter_lighting, 1);
    EXPECT_GT(parameters.generation(), after_effect);
    const std::uint64_t after_lighting = parameters.generation();
    set_number(parameters, parameter_lighting, 0.9);
    EXPECT_EQ(parameters.generation(), after_lighting);
}

TEST(TransitionParametersTest, UnknownIndexesAndNullValuesAreIgnored) {
    TransitionParameters parameters;
    const double value = 1;
    parameters.set(parameter_count, &value);
    parameters.set(-1, &value);
    parameters.set(parameter_shadows, nullptr);
    EXPECT_EQ(parameters.generation(), 0u);
    double untouched = 42;
    parameters.get(parameter_count, &untouched);
    EXPECT_EQ(untouched, 42);
    parameters.get(parameter_shadows, nullptr);
}

}  // namespace
}  // namespace kdr::frei0r
