// Checks the dimension table files that ship with the program (copied beside this test).
#include "model/base_path.h"
#include "model/dimension_tables.h"
#include "model/number_text.h"
#include "model/stud_standard.h"
#include "model/table_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

std::string shippedBase()
{
    return (std::filesystem::current_path() / "quorvel").string();
}

} // namespace

TEST(ShippedData, EveryStandardLoadsWithRowsAndLengths)
{
    const std::string base = shippedBase();
    for (const StudStandard& standard : studStandards()) {
        SCOPED_TRACE(std::string(standard.number));
        const TableRead<CatalogueRecord> record =
            readCatalogueRecord(cataloguePath(base), standard.index);
        ASSERT_TRUE(record.ok());
        EXPECT_EQ(record.value.number, standard.number);
        EXPECT_EQ(record.value.figureKey,
                  standard.family == StudFamily::ScrewIn ? "ris_1" : "ris_2");
        EXPECT_FALSE(record.value.title1.empty());
        EXPECT_EQ(record.value.title2,
                  std::string("Класс точности ") + std::string(standard.accuracyClass));

        const std::string diamFile = diameterTablePath(base, record.value.number);
        const std::string lengthFile = lengthTablePath(base, record.value.figureKey);
        const TableRead<std::vector<std::string>> diameters = readDiameterList(diamFile);
        ASSERT_TRUE(diameters.ok());
        ASSERT_EQ(diameters.value.size(), 20u);
        for (std::size_t i = 0; i < diameters.value.size(); ++i) {
            const std::string& d = diameters.value[i];
            SCOPED_TRACE(d);
            const TableRead<DiameterRow> row = readDiameterRow(diamFile, i);
            ASSERT_TRUE(row.ok());
            EXPECT_TRUE(parseNumber(row.value.b1));
            EXPECT_TRUE(parseNumber(row.value.P));
            EXPECT_TRUE(parseNumber(row.value.c));
            const TableRead<std::vector<std::string>> lengths = readLengthList(lengthFile, d);
            ASSERT_TRUE(lengths.ok());
            ASSERT_FALSE(lengths.value.empty());
            for (const std::string& L : lengths.value) {
                const auto b = readThreadLength(lengthFile, d, L, row.value.P, standard.family);
                ASSERT_TRUE(b.ok());
                ASSERT_TRUE(b.value.has_value());
                if (*b.value != "Полная") {
                    const std::optional<double> value = parseNumber(*b.value);
                    ASSERT_TRUE(value) << *b.value;
                    EXPECT_GT(*value, 0) << "L " << L;
                }
            }
        }
    }
}

TEST(ShippedData, LengthTablesSortedByDiameterWithNumericB)
{
    for (const char* key : {"ris_1", "ris_2"}) {
        SCOPED_TRACE(key);
        const TableFile table(lengthTablePath(shippedBase(), key));
        double previous = 0;
        for (std::size_t n = 1; n < table.lineCount(); ++n) {
            const std::optional<double> d = parseNumber(table.field(n, 1, 3));
            ASSERT_TRUE(d) << "line " << n;
            EXPECT_GE(*d, previous);
            previous = *d;
            ASSERT_TRUE(parseNumber(table.field(n, 5, 7)));
            const std::string b = table.field(n, 9, 11);
            EXPECT_TRUE(b == "0" || parseNumber(b)) << "line " << n;
        }
    }
}

TEST(ShippedData, FilesAreWindows1251WithCrLf)
{
    std::ifstream in(cataloguePath(shippedBase()), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(bytes.find("\xCA\xEB\xE0\xF1\xF1 \xF2\xEE\xF7\xED\xEE\xF1\xF2\xE8"),
              std::string::npos);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at byte " << i;
        }
    }
}

TEST(ShippedData, SpotValuesAgreeWithTheReference)
{
    const std::string base = shippedBase();
    // M12 is the ninth diameter: P 1.75, c 1.6, b1 for the factors 1, 1.25, 1.6, 2, 2.5.
    const struct {
        const char* number;
        const char* b1;
    } m12[] = {{"22032-76", "12"},
               {"22035-76", "15"},
               {"22036-76", "20"},
               {"22039-76", "24"},
               {"22041-76", "30"}};
    for (const auto& row : m12) {
        SCOPED_TRACE(row.number);
        const std::string file = diameterTablePath(base, row.number);
        ASSERT_EQ(readDiameterList(file).value[8], "12");
        const DiameterRow values = readDiameterRow(file, 8).value;
        EXPECT_EQ(values.b1, row.b1);
        EXPECT_EQ(values.P, "1.75");
        EXPECT_EQ(values.c, "1.6");
    }
    EXPECT_EQ(readDiameterRow(diameterTablePath(base, "22041-76"), 17).value.b1, "88"); // M36
    const std::string ris1 = lengthTablePath(base, "ris_1");
    const auto b = [&](const char* d, const char* L, const char* P) {
        return *readThreadLength(ris1, d, L, P, StudFamily::ScrewIn).value;
    };
    EXPECT_EQ(b("2", "10", "0.4"), "8.2"); // starred: L - 0.5d - 2P
    EXPECT_EQ(b("2", "12", "0.4"), "10");
    EXPECT_EQ(b("3", "14", "0.5"), "11.5");
    EXPECT_EQ(b("3", "16", "0.5"), "12");
    EXPECT_EQ(b("12", "40", "1.75"), "30");
    EXPECT_EQ(b("12", "38", "1.75"), "28.5");
    EXPECT_EQ(b("16", "130", "2"), "44");
    EXPECT_EQ(b("48", "140", "5"), "106");
    EXPECT_EQ(b("42", "220", "4.5"), "109");
    EXPECT_EQ(readLengthList(ris1, "4").value.front(), "14");
    EXPECT_EQ(readLengthList(ris1, "2").value.back(), "40");
}
