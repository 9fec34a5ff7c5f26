#include "model/stud_designation.h"

#include "model/number_text.h"

#include <array>
#include <cassert>
#include <utility>

namespace {

// Property classes of carbon and alloy steel bolts, screws and studs.
constexpr std::array<std::string_view, 11> propertyClasses = {
    "3.6", "4.6", "4.8", "5.6", "5.8", "6.6", "6.8", "8.8", "9.8", "10.9", "12.9"};

// d and its coarse pitch, the metric thread series from 1 to 68 mm (first and second choice).
constexpr std::array<std::pair<double, double>, 31> coarsePitches = {{
    {1, 0.25}, {1.2, 0.25}, {1.6, 0.35}, {2, 0.4},   {2.5, 0.45}, {3, 0.5}, {4, 0.7},  {5, 0.8},
    {6, 1},    {8, 1.25},   {10, 1.5},   {12, 1.75}, {14, 2},     {16, 2},  {18, 2.5}, {20, 2.5},
    {22, 2.5}, {24, 3},     {27, 3},     {30, 3.5},  {33, 3.5},   {36, 4},  {39, 4},   {42, 4.5},
    {45, 4.5}, {48, 5},     {52, 5},     {56, 5.5},  {60, 5.5},   {64, 6},  {68, 6},
}};

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

bool blockNameCharacter(char ch)
{
    return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') ||
           ch == '-' || ch == '.' || ch == '_';
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

std::optional<double> coarsePitch(double d)
{
    for (const auto& [diameter, pitch] : coarsePitches) {
        if (diameter == d) {
            return pitch;
        }
    }
    return std::nullopt;
}

std::optional<double> finePitch(double d, std::optional<double> P)
{
    const std::optional<double> coarse = coarsePitch(d);
    if (!P || !coarse || *P == *coarse) {
        return std::nullopt;
    }
    return P;
}

std::string designation(const DesignatedStud& stud, const std::optional<std::string>& propertyClass)
{
    std::string text = "Шпилька М" + commaNumber(stud.d);
    if (stud.finePitch) {
        text += "×" + commaNumber(*stud.finePitch);
    }
    if (propertyClass) {
        assert(knownPropertyClass(*propertyClass));
        std::string digits;
        for (char ch : *propertyClass) {
            if (ch != '.') {
                digits += ch;
            }
        }
        text += "-6g×" + commaNumber(stud.L) + "." + digits;
    } else {
        text += "×" + commaNumber(stud.L);
    }
    return text + " ГОСТ " + std::string(stud.standardNumber);
}

std::string blockName(const DesignatedStud& stud, const std::optional<FreeSizes>& free)
{
    std::string name = "GOST";
    for (char ch : stud.standardNumber) {
        const bool continuation = (static_cast<unsigned char>(ch) & 0xC0) == 0x80;
        if (!continuation) { // one "_" for each UTF-8 character, not for each of its bytes
            name += blockNameCharacter(ch) ? ch : '_';
        }
    }
    name += "_M" + numberText(stud.d);
    if (stud.finePitch) {
        name += "x" + numberText(*stud.finePitch);
    }
    name += "x" + numberText(stud.L);
    return free ? name + freeSizesText(*free) : name;
}

std::string freeSizesText(const FreeSizes& free)
{
    std::string text = "_b" + numberText(free.b);
    if (free.b1) {
        text += "_b1-" + numberText(*free.b1);
    }
    return text + "_c" + numberText(free.c);
}
