// Any double through the number text and back: the text always reads back, to a value equal to
// the original within one unit of the fifteenth significant digit, and writes the same text again.
// A value that is not finite has no number text.
#include "model/number_text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace {

// One unit in the fifteenth significant digit of value.
double fifteenDigitUnit(double value)
{
    const double exponent = std::floor(std::log10(std::fabs(value)));
    return std::pow(10.0, exponent - 14);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    double value = 0;
    std::memcpy(&value, data, std::min(size, sizeof value));
    if (!std::isfinite(value)) {
        try {
            (void)numberText(value);
        } catch (const std::logic_error&) {
            return 0;
        }
        std::abort(); // a text for infinity or NaN could reach the CAD host
    }
    const std::string text = numberText(value);
    const std::optional<double> back = parseNumber(text);
    if (!back) {
        std::abort();
    }
    if (value == 0) {
        if (*back != 0) {
            std::abort();
        }
        return 0;
    }
    // Subnormal values carry fewer than fifteen digits: their own spacing bounds the error too.
    const double unit = std::max(fifteenDigitUnit(value), 2 * 4.9406564584124654e-324);
    if (!(std::fabs(*back - value) <= unit * 1.0000001)) {
        std::abort();
    }
    if (numberText(*back) != text && std::fpclassify(value) != FP_SUBNORMAL) {
        std::abort();
    }
    return 0;
}
