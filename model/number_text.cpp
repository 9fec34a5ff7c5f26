#include "model/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace {

bool isDigit(char ch)
{
    return ch >= '0' && ch <= '9';
}

// Checks the accepted notation; returns the part that from_chars can read (no leading '+').
std::optional<std::string_view> numberBody(std::string_view text, bool& negative)
{
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::size_t pos = 0;
    std::size_t digits = 0;
    while (pos < text.size() && isDigit(text[pos])) {
        ++pos;
        ++digits;
    }
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        while (pos < text.size() && isDigit(text[pos])) {
            ++pos;
            ++digits;
        }
    }
    if (digits == 0) {
        return std::nullopt;
    }
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
            ++pos;
        }
        std::size_t exponentDigits = 0;
        while (pos < text.size() && isDigit(text[pos])) {
            ++pos;
            ++exponentDigits;
        }
        if (exponentDigits == 0) {
            return std::nullopt;
        }
    }
    if (pos != text.size()) {
        return std::nullopt;
    }
    return text;
}

// Decimal exponent of the first significant digit, used to tell overflow from underflow.
long leadingExponent(std::string_view body)
{
    long exponent = 0;
    const std::size_t ePos = body.find_first_of("eE");
    if (ePos != std::string_view::npos) {
        std::string_view e = body.substr(ePos + 1);
        const bool minus = !e.empty() && e.front() == '-';
        if (!e.empty() && (e.front() == '-' || e.front() == '+')) {
            e.remove_prefix(1);
        }
        for (char ch : e) {
            exponent = std::min(exponent * 10 + (ch - '0'), 100000L);
        }
        exponent = minus ? -exponent : exponent;
        body = body.substr(0, ePos);
    }
    const std::size_t point = body.find('.');
    const std::string_view whole = body.substr(0, point);
    const std::size_t firstNonZero = whole.find_first_not_of('0');
    if (firstNonZero != std::string_view::npos) {
        return exponent + static_cast<long>(whole.size() - firstNonZero) - 1;
    }
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view{} : body.substr(point + 1);
    const std::size_t firstInFraction = fraction.find_first_not_of('0');
    return exponent - static_cast<long>(firstInFraction) - 1;
}

} // namespace

std::optional<double> parseNumber(std::string_view text)
{
    bool negative = false;
    const std::optional<std::string_view> body = numberBody(text, negative);
    if (!body) {
        return std::nullopt;
    }
    double value = 0.0;
    const char* first = body->data();
    const char* last = first + body->size();
    const std::from_chars_result result = std::from_chars(first, last, value);
    if (result.ec == std::errc::result_out_of_range) {
        if (leadingExponent(*body) > 0) {
            return std::nullopt;
        }
        value = 0.0;
    } else if (result.ec != std::errc{} || result.ptr != last) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

std::string numberText(double value)
{
    if (!std::isfinite(value)) {
        throw std::invalid_argument("number text of a value that is not finite");
    }
    if (value == 0.0) {
        return "0";
    }
    // Scientific form with 15 significant digits does the rounding: "-d.dddddddddddddde+XX".
    char buffer[64];
    const std::to_chars_result result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    std::string_view scientific(buffer, static_cast<std::size_t>(result.ptr - buffer));

    std::string sign;
    if (scientific.front() == '-') {
        sign = "-";
        scientific.remove_prefix(1);
    }
    const std::size_t ePos = scientific.find('e');
    std::string digits;
    for (char ch : scientific.substr(0, ePos)) {
        if (ch != '.') {
            digits += ch;
        }
    }
    const int exponent = std::atoi(std::string(scientific.substr(ePos + 1)).c_str());
    // Next to the largest double, rounding to nearest gives a text beyond the double range, which
    // would not read back; the text one step toward zero does.
    constexpr std::string_view largestDigits = "179769313486231";
    if (exponent == 308 && digits > largestDigits) {
        digits = largestDigits;
    }
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }

    if (exponent >= -4 && exponent < 15) {
        if (exponent < 0) {
            return sign + "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
        }
        const auto wholeDigits = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= wholeDigits) {
            return sign + digits + std::string(wholeDigits - digits.size(), '0');
        }
        return sign + digits.substr(0, wholeDigits) + "." + digits.substr(wholeDigits);
    }
    std::string mantissa = digits.substr(0, 1);
    if (digits.size() > 1) {
        mantissa += '.';
        mantissa.append(digits, 1);
    }
    return sign + mantissa + "E" + std::to_string(exponent);
}
