#include "kaleidra/effectc/expression.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kdr::effectc {
namespace {

struct ValueCase {
    const char* text;
    double expected;
};

class ExpressionValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ExpressionValue, EvaluatesWithPrecedenceAndDegrees) {
    ExpressionScope scope;
    scope.values["D"] = 4;
    scope.values["half_w"] = 1.5;
    EXPECT_NEAR(evaluate_expression(GetParam().text, scope), GetParam().expected, 1e-9)
        << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExpressionValue,
    ::testing::Values(ValueCase{"1+2*3", 7}, ValueCase{"(1+2)*3", 9}, ValueCase{"-D/2", -2},
                      ValueCase{"2^3^2", 512}, ValueCase{"-2^2", -4}, ValueCase{"7%4", 3},
                      ValueCase{"sin(30)", 0.5}, ValueCase{"cos(60)", 0.5},
                      ValueCase{"atan2(1,1)", 45}, ValueCase{"max(1, D, 3)", 4},
                      ValueCase{"clamp(5, 0, 1)", 1}, ValueCase{"lerp(2, 4, 0.25)", 2.5},
                      ValueCase{"half_w*2 + .5", 3.5}, ValueCase{"1e-2*100", 1},
                      ValueCase{"( D - 1 ) * 2", 6}, ValueCase{"floor(-0.5)", -1},
                      ValueCase{"(D == 4) * 3 + (D != 4)", 3}, ValueCase{"D < 4", 0},
                      ValueCase{"D <= 4", 1}, ValueCase{"2 * D > 7", 1}, ValueCase{"D >= 5", 0},
                      ValueCase{"max(D > 3, 0)", 1}));

TEST(Expression, RandIsStableInRangeAndVaries) {
    ExpressionScope scope;
    double a = evaluate_expression("rand(1)", scope);
    double b = evaluate_expression("rand(2)", scope);
    EXPECT_EQ(a, evaluate_expression("rand(1)", scope));
    EXPECT_NE(a, b);
    for (int i = 0; i < 200; ++i) {
        double r = evaluate_expression("rand(" + std::to_string(i) + ")", scope);
        EXPECT_GE(r, 0.0);
        EXPECT_LT(r, 1.0);
    }
}

TEST(Expression, FrameSizeFollowsTheCameraAndTheFixedAspect) {
    ExpressionScope scope;
    scope.field_of_view = 90;  // tan(45) = 1: height 2d
    EXPECT_NEAR(evaluate_expression("frame_height(3)", scope), 6, 1e-9);
    EXPECT_NEAR(evaluate_expression("frame_width(3)", scope), 6 * 1.3333, 1e-9);
}

struct ErrorCase {
    const char* text;
    const char* message_part;
};

class ExpressionError_ : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ExpressionError_, IsRejectedWithAMessage) {
    ExpressionScope scope;
    try {
        evaluate_expression(GetParam().text, scope);
        FAIL() << "accepted " << GetParam().text;
    } catch (const ExpressionError& error) {
        EXPECT_NE(std::string(error.what()).find(GetParam().message_part), std::string::npos)
            << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExpressionError_,
    ::testing::Values(ErrorCase{"1+", "missing"}, ErrorCase{"(1", "\")\" expected"},
                      ErrorCase{"1)", "unexpected"}, ErrorCase{"W*2", "unknown name \"W\""},
                      ErrorCase{"foo(1)", "unknown function"}, ErrorCase{"sin(1,2)", "takes 1"},
                      ErrorCase{"1/0", "division by zero"}, ErrorCase{"sqrt(-1)", "negative"},
                      ErrorCase{"frame_width(2)", "camera"}, ErrorCase{"10^400", "finite"},
                      ErrorCase{"3 4", "unexpected"}, ErrorCase{"$", "unexpected"}));

}  // namespace
}  // namespace kdr::effectc
