// Integer values of a profile file, the same on every platform: read as text, then converted.
#include "ui/profile_file.h"

#include <charconv>

namespace {

bool isDigitOfBase(char ch, int base)
{
    if (ch >= '0' && ch <= '9') {
        return true;
    }
    return base == 16 && ((ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F'));
}

} // namespace

int GetPrivateProfileInt(std::string_view section, std::string_view key, int defaultValue,
                         const std::string& file)
{
    const std::string text = GetPrivateProfileString(section, key, "", file);
    std::string_view digits = text;
    bool negative = false;
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits.remove_prefix(2);
    }
    // Only digits may follow the one sign and the 0x: from_chars would take a second sign.
    if (digits.empty() || !isDigitOfBase(digits.front(), base)) {
        return defaultValue;
    }
    unsigned long long value = 0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (result.ec != std::errc{} || result.ptr != digits.data() + digits.size() ||
        value > 0x7FFFFFFFULL + (negative ? 1 : 0)) {
        return defaultValue;
    }
    const auto magnitude = static_cast<long long>(value); // at most 2^31: negating it is safe
    return static_cast<int>(negative ? -magnitude : magnitude);
}
