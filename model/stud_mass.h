#pragma once
// The theoretical mass of studs as the standards' mass appendix tabulates it, and its texts.
//
// The appendix's model: steel of 7.85 g/cm³, the plain shank at the nominal diameter d, each
// threaded stretch at the pitch diameter d2 = d - 0.649519·P, chamfers ignored. Other materials
// are the steel mass times the standards' factor.

#include "model/stud_dimensions.h"
#include "model/stud_standard.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

enum class Material { Steel, Aluminium, Bronze, Brass };

struct MaterialEntry {
    Material material;
    std::string_view name; // the exporter's option value and column text: "steel", ...
    double factor;         // the steel mass is multiplied by it
};

// Steel 1, aluminium alloy 0.356, bronze 0.970, brass 1.080, in that order.
const std::array<MaterialEntry, 4>& materials();

// The material of that name ("steel", "aluminium", "bronze", "brass"); none for another text.
[[nodiscard]] std::optional<Material> materialNamed(std::string_view name);

[[nodiscard]] const MaterialEntry& materialEntry(Material material);

// The sizes the mass is computed from, in millimetres. L as the standard lists it: without the
// screw-in end (screw-in family; overall length L + b1) or overall (plain-hole family). The
// thread is b + b1 long (screw-in), 2·b (plain-hole), or the whole overall length when fullThread
// is set; a thread longer than the stud is cut to the stud.
struct MassSizes {
    StudFamily family = StudFamily::ScrewIn;
    double d = 0;
    double P = 0;
    double L = 0;
    double b = 0;
    double b1 = 0;
    bool fullThread = false;
};

// The sizes of a stud as the drawing gets them, with its pitch; threaded over the whole length
// by the drawing's own test (b = b1 and 2·b = the overall length).
[[nodiscard]] MassSizes massSizes(StudFamily family, const HandOver& numbers, double P);

// The mass of 1000 studs in kg. None when a size is not a finite number, d, P or L is not
// positive, b or b1 is negative, or the pitch leaves no pitch diameter (d2 <= 0).
[[nodiscard]] std::optional<double> massOf1000Kg(const MassSizes& sizes,
                                                 Material material = Material::Steel);

// value (positive, finite) rounded to `digits` significant digits, trailing zeros kept, with the
// given decimal separator: plain notation for 1E-4 <= value < 1E15 ("92.71", "4512", "0.2906"),
// and below too when smallPlain is set ("0.00008360"), otherwise mantissa + "E" + exponent
// ("1.235E20", "8.36E-5").
[[nodiscard]] std::string significantText(double value, int digits, char separator,
                                          bool smallPlain = false);

// The mass of 1000 studs as the appendix prints it, four significant digits with a decimal
// point: "92.71".
[[nodiscard]] std::string massText1000(double kg1000);

// The mass of one stud in kg for a parts list, from the mass of 1000: three significant digits
// with a decimal comma, "0,0927", and so for the smallest studs too, "0,0000836": a parts list
// has no exponents.
[[nodiscard]] std::string pieceMassText(double kg1000);
