// float_text -- 32-bit floats as the shortest text that reads back as the same value, written
// by the game's own code, so that traces come out alike whatever the C++ library.
#pragma once

#include <charconv>
#include <cstddef>

// The longest text floatToChars writes: a sign, nine digits, a point and "e+38".
inline constexpr std::size_t kLongestFloatText = 15;

// Writes `value` as std::to_chars(first, last, value) does, with no format argument:
// - the fewest significant digits that read back as the same float (to nearest, ties to
//   even); when several such numbers have that many digits, the one nearest the value, and
//   of two as near, the one whose last digit is even;
// - in fixed notation unless scientific ("d.ddde+XX") is shorter, ties going to fixed; a
//   whole number written in fixed notation has all its digits exact ("1099511627776");
// - "0" and "-0", "inf" and "-inf", "nan" and "-nan", by the sign bit, for any payload.
// Returns the end of the text, or {last, std::errc::value_too_large} when it does not fit,
// in which case what [first, last) holds is unspecified.
std::to_chars_result floatToChars(char* first, char* last, float value);
