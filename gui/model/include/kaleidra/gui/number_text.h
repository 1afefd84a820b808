#pragma once
// Numbers as the dialogs show and read them, independent of the desktop's
// locale (a Qt program runs with the user's locale, in which the C
// library's "%g" may write "0,5"): "%g" with six significant digits, and
// the leading decimal number of a text as the C library's atof reads it
// (spaces, a sign, digits, a point, an exponent; the rest ignored; 0 when
// the text starts with no number).

#include <string>
#include <string_view>

namespace kdr::gui {

std::string format_g(double value);
double leading_decimal(std::string_view text);
// The leading digits of a text as a whole number ("12ab" gives 12, "" and
// "ab" give 0); large numbers stop at the largest int.
int leading_digits(std::string_view text);
// Halves go up: 2.5 gives 3, -2.5 gives -2.
int round_half_up(double value);

}  // namespace kdr::gui
