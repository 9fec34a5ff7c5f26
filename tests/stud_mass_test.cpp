#include "model/stud_mass.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr auto screwIn = StudFamily::ScrewIn;
constexpr auto plainHole = StudFamily::PlainHole;

} // namespace

// Expected values worked by hand from the appendix's model, 7.85e-3 × (shank·π·d²/4 +
// thread·π·d2²/4), d2 = d − 0.649519·P; the shank and thread lengths are in each label.
TEST(StudMass, OneThousandStudsAndOnePieceByTheAppendixModel)
{
    const struct {
        const char* label;
        MassSizes sizes;
        const char* kg1000;
        const char* piece;
    } rows[] = {
        {"M12x100 22032-76: overall 112, thread 30 + 12, shank 70",
         {screwIn, 12, 1.75, 100, 30, 12, false},
         "92.71",
         "0,0927"},
        {"M3x20 22032-76: overall 23, thread 12 + 3, shank 8",
         {screwIn, 3, 0.5, 20, 12, 3, false},
         "1.106",
         "0,00111"},
        {"M48x300 22032-76: overall 348, thread 121 + 48, shank 179",
         {screwIn, 48, 5, 300, 121, 48, false},
         "4629",
         "4,63"},
        {"M12x100 22043-76: thread 2 x 30, shank 40",
         {plainHole, 12, 1.75, 100, 30, 30, false},
         "79.17",
         "0,0792"},
        {"M12x60 22043-76 threaded whole: thread 60",
         {plainHole, 12, 1.75, 60, 30, 30, true},
         "43.66",
         "0,0437"},
        {"plain-hole threads longer than the stud are the whole stud",
         {plainHole, 12, 1.75, 60, 40, 40, false},
         "43.66",
         "0,0437"},
        {"M12x100 screw-in threaded whole: thread 112, whatever b says",
         {screwIn, 12, 1.75, 100, 30, 12, true},
         "81.49",
         "0,0815"},
        {"M2x10 22043-76 threaded whole",
         {plainHole, 2, 0.4, 10, 5, 5, true},
         "0.1867",
         "0,000187"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const std::optional<double> mass = massOf1000Kg(row.sizes);
        ASSERT_TRUE(mass);
        EXPECT_EQ(massText1000(*mass), row.kg1000);
        EXPECT_EQ(pieceMassText(*mass), row.piece);
    }
}

TEST(StudMass, MaterialsScaleTheSteelMassByTheStandardsFactors)
{
    EXPECT_EQ(materials().size(), 4u);
    const MassSizes m12{screwIn, 12, 1.75, 100, 30, 12, false};
    const struct {
        const char* name;
        Material material;
        const char* kg1000; // 92.7057 × factor
    } rows[] = {{"steel", Material::Steel, "92.71"},
                {"aluminium", Material::Aluminium, "33.00"},
                {"bronze", Material::Bronze, "89.92"},
                {"brass", Material::Brass, "100.1"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(materialNamed(row.name), row.material);
        EXPECT_EQ(materialEntry(row.material).name, row.name);
        EXPECT_EQ(massText1000(*massOf1000Kg(m12, row.material)), row.kg1000);
    }
    for (const char* name : {"", "Steel", "aluminum", "steel "}) {
        EXPECT_FALSE(materialNamed(name)) << name;
    }
}

TEST(StudMass, NoMassForSizesNoStudHas)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* label;
        MassSizes sizes;
    } rows[] = {
        {"d 0", {screwIn, 0, 1.75, 100, 30, 12, false}},
        {"negative d", {screwIn, -12, 1.75, 100, 30, 12, false}},
        {"unknown pitch (0)", {screwIn, 12, 0, 100, 30, 12, false}},
        {"pitch leaves no pitch diameter", {screwIn, 1, 2, 100, 30, 12, false}},
        {"negative L", {plainHole, 12, 1.75, -100, 30, 30, false}},
        {"negative b", {screwIn, 12, 1.75, 100, -30, 12, false}},
        {"negative b1", {screwIn, 12, 1.75, 100, 30, -12, false}},
        {"infinite L", {screwIn, 12, 1.75, inf, 30, 12, false}},
        {"NaN b", {screwIn, 12, 1.75, 100, nan, 12, false}},
        {"a mass that overflows", {plainHole, 1e200, 1.75, 1e200, 30, 30, false}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_FALSE(massOf1000Kg(row.sizes));
    }
}

// The drawing threads a stud whole when b = b1 and 2·b is the overall length; so does the mass.
TEST(StudMass, SizesOfTheHandOverThreadWholeAsTheDrawingDoes)
{
    EXPECT_TRUE(massSizes(plainHole, {12, 60, 60, 30, 30, 1.6}, 1.75).fullThread);
    EXPECT_FALSE(massSizes(plainHole, {12, 100, 100, 30, 30, 1.6}, 1.75).fullThread);
    // "Полная" typed for a screw-in stud: b = b1 = L/2, overall 1.5·L, drawn as two threads.
    EXPECT_FALSE(massSizes(screwIn, {12, 80, 120, 40, 40, 1.6}, 1.75).fullThread);
    const MassSizes sizes = massSizes(screwIn, {12, 100, 112, 30, 12, 1.6}, 1.75);
    EXPECT_EQ(massText1000(*massOf1000Kg(sizes)), "92.71");
}

TEST(StudMass, SignificantDigitsRoundOnceAndKeepTheirZeros)
{
    const struct {
        double value;
        int digits;
        char separator;
        const char* text;
        bool smallPlain = false;
    } rows[] = {
        {92.7057, 4, '.', "92.71"},
        {33.00325, 4, '.', "33.00"},
        {9.99962, 4, '.', "10.00"},
        {9999.6, 4, '.', "10000"},
        {12345.6, 4, '.', "12350"},
        {0.000186704, 3, ',', "0,000187"},
        {0.0927057, 3, ',', "0,0927"},
        {0.0930001, 3, ',', "0,0930"},
        {1.23456e20, 4, '.', "1.235E20"},
        {4.5e-7, 3, ',', "4,50E-7"},
        {7, 1, ',', "7"},
        // A parts list's mass has no exponent, however small.
        {8.3614e-5, 3, ',', "0,0000836", true},
        {4.5e-7, 3, ',', "0,000000450", true},
        {0.0927057, 3, ',', "0,0927", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(significantText(row.value, row.digits, row.separator, row.smallPlain), row.text);
    }
    EXPECT_EQ(pieceMassText(0.083614), "0,0000836");
}
