#include "model/stud_dimensions.h"
#include "model/stud_standard.h"

#include <gtest/gtest.h>

TEST(StudStandard, CatalogueOrderAndFamilyRule)
{
    const auto& standards = studStandards();
    for (int i = 0; i < standardCount; ++i) {
        SCOPED_TRACE(i);
        const StudStandard& standard = standards[static_cast<std::size_t>(i)];
        EXPECT_EQ(standard.index, i);
        EXPECT_EQ(standard.number, std::to_string(22032 + i) + "-76");
        EXPECT_EQ(standard.family, familyOf(static_cast<GostIndexValue>(i)));
        EXPECT_EQ(standard.accuracyClass, i % 2 == 0 ? "В" : "А");
    }
    EXPECT_EQ(familyOf(9), StudFamily::ScrewIn);
    EXPECT_EQ(familyOf(10), StudFamily::PlainHole);
    EXPECT_EQ(familyOf(255), StudFamily::PlainHole);
    EXPECT_EQ(standards[4].screwInFactor, "1.6");
}

TEST(ThreadLengthRule, TableTextRuleAndFullThreadMarker)
{
    const struct {
        const char* label;
        const char* tableB;
        double d, L;
        const char* pitch;
        StudFamily family;
        std::optional<std::string> shown;
    } rows[] = {
        {"tabulated", "26", 10, 40, "1.5", StudFamily::ScrewIn, "26"},
        {"d10 P1.5 L25", "0", 10, 25, "1.5", StudFamily::ScrewIn, "17"},
        {"d12 P1.75 L30", "0", 12, 30, "1.75", StudFamily::ScrewIn, "20.5"},
        {"zero result", "0", 10, 8, "1.5", StudFamily::ScrewIn, "0"},
        {"negative result", "0", 10, 6, "1.5", StudFamily::ScrewIn, "-2"},
        {"0.0 is not the marker", "0.0", 10, 25, "1.5", StudFamily::ScrewIn, "0.0"},
        {"plain-hole full thread", "0", 10, 25, "1.5", StudFamily::PlainHole, "Полная"},
        {"plain-hole tabulated", "26", 10, 80, "", StudFamily::PlainHole, "26"},
        {"P not needed", "30", 12, 60, "", StudFamily::ScrewIn, "30"},
        {"P does not convert", "0", 12, 30, "", StudFamily::ScrewIn, std::nullopt},
        {"P with a comma", "0", 12, 30, "1,75", StudFamily::ScrewIn, std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(threadLengthText(row.tableB, row.d, row.L, row.pitch, row.family), row.shown);
    }
}

namespace {

FieldTexts tableFields(std::string d, std::string L, std::string b, std::string b1, std::string c)
{
    FieldTexts fields;
    fields.cbDiam = std::move(d);
    fields.cbLenght = std::move(L);
    fields.eB = std::move(b);
    fields.eB1 = std::move(b1);
    fields.eC = std::move(c);
    return fields;
}

} // namespace

TEST(HandOver, NumbersAndOverallLength)
{
    const struct {
        const char* label;
        StudFamily family;
        FieldTexts fields;
        HandOver expected;
    } rows[] = {
        {"screw-in adds b1",
         StudFamily::ScrewIn,
         tableFields("12", "40", "30", "12", "1.6"),
         {12, 40, 52, 30, 12, 1.6}},
        {"d10 L25 b17 b1 10",
         StudFamily::ScrewIn,
         tableFields("10", "25", "17", "10", "1.6"),
         {10, 25, 35, 17, 10, 1.6}},
        {"plain-hole copies b into b1",
         StudFamily::PlainHole,
         tableFields("16", "100", "38", "99", "2"),
         {16, 100, 100, 38, 38, 2}},
        {"plain-hole full thread",
         StudFamily::PlainHole,
         tableFields("10", "25", "Полная", "", "1.6"),
         {10, 25, 25, 12.5, 12.5, 1.6}},
        {"screw-in full thread typed",
         StudFamily::ScrewIn,
         tableFields("10", "40", "Полная", "junk", "1.6"),
         {10, 40, 60, 20, 20, 1.6}},
        {"negative values pass",
         StudFamily::ScrewIn,
         tableFields("12", "40", "-2", "12", "1.6"),
         {12, 40, 52, -2, 12, 1.6}},
        {"blanks around numbers",
         StudFamily::ScrewIn,
         tableFields(" 12 ", "40 ", " 30", "12", "1.6"),
         {12, 40, 52, 30, 12, 1.6}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const HandOverResult result = handOver(row.family, false, row.fields);
        ASSERT_TRUE(std::holds_alternative<HandOver>(result));
        const HandOver& got = std::get<HandOver>(result);
        EXPECT_EQ(got.d, row.expected.d);
        EXPECT_EQ(got.L, row.expected.L);
        EXPECT_EQ(got.overallLength, row.expected.overallLength);
        EXPECT_EQ(got.b, row.expected.b);
        EXPECT_EQ(got.b1, row.expected.b1);
        EXPECT_EQ(got.c, row.expected.c);
    }
}

TEST(HandOver, FreeDimensionsUseTheEditsNotTheBoxes)
{
    FieldTexts fields = tableFields("12", "40", "30", "12", "1.6");
    fields.eDiam = "16";
    fields.eLenght = "80";
    const HandOverResult result = handOver(StudFamily::ScrewIn, true, fields);
    ASSERT_TRUE(std::holds_alternative<HandOver>(result));
    EXPECT_EQ(std::get<HandOver>(result).d, 16);
    EXPECT_EQ(std::get<HandOver>(result).overallLength, 92);

    fields.eDiam = "2,5";
    EXPECT_TRUE(
        std::holds_alternative<ConversionFailed>(handOver(StudFamily::ScrewIn, true, fields)));
    fields.eDiam = "2.5";
    EXPECT_TRUE(std::holds_alternative<HandOver>(handOver(StudFamily::ScrewIn, true, fields)));
}

TEST(HandOver, RefusesTextsThatAreNoNumberAndZeroValues)
{
    constexpr std::size_t passes = 0, conversion = 1, zero = 2;
    const struct {
        const char* label;
        StudFamily family;
        FieldTexts fields;
        std::size_t outcome; // index into HandOverResult
    } rows[] = {
        {"empty d", StudFamily::ScrewIn, tableFields("", "40", "30", "12", "1.6"), conversion},
        {"comma in c", StudFamily::ScrewIn, tableFields("12", "40", "30", "12", "1,6"), conversion},
        {"word in b1", StudFamily::ScrewIn, tableFields("12", "40", "30", "abc", "1.6"),
         conversion},
        {"marker is case-sensitive", StudFamily::ScrewIn,
         tableFields("12", "40", "полная", "12", "1.6"), conversion},
        {"marker is not trimmed", StudFamily::PlainHole,
         tableFields("12", "40", " Полная", "", "1.6"), conversion},
        {"plain-hole ignores a bad b1", StudFamily::PlainHole,
         tableFields("12", "40", "0", "abc", "1.6"), zero},
        {"zero b", StudFamily::ScrewIn, tableFields("12", "40", "0", "12", "1.6"), zero},
        {"zero c written 0.0", StudFamily::ScrewIn, tableFields("12", "40", "30", "12", "0.0"),
         zero},
        {"zero L with full thread", StudFamily::PlainHole,
         tableFields("12", "0", "Полная", "", "1.6"), zero},
        {"tiny values are not zero", StudFamily::ScrewIn,
         tableFields("1e-200", "1e-200", "30", "12", "1.6"), passes},
        {"huge but finite sizes pass", StudFamily::ScrewIn,
         tableFields("12", "1e307", "1e307", "1e307", "1.6"), passes},
        {"overall length overflows", StudFamily::ScrewIn,
         tableFields("12", "1e308", "1e308", "1e308", "1.6"), conversion},
        {"overall length overflows downwards", StudFamily::ScrewIn,
         tableFields("12", "-1e308", "30", "-1e308", "1.6"), conversion},
        {"zoom window beyond the overall length overflows", StudFamily::PlainHole,
         tableFields("1e308", "1e308", "Полная", "", "1.6"), conversion},
        {"axis beyond the overall length overflows", StudFamily::PlainHole,
         tableFields("12", "1e308", "Полная", "", "1e308"), conversion},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const HandOverResult result = handOver(row.family, false, row.fields);
        EXPECT_EQ(result.index(), row.outcome);
    }
}
