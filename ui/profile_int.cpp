// Integer values of a profile file, the same on every platform: read as text, then converted.
#include "ui/profile_file.h"

#include <charconv>

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
    long long value = 0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (digits.empty() || result.ec != std::errc{} || result.ptr != digits.data() + digits.size() ||
        value > 0x7FFFFFFFLL + (negative ? 1 : 0)) {
        return defaultValue;
    }
    return static_cast<int>(negative ? -value : value);
}
