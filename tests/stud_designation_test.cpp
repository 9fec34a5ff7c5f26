// The designation a parts list reads and the block name a drawing holds a stud size under.
#include "model/stud_designation.h"

#include <gtest/gtest.h>

TEST(StudDesignation, ShortFullAndFinePitchForms)
{
    const struct {
        const char* label;
        DesignatedStud stud;
        std::optional<std::string> propertyClass;
        const char* text;
    } rows[] = {
        {"short", {"22032-76", 12, 100, {}}, {}, "Шпилька М12×100 ГОСТ 22032-76"},
        {"decimal comma", {"22043-76", 2.5, 16, {}}, {}, "Шпилька М2,5×16 ГОСТ 22043-76"},
        {"fine pitch", {"22032-76", 12, 100, 1.25}, {}, "Шпилька М12×1,25×100 ГОСТ 22032-76"},
        {"class", {"22032-76", 16, 120, {}}, "10.9", "Шпилька М16-6g×120.109 ГОСТ 22032-76"},
        {"fine pitch and class",
         {"22036-76", 16, 120, 1.5},
         "5.8",
         "Шпилька М16×1,5-6g×120.58 ГОСТ 22036-76"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(designation(row.stud, row.propertyClass), row.text);
    }
}

TEST(StudDesignation, PitchIsWrittenOnlyWhenFine)
{
    const struct {
        const char* label;
        double d;
        std::optional<double> P;
        std::optional<double> fine;
    } rows[] = {
        {"coarse", 12, 1.75, {}},          {"fine", 12, 1.25, 1.25},
        {"coarse of 2.5", 2.5, 0.45, {}},  {"unknown pitch", 12, {}, {}},
        {"d off the series", 13, 1.5, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(finePitch(row.d, row.P), row.fine);
    }
}

TEST(StudDesignation, BlockNamesAreAsciiAndTellSizesApart)
{
    const struct {
        const char* label;
        DesignatedStud stud;
        std::optional<FreeSizes> free;
        const char* name;
    } rows[] = {
        {"table size", {"22032-76", 12, 100, {}}, {}, "GOST22032-76_M12x100"},
        {"fine pitch", {"22032-76", 12, 100, 1.25}, {}, "GOST22032-76_M12x1.25x100"},
        {"decimal point", {"22043-76", 2.5, 16, {}}, {}, "GOST22043-76_M2.5x16"},
        {"free dimensions",
         {"22032-76", 12, 100, {}},
         FreeSizes{30, 12, 1.6},
         "GOST22032-76_M12x100_b30_b1-12_c1.6"},
        {"free, plain-hole family",
         {"22043-76", 12, 100, {}},
         FreeSizes{30, {}, 1.6},
         "GOST22043-76_M12x100_b30_c1.6"},
        {"a number a block name cannot carry",
         {"22032/76 Б", 12, 100, {}},
         {},
         "GOST22032_76___M12x100"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(blockName(row.stud, row.free), row.name);
    }
}
