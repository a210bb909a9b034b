// Numbers as the window reads them from text and writes them into commands and files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace app {

// The numeric value of a text: blanks, tabs and line feeds anywhere are skipped, then the
// longest leading decimal number (sign, digits, fraction, exponent) is read; no number is 0.
// A number too large for a double is plus or minus infinity.
double NumericValue(std::string_view text);

// Rounded to the nearest integer, halves to even; nothing when the result does not fit.
std::optional<std::int16_t> ToInt16(double value);
std::optional<std::int32_t> ToInt32(double value);

// The general decimal text of a number: up to 15 significant digits, no trailing zeros, no
// decimal point for a whole number, a minus sign for a negative one ("60", "52.3", "-0.5").
// A number whose rounded magnitude is 1E+15 or more, or below 1E-5, is written with an
// exponent ("1E+15", "2.5E-07"); infinity is "INF" or "-INF", not-a-number "NAN".
std::string NumberText(double value);

// The text of a number inside a command: a blank before zero or a positive number.
std::string SignedNumberText(double value);

}  // namespace app
