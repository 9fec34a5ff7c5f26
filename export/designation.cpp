#include "export/designation.h"

#include "model/number_text.h"

#include <array>
#include <cassert>

namespace exporter {

namespace {

// Property classes of carbon and alloy steel bolts, screws and studs.
constexpr std::array<std::string_view, 11> propertyClasses = {
    "3.6", "4.6", "4.8", "5.6", "5.8", "6.6", "6.8", "8.8", "9.8", "10.9", "12.9"};

// Designations write decimals with a comma: М2,5.
std::string commaNumber(double value)
{
    std::string text = numberText(value);
    for (char& ch : text) {
        if (ch == '.') {
            ch = ',';
        }
    }
    return text;
}

} // namespace

bool knownPropertyClass(std::string_view propertyClass)
{
    for (std::string_view known : propertyClasses) {
        if (known == propertyClass) {
            return true;
        }
    }
    return false;
}

std::string knownPropertyClasses()
{
    std::string text;
    for (std::string_view known : propertyClasses) {
        text += (text.empty() ? "" : ", ") + std::string(known);
    }
    return text;
}

std::string designation(double d, double L, std::string_view standardNumber,
                        const std::optional<std::string>& propertyClass)
{
    // Cyrillic М and the multiplication sign, as printed in the standards.
    std::string text = "Шпилька М" + commaNumber(d);
    if (propertyClass) {
        assert(knownPropertyClass(*propertyClass));
        std::string digits;
        for (char ch : *propertyClass) {
            if (ch != '.') {
                digits += ch;
            }
        }
        text += "-6g×" + commaNumber(L) + "." + digits;
    } else {
        text += "×" + commaNumber(L);
    }
    return text + " ГОСТ " + std::string(standardNumber);
}

} // namespace exporter
