#pragma once
// The catalogue of the twelve stud standards and the family rule that splits them.

#include <array>
#include <cstdint>
#include <string_view>

// Position 0..11 of a standard in the catalogue; one byte, as the window keeps it.
using GostIndexValue = std::uint8_t;

enum class StudFamily { ScrewIn, PlainHole };

struct StudStandard {
    GostIndexValue index;
    std::string_view number; // e.g. "22032-76"
    StudFamily family;
    std::string_view screwInFactor; // "1", "1.25", "1.6", "2", "2.5"; empty for plain-hole studs
    std::string_view accuracyClass; // Cyrillic "В" or "А" (UTF-8)
};

constexpr int standardCount = 12;

// The fixed catalogue in index order; the descriptive columns are used by no computation.
const std::array<StudStandard, standardCount>& studStandards();

// Plain-hole family for an index of 10 or more, screw-in family otherwise.
constexpr StudFamily familyOf(GostIndexValue index)
{
    return index >= 10 ? StudFamily::PlainHole : StudFamily::ScrewIn;
}
