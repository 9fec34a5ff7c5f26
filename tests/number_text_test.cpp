#include "decimal_comma_locale.h"
#include "model/number_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <locale>
#include <optional>
#include <stdexcept>

TEST(NumberText, GeneralFormWith15SignificantDigits)
{
    const struct {
        double value;
        const char* text;
    } rows[] = {
        {17.0, "17"},
        {20.5, "20.5"},
        {100.0, "100"},
        {-3.0, "-3"},
        {0.0, "0"},
        {-0.0, "0"},
        {0.1 + 0.2, "0.3"},
        {0.0001, "0.0001"},
        {0.00005, "5E-5"},
        {0.00001, "1E-5"},
        {1.5e20, "1.5E20"},
        {1.8369701987210297e-16, "1.83697019872103E-16"},
        {-1.6, "-1.6"},
        {0.05, "0.05"},
        {123456789012345.0, "123456789012345"},
        {1e15, "1E15"},
        {999999999999999.9, "1E15"},
        {98.4, "98.4"},
        {-9.75, "-9.75"},
        {1.0 / 3.0, "0.333333333333333"},
        {2.0 / 3.0, "0.666666666666667"},
        {-0.000123, "-0.000123"},
        {-2.5e-7, "-2.5E-7"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(numberText(row.value), row.text);
    }
}

TEST(NumberText, ParsesOnlyTheAcceptedNotation)
{
    const struct {
        const char* text;
        std::optional<double> value;
    } rows[] = {
        {"12", 12.0},
        {"  2.5  ", 2.5},
        {"-3", -3.0},
        {"+4.25", 4.25},
        {"1E3", 1000.0},
        {"1.5e-2", 0.015},
        {"2E+1", 20.0},
        {".5", 0.5},
        {"5.", 5.0},
        {"0.0", 0.0},
        {"1e-400", 0.0},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"2,5", std::nullopt},
        {"0x10", std::nullopt},
        {"inf", std::nullopt},
        {"nan", std::nullopt},
        {"1e400", std::nullopt},
        {"-1e400", std::nullopt},
        {"1e", std::nullopt},
        {"e5", std::nullopt},
        {".", std::nullopt},
        {"1 2", std::nullopt},
        {"--1", std::nullopt},
        {"1.2.3", std::nullopt},
        {"\t1", std::nullopt},
        {"Полная", std::nullopt},
        {"12a", std::nullopt},
        {"+", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(parseNumber(row.text), row.value);
    }
}

TEST(NumberText, TextsReadBackToTheSameFifteenDigitValue)
{
    for (double value : {12.5, -3.0, 1.6, 0.3, 5e-5, 1.5e20, 98.4}) {
        const std::optional<double> back = parseNumber(numberText(value));
        ASSERT_TRUE(back);
        EXPECT_DOUBLE_EQ(*back, value);
    }
}

// Rounding the largest doubles up to fifteen digits would give a text beyond the double range.
TEST(NumberText, LargestValuesGiveTextsThatReadBack)
{
    constexpr double largest = std::numeric_limits<double>::max();
    const struct {
        double value;
        const char* text;
    } rows[] = {
        {largest, "1.79769313486231E308"},
        {-largest, "-1.79769313486231E308"},
        {std::nextafter(largest, 0.0), "1.79769313486231E308"},
        {1.79769313486231e308, "1.79769313486231E308"},
        {1.7976931348623e308, "1.7976931348623E308"},
        {1e308, "1E308"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(numberText(row.value), row.text);
        const std::optional<double> back = parseNumber(numberText(row.value));
        ASSERT_TRUE(back);
        EXPECT_LE(std::fabs(*back - row.value), 1e294);
    }
}

// Infinity and NaN have no text the CAD host could take as a coordinate.
TEST(NumberText, NonFiniteValuesHaveNoText)
{
    for (double value :
         {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
          std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_THROW((void)numberText(value), std::logic_error);
    }
}

// Both directions must ignore a locale whose decimal separator is a comma.
TEST(NumberText, IgnoresADecimalCommaLocale)
{
    const DecimalCommaLocale locale;
    if (locale.name() == nullptr) {
        GTEST_SKIP() << "no decimal-comma locale installed";
    }
    ASSERT_EQ(*std::localeconv()->decimal_point, ',');
    EXPECT_EQ(numberText(1.6), "1.6");
    EXPECT_EQ(numberText(0.1 + 0.2), "0.3");
    EXPECT_EQ(numberText(5e-5), "5E-5");
    EXPECT_EQ(parseNumber("2.5"), 2.5);
    EXPECT_EQ(parseNumber("2,5"), std::nullopt);
}
