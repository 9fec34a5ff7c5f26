// The parts list of placed studs: its order and grouping, the quantities a designer typed, the
// masses, the CSV file byte for byte, and the table's geometry.
#include "cad/parts_list.h"
#include "cad/parts_list_csv.h"
#include "cad/parts_list_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

PlacedStud placed(const std::string& standard, double d, double P, double L,
                  const std::string& name, const std::string& quantity = "1",
                  const std::string& mass = "0,1", const std::string& position = "",
                  bool free = false)
{
    StoredStud s;
    s.standard = standard;
    s.d = d;
    s.P = P;
    s.L = L;
    s.b = 2 * d + 6;
    s.b1 = d;
    s.c = 1;
    s.freeDimensions = free;
    return {s, name, quantity, mass, position, "A" + std::to_string(static_cast<int>(d * 10 + L))};
}

std::vector<std::string> namesOf(const PartsList& list)
{
    std::vector<std::string> names;
    for (const PartsListLine& line : list.lines) {
        names.push_back(line.name + " x" + std::to_string(line.quantity));
    }
    return names;
}

} // namespace

TEST(PartsList, OrdersByNameThenStandardThenSizesNotByText)
{
    const struct {
        const char* label;
        std::vector<PlacedStud> studs;
        std::vector<std::string> order;
    } rows[] = {
        {"М8 before М10 and М10×40 before М10×100, whatever the text says",
         {placed("22032-76", 10, 1.5, 100, "Шпилька М10×100 ГОСТ 22032-76"),
          placed("22032-76", 8, 1.25, 40, "Шпилька М8×40 ГОСТ 22032-76"),
          placed("22032-76", 10, 1.5, 40, "Шпилька М10×40 ГОСТ 22032-76")},
         {"Шпилька М8×40 ГОСТ 22032-76 x1", "Шпилька М10×40 ГОСТ 22032-76 x1",
          "Шпилька М10×100 ГОСТ 22032-76 x1"}},
        {"the standard's number before any size: 22032 before 22040",
         {placed("22040-76", 6, 1, 20, "Шпилька М6×20 ГОСТ 22040-76"),
          placed("22032-76", 20, 2.5, 200, "Шпилька М20×200 ГОСТ 22032-76")},
         {"Шпилька М20×200 ГОСТ 22032-76 x1", "Шпилька М6×20 ГОСТ 22040-76 x1"}},
        {"within d the pitch ascending, then L; free sizes after the table sizes of that d",
         {placed("22032-76", 12, 1.75, 30, "Шпилька М12×30 (своб.)", "1", "0,1", "", true),
          placed("22032-76", 12, 1.75, 100, "Шпилька М12×100 ГОСТ 22032-76"),
          placed("22032-76", 12, 1.25, 120, "Шпилька М12×1,25×120 ГОСТ 22032-76"),
          placed("22032-76", 16, 2, 40, "Шпилька М16×40 ГОСТ 22032-76")},
         {"Шпилька М12×1,25×120 ГОСТ 22032-76 x1", "Шпилька М12×100 ГОСТ 22032-76 x1",
          "Шпилька М12×30 (своб.) x1", "Шпилька М16×40 ГОСТ 22032-76 x1"}},
        {"by name alphabetically first, capitals as small letters, Ё after Е",
         {placed("22032-76", 8, 1.25, 40, "Шпилька М8×40 ГОСТ 22032-76"),
          placed("22032-76", 30, 3.5, 200, "ёрш М30×200"),
          placed("22032-76", 20, 2.5, 200, "Жгут М20×200"),
          placed("22032-76", 24, 3, 200, "Ерш М24×200")},
         {"Ерш М24×200 x1", "ёрш М30×200 x1", "Жгут М20×200 x1", "Шпилька М8×40 ГОСТ 22032-76 x1"}},
        {"one line per designation, the quantities summed, QTY edited to 4 counted as 4",
         {placed("22032-76", 12, 1.75, 100, "Шпилька М12×100 ГОСТ 22032-76"),
          placed("22032-76", 8, 1.25, 40, "Шпилька М8×40 ГОСТ 22032-76", "4"),
          placed("22032-76", 12, 1.75, 100, "Шпилька М12×100 ГОСТ 22032-76", " 2 ")},
         {"Шпилька М8×40 ГОСТ 22032-76 x4", "Шпилька М12×100 ГОСТ 22032-76 x3"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const PartsList list = partsList(row.studs);
        EXPECT_EQ(namesOf(list), row.order);
        EXPECT_TRUE(list.quantityFaults.empty());
    }
}

TEST(PartsList, AQuantityThatIsNoPositiveWholeNumberCountsAsOneAndIsNamed)
{
    const struct {
        const char* text;
        std::optional<long long> value;
    } rows[] = {{"4", 4},           {" 12 ", 12}, {"999999999", 999999999},
                {"", {}},           {"0", {}},    {"-1", {}},
                {"2.5", {}},        {"2,5", {}},  {"четыре", {}},
                {"1234567890", {}}, {"1 2", {}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(positiveQuantity(row.text), row.value);
        const PartsList list =
            partsList({placed("22032-76", 12, 1.75, 100, "Шпилька М12×100", row.text)});
        ASSERT_EQ(list.lines.size(), 1u);
        EXPECT_EQ(list.lines[0].quantity, row.value.value_or(1));
        EXPECT_EQ(list.quantityFaults.size(), row.value ? 0u : 1u);
    }
    const PartsList list =
        partsList({placed("22032-76", 12, 1.75, 100, "Шпилька М12×100 ГОСТ 22032-76", "четыре"),
                   placed("22032-76", 8, 1.25, 40, "Шпилька М8×40 ГОСТ 22032-76", "")});
    EXPECT_EQ(quantityFaultText(list.quantityFaults),
              "Количество (QTY) не целое положительное число; шпилька посчитана как одна:\r\n"
              "Шпилька М12×100 ГОСТ 22032-76, блок A220: «четыре»\r\n"
              "Шпилька М8×40 ГОСТ 22032-76, блок A120: «»");
}

// Masses, positions and the total; the file as a Russian spreadsheet reads it.
TEST(PartsList, CsvFileByteForByte)
{
    std::vector<PlacedStud> studs = {
        placed("22032-76", 12, 1.75, 100, "Шпилька М12×100 ГОСТ 22032-76", "4", "0,0927", "3"),
        placed("22032-76", 12, 1.75, 100, "Шпилька М12×100 ГОСТ 22032-76", "1", "0.0927", "3"),
        placed("22032-76", 8, 1.25, 40, "Шпилька М8;40", "2", "0,0155", "1"),
        placed("22040-76", 10, 1.5, 50, "=HYPERLINK(\"x\")", "1", "", ""),
        placed("22040-76", 16, 2, 60, "Шпилька М16×60 ГОСТ 22040-76", "1", "0,1", "7"),
        placed("22040-76", 16, 2, 60, "Шпилька М16×60 ГОСТ 22040-76", "1", "0,2", "8"),
    };
    const PartsList list = partsList(studs);
    EXPECT_FALSE(list.totalComplete);
    EXPECT_DOUBLE_EQ(list.totalMass, 5 * 0.0927 + 2 * 0.0155 + 0.1 + 0.2);
    EXPECT_EQ(partsListCsv(list), "\xEF\xBB\xBF"
                                  "Поз.;Наименование;Кол.;Масса 1 шт., кг;Масса, кг;Примечание\r\n"
                                  ";\"'=HYPERLINK(\"\"x\"\")\";1;;;\r\n"
                                  "1;\"Шпилька М8;40\";2;0,0155;0,031;\r\n"
                                  "3;Шпилька М12×100 ГОСТ 22032-76;5;0,0927;0,4635;\r\n"
                                  "7, 8;Шпилька М16×60 ГОСТ 22040-76;2;;0,3;\r\n"
                                  ";Итого;;;0,7945;без учёта строк без массы\r\n");
}

TEST(PartsList, TableOfTheFormWithTheSectionRowAndLongNamesGoingOn)
{
    PartsList list;
    list.lines.push_back({"1", "Шпилька М8×40 ГОСТ 22032-76", 2, 0.0155, 0.031});
    list.lines.push_back({"", "Шпилька М12×100", 4, std::nullopt, std::nullopt});
    const PartsListTable table = partsListTable(list, Point{100, 200, 5});

    // Four rows: the section, the first name over two, the second in one; top and header lines,
    // a line under each row, eight column lines and the section's underline.
    const double bottom = 200 - 15 - 4 * 8;
    std::vector<double> rowLines;
    std::vector<double> columnLines;
    for (const TableLine& line : table.lines) {
        EXPECT_EQ(line.from[2], 5);
        if (line.from[1] == line.to[1] && line.from[0] == 100 && line.to[0] == 285) {
            rowLines.push_back(200 - line.from[1]);
        } else if (line.from[0] == line.to[0]) {
            EXPECT_EQ(line.from[1], 200);
            EXPECT_EQ(line.to[1], bottom);
            columnLines.push_back(line.from[0] - 100);
        }
    }
    EXPECT_EQ(rowLines, (std::vector<double>{0, 15, 23, 31, 39, 47}));
    EXPECT_EQ(columnLines, (std::vector<double>{0, 6, 12, 20, 90, 153, 163, 185}));
    EXPECT_EQ(table.lines.size(), rowLines.size() + columnLines.size() + 1);

    std::vector<std::string> texts;
    for (const TableText& text : table.texts) {
        EXPECT_EQ(text.height, 3.5);
        texts.push_back(text.text);
    }
    EXPECT_EQ(texts,
              (std::vector<std::string>{"Формат", "Зона", "Поз.", "Обозначение", "Наименование",
                                        "Кол.", "Примечание", "Стандартные изделия", "1", "2",
                                        "Шпилька М8×40", "ГОСТ 22032-76", "4", "Шпилька М12×100"}));
    // The narrow columns' names run upwards inside their column and the header.
    const double columnLeft[] = {0, 6, 12, 20};
    for (std::size_t i = 0; i < 3; ++i) {
        const TableText& upright = table.texts[i];
        EXPECT_DOUBLE_EQ(upright.rotation, std::numbers::pi / 2);
        const double right = upright.at[0] - 100;
        EXPECT_GT(right - 3.5, columnLeft[i]);
        EXPECT_LE(right, columnLeft[i + 1]);
        EXPECT_GE(upright.at[1], 200 - 15);
    }
    // A name starts 1 mm into its column; every row's text stands on a base line 2.25 mm above
    // the row's bottom; position and quantity in the first row of their name.
    const TableText& name = table.texts[10];
    EXPECT_DOUBLE_EQ(name.at[0], 191);
    EXPECT_DOUBLE_EQ(name.at[1], 200 - 31 + 2.25);
    EXPECT_DOUBLE_EQ(table.texts[11].at[1], 200 - 39 + 2.25);
    EXPECT_DOUBLE_EQ(table.texts[8].at[1], name.at[1]);
    EXPECT_DOUBLE_EQ(table.texts[9].at[1], name.at[1]);
    for (const std::size_t centred : {8u, 9u}) {
        const double left = table.texts[centred].at[0] - 100;
        const double middle = left + estimatedWidth(table.texts[centred].text, 3.5) / 2;
        EXPECT_DOUBLE_EQ(middle, centred == 8 ? 16 : 158);
    }
}
