#include "model/stud_mass.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cmath>
#include <numbers>

namespace {

constexpr double steelKgPerMm3Per1000 = 7.85e-3; // 7.85 g/cm³: g per mm³ × 1000 studs / 1000
constexpr double pitchDiameterFactor = 0.649519; // d2 = d - 0.649519·P for a metric thread

bool finite(std::initializer_list<double> values)
{
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

} // namespace

const std::array<MaterialEntry, 4>& materials()
{
    static const std::array<MaterialEntry, 4> table = {{
        {Material::Steel, "steel", 1.0},
        {Material::Aluminium, "aluminium", 0.356},
        {Material::Bronze, "bronze", 0.970},
        {Material::Brass, "brass", 1.080},
    }};
    return table;
}

std::optional<Material> materialNamed(std::string_view name)
{
    for (const MaterialEntry& entry : materials()) {
        if (entry.name == name) {
            return entry.material;
        }
    }
    return std::nullopt;
}

const MaterialEntry& materialEntry(Material material)
{
    return materials()[static_cast<std::size_t>(material)];
}

MassSizes massSizes(StudFamily family, const HandOver& numbers, double P)
{
    const bool full = numbers.b == numbers.b1 && numbers.b * 2 == numbers.overallLength;
    return {family, numbers.d, P, numbers.L, numbers.b, numbers.b1, full};
}

std::optional<double> massOf1000Kg(const MassSizes& sizes, Material material)
{
    const auto& [family, d, P, L, b, b1, fullThread] = sizes;
    if (!finite({d, P, L, b, b1}) || d <= 0 || P <= 0 || L <= 0 || b < 0 || b1 < 0) {
        return std::nullopt;
    }
    const double d2 = d - pitchDiameterFactor * P;
    if (d2 <= 0) {
        return std::nullopt;
    }
    const bool screwIn = family == StudFamily::ScrewIn;
    const double overall = screwIn ? L + b1 : L;
    const double thread = fullThread ? overall : std::min(overall, screwIn ? b + b1 : 2 * b);
    const double shank = overall - thread;
    const double quarterPi = std::numbers::pi / 4;
    const double volume = shank * quarterPi * d * d + thread * quarterPi * d2 * d2;
    const double mass = steelKgPerMm3Per1000 * volume * materialEntry(material).factor;
    if (!std::isfinite(mass) || mass <= 0) {
        return std::nullopt;
    }
    return mass;
}

std::string significantText(double value, int digits, char separator, bool smallPlain)
{
    assert(std::isfinite(value) && value > 0 && digits >= 1 && digits <= 17);
    // Scientific form first: its rounding fixes both the digits and the exponent (9.9996 with
    // four digits is 1.000e+01, not 9.9996 cut to 10.000).
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value,
                                            std::chars_format::scientific, digits - 1);
    assert(error == std::errc());
    const std::string scientific(buffer, end);
    const std::size_t e = scientific.find('e');
    std::string mantissa = scientific.substr(0, e);
    mantissa.erase(std::remove(mantissa.begin(), mantissa.end(), '.'), mantissa.end());
    int exponent = 0;
    std::from_chars(scientific.data() + e + 1 + (scientific[e + 1] == '+'),
                    scientific.data() + scientific.size(), exponent);

    const auto withSeparator = [separator](const std::string& whole, const std::string& part) {
        return part.empty() ? whole : whole + separator + part;
    };
    if ((exponent < -4 && !smallPlain) || exponent >= 15) {
        return withSeparator(mantissa.substr(0, 1), mantissa.substr(1)) + "E" +
               std::to_string(exponent);
    }
    if (exponent < 0) {
        return withSeparator("0",
                             std::string(static_cast<std::size_t>(-exponent - 1), '0') + mantissa);
    }
    const auto wholeDigits = static_cast<std::size_t>(exponent) + 1;
    if (wholeDigits >= mantissa.size()) {
        return mantissa + std::string(wholeDigits - mantissa.size(), '0');
    }
    return withSeparator(mantissa.substr(0, wholeDigits), mantissa.substr(wholeDigits));
}

std::string massText1000(double kg1000)
{
    return significantText(kg1000, 4, '.');
}

std::string pieceMassText(double kg1000)
{
    return significantText(kg1000 / 1000, 3, ',', true);
}
