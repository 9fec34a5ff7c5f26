#pragma once
// Conversions between numbers and texts with "." as the decimal point, independent of the
// process locale. Used for the table files, the window's fields and the CAD command texts.

#include <optional>
#include <string>
#include <string_view>

// Accepts optional blanks, an optional sign, digits with an optional point and fraction, an
// optional exponent (E or e, optional sign, digits) and optional blanks; nothing else. Gives no
// value for any other text and for a value that overflows a double; an underflow gives 0.
[[nodiscard]] std::optional<double> parseNumber(std::string_view text);

// General form with 15 significant digits: plain notation for 1E-4 <= |v| < 1E15, otherwise
// mantissa + "E" + exponent (1E-5, 1.5E20); trailing zeros dropped, whole values without a point.
// Every text reads back: the few values next to the largest double are rounded toward zero.
// Throws std::invalid_argument for infinity and NaN, which have no text: a caller that gets there
// has let an overflow through, and no such text may reach the CAD host.
[[nodiscard]] std::string numberText(double value);
