#pragma once
// Arithmetic in effect descriptions: numbers, named values, + - * / % ^,
// comparisons (== != < > <= >=, giving 1 or 0), parentheses and a few
// functions. Angles are in degrees, as everywhere in
// effect files. Evaluation throws ExpressionError with a message that names
// the offending part; the description reader adds the file and line.

#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kdr::effectc {

class ExpressionError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Named values and the camera's field of view that frame_width() and
// frame_height() use. Not thread-safe; one per description being read.
struct ExpressionScope {
    std::map<std::string, double, std::less<>> values;
    // Vertical field of view in degrees of the effect's first camera, or
    // negative while no camera has been declared.
    double field_of_view = -1;
};

// The value of `text`. Throws ExpressionError on a syntax error, an unknown
// name or function, a wrong argument count, a division by zero or a result
// that is not finite.
double evaluate_expression(std::string_view text, const ExpressionScope& scope);

// The frustum's size at distance `depth` in front of the camera: the height
// is 2 depth tan(fov / 2) and the width 1.3333 times that, the fixed aspect
// the engines project with.
double frame_height_at(double field_of_view, double depth);
double frame_width_at(double field_of_view, double depth);
inline constexpr double projection_aspect = 1.3333;

}  // namespace kdr::effectc
