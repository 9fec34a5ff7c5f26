// Any text through the number parser: no crash, and every accepted text gives a finite value
// whose number text reads back to the same value.
#include "model/number_text.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<double> value = parseNumber(text);
    if (!value) {
        return 0;
    }
    if (!std::isfinite(*value)) {
        std::abort(); // an overflow must give no value
    }
    const std::optional<double> again = parseNumber(numberText(*value));
    if (!again) {
        std::abort();
    }
    // Fifteen digits of a value read from a text survive another round: the text is stable.
    if (numberText(*again) != numberText(*value)) {
        std::abort();
    }
    return 0;
}
