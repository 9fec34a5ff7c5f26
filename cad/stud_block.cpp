#include "cad/stud_block.h"

#include "model/stud_designation.h"
#include "model/stud_mass.h"

#include <algorithm>
#include <cmath>

namespace {

// Extended data group codes: the application's name, a string, a real, a 16-bit integer.
constexpr std::int16_t applicationCode = 1001;
constexpr std::int16_t stringCode = 1000;
constexpr std::int16_t realCode = 1040;
constexpr std::int16_t integerCode = 1070;
constexpr std::size_t realCount = 6; // d, L, b, b1, c, P

} // namespace

StudBlock studBlock(const StoredStud& stud, StudFamily family)
{
    const std::optional<double> P = stud.P > 0 ? std::optional<double>(stud.P) : std::nullopt;
    const DesignatedStud designated{stud.standard, stud.d, stud.L, finePitch(stud.d, P)};
    std::optional<FreeSizes> free;
    if (stud.freeDimensions) {
        free = FreeSizes{
            stud.b, family == StudFamily::ScrewIn ? std::optional<double>(stud.b1) : std::nullopt,
            stud.c};
    }
    std::string mass;
    if (P) {
        const HandOver numbers{
            stud.d, stud.L,  family == StudFamily::ScrewIn ? stud.L + stud.b1 : stud.L,
            stud.b, stud.b1, stud.c};
        if (const std::optional<double> kg1000 = massOf1000Kg(massSizes(family, numbers, *P))) {
            mass = pieceMassText(*kg1000);
        }
    }
    // A solid and a side view of one size are different definitions.
    return {blockName(designated, free) + (stud.solid ? "_3D" : ""),
            {{"NAME", "Обозначение", designation(designated)},
             {"STANDARD", "Стандарт", "ГОСТ " + stud.standard},
             {"SECTION", "Раздел спецификации", "Стандартные изделия"},
             {"QTY", "Количество", "1"},
             {"MASS", "Масса, кг", mass},
             {"POS", "Позиция", ""}},
            stud};
}

// The flags come before the sizes: a DXF record whose last value reads "0" is misread by some
// readers as the start of the next record, and a size is written as a real ("0.0").
Shorts studDataTypes()
{
    Shorts types{applicationCode, stringCode, integerCode, integerCode};
    types.insert(types.end(), realCount, realCode);
    return types;
}

Variants studDataValues(const StoredStud& stud)
{
    return {studApplication,
            stud.standard,
            std::int32_t{stud.freeDimensions ? 1 : 0},
            std::int32_t{stud.solid ? 1 : 0},
            stud.d,
            stud.L,
            stud.b,
            stud.b1,
            stud.c,
            stud.P};
}

std::optional<StoredStud> storedStud(const Variants& types, const Variants& values)
{
    const Shorts expected = studDataTypes();
    if (types.size() != expected.size() || values.size() != expected.size()) {
        return std::nullopt;
    }
    try {
        for (std::size_t i = 0; i < expected.size(); ++i) {
            if (types[i].toInt32() != expected[i]) {
                return std::nullopt;
            }
        }
        if (values[0].toString() != studApplication) {
            return std::nullopt;
        }
        StoredStud stud;
        stud.standard = values[1].toString();
        // Only a standard of this program tells the stud's family and names its tables: a stud
        // under any other number would be redrawn under whatever standard the window shows.
        const auto& standards = studStandards();
        if (std::none_of(standards.begin(), standards.end(),
                         [&](const StudStandard& s) { return s.number == stud.standard; })) {
            return std::nullopt;
        }
        double* reals[realCount] = {&stud.d, &stud.L, &stud.b, &stud.b1, &stud.c, &stud.P};
        stud.freeDimensions = values[2].toInt32() != 0;
        stud.solid = values[3].toInt32() != 0;
        for (std::size_t i = 0; i < realCount; ++i) {
            *reals[i] = values[4 + i].toDouble();
            if (!std::isfinite(*reals[i])) {
                return std::nullopt;
            }
        }
        return stud;
    } catch (const VariantTypeError&) {
        return std::nullopt;
    }
}
