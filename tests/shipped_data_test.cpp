// Checks the dimension table files that ship with the program (copied beside this test).
#include "model/base_path.h"
#include "model/dimension_tables.h"
#include "model/number_text.h"
#include "model/stud_designation.h"
#include "model/stud_standard.h"
#include "model/table_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

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
            // Designations and block names write no pitch for a table stud: it is coarse.
            EXPECT_EQ(parseNumber(row.value.P), coarsePitch(*parseNumber(d)));
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
    const auto bytesOf = [](const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    EXPECT_NE(bytesOf(cataloguePath(shippedBase()))
                  .find("\xCA\xEB\xE0\xF1\xF1 \xF2\xEE\xF7\xED\xEE\xF1\xF2\xE8"),
              std::string::npos);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::current_path())) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("quorvel", 0) != 0 || entry.path().extension() != ".dat") {
            continue;
        }
        SCOPED_TRACE(name);
        ++files;
        const std::string bytes = bytesOf(entry.path());
        ASSERT_GE(bytes.size(), 2u);
        EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\n') {
                ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at byte " << i;
            } else if (bytes[i] == '\r') {
                ASSERT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "bare CR at " << i;
            }
        }
    }
    EXPECT_EQ(files, 15);
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
}

namespace {

// The length series; a diameter offers every length of it within its range. Only the plain-hole
// studs reach past 300.
constexpr int lengthSeries[] = {
    10,  12,  14,  16,  18,  20,  22,  25,  28,  30,  32,  35,  38,  40,  42,  45,  48,  50,
    55,  60,  65,  70,  75,  80,  85,  90,  95,  100, 105, 110, 115, 120, 130, 140, 150, 160,
    170, 180, 190, 200, 220, 240, 260, 280, 300, 320, 340, 360, 380, 400, 420, 450, 480, 500};

// The two length tables per d. Screw-in studs (the printed table): the range of lengths, the
// longest starred length (b stored as 0, computed by the program) and the nut-end thread length
// of the longer ones up to 120, from 130 to 200 and from 220 (0 where the d has no such length).
// Plain-hole studs: the range of lengths and the longest length threaded over the whole length
// (b stored as 0); the longer ones carry 2d + 6 on each end up to 150 and 2d + 12 from 160.
struct LengthRange {
    const char* d;
    int shortest, longest, lastStarred;
    int bTo120, bTo200, bFrom220;
    int plainShortest, plainLongest, plainLastWhole;
};
constexpr LengthRange lengthRanges[] = {
    {"2", 10, 40, 10, 10, 0, 0, 10, 40, 22},        {"2.5", 10, 160, 12, 11, 17, 0, 10, 50, 25},
    {"3", 10, 160, 14, 12, 18, 0, 10, 300, 28},     {"4", 14, 160, 16, 14, 20, 0, 12, 300, 32},
    {"5", 16, 160, 18, 16, 22, 0, 14, 300, 38},     {"6", 16, 160, 22, 18, 24, 0, 14, 300, 42},
    {"8", 16, 200, 25, 22, 28, 0, 20, 300, 50},     {"10", 16, 200, 32, 26, 32, 0, 30, 300, 60},
    {"12", 25, 220, 35, 30, 36, 36, 40, 360, 70},   {"14", 25, 220, 40, 34, 40, 40, 55, 360, 85},
    {"16", 35, 220, 45, 38, 44, 44, 55, 500, 90},   {"18", 35, 220, 50, 42, 48, 48, 70, 500, 95},
    {"20", 40, 240, 55, 46, 52, 52, 80, 500, 105},  {"22", 45, 240, 60, 50, 56, 56, 45, 500, 115},
    {"24", 45, 240, 65, 54, 60, 60, 45, 500, 120},  {"27", 55, 260, 70, 60, 66, 66, 55, 500, 140},
    {"30", 60, 260, 80, 66, 72, 72, 60, 500, 160},  {"36", 70, 300, 90, 78, 84, 84, 70, 500, 180},
    {"42", 80, 300, 105, 90, 96, 96, 80, 500, 220}, {"48", 80, 300, 120, 0, 108, 121, 80, 500, 240},
};

int bandB(const LengthRange& range, int L)
{
    return L <= 120 ? range.bTo120 : L <= 200 ? range.bTo200 : range.bFrom220;
}

std::vector<std::string> seriesFromTo(int shortest, int longest)
{
    std::vector<std::string> lengths;
    for (const int L : lengthSeries) {
        if (L >= shortest && L <= longest) {
            lengths.push_back(std::to_string(L));
        }
    }
    return lengths;
}

// The raw b column of a length table by d text and length.
std::map<std::string, std::map<int, std::string>> rawLengthRows(const char* key)
{
    std::map<std::string, std::map<int, std::string>> rows;
    const TableFile table(lengthTablePath(shippedBase(), key));
    for (std::size_t n = 1; n < table.lineCount(); ++n) {
        if (!table.rawLine(n).empty()) {
            rows[table.field(n, 1, 3)][std::stoi(table.field(n, 5, 7))] = table.field(n, 9, 11);
        }
    }
    return rows;
}

} // namespace

TEST(ShippedData, LengthTablesFollowTheRangesPerDiameter)
{
    const auto screwIn = rawLengthRows("ris_1");
    const auto plainHole = rawLengthRows("ris_2");
    EXPECT_EQ(screwIn.size(), std::size(lengthRanges));
    EXPECT_EQ(plainHole.size(), std::size(lengthRanges));
    for (const LengthRange& range : lengthRanges) {
        SCOPED_TRACE(std::string("M") + range.d);
        // The lists as the window reads them: every series length of the range, in order, once;
        // and no row of the d elsewhere in the file, where the window would not look.
        const std::vector<std::string> screwInLengths = seriesFromTo(range.shortest, range.longest);
        const std::vector<std::string> plainHoleLengths =
            seriesFromTo(range.plainShortest, range.plainLongest);
        EXPECT_EQ(readLengthList(lengthTablePath(shippedBase(), "ris_1"), range.d).value,
                  screwInLengths);
        EXPECT_EQ(readLengthList(lengthTablePath(shippedBase(), "ris_2"), range.d).value,
                  plainHoleLengths);
        ASSERT_EQ(screwIn.count(range.d), 1u);
        ASSERT_EQ(plainHole.count(range.d), 1u);
        ASSERT_EQ(screwIn.at(range.d).size(), screwInLengths.size());
        ASSERT_EQ(plainHole.at(range.d).size(), plainHoleLengths.size());
        for (const auto& [L, b] : screwIn.at(range.d)) {
            EXPECT_EQ(b, L <= range.lastStarred ? "0" : std::to_string(bandB(range, L)))
                << "screw-in L " << L;
        }
        const int twiceD = static_cast<int>(2 * std::stod(range.d));
        for (const auto& [L, b] : plainHole.at(range.d)) {
            const int band = twiceD + (L <= 150 ? 6 : 12);
            EXPECT_EQ(b, L <= range.plainLastWhole ? "0" : std::to_string(band))
                << "plain-hole L " << L;
        }
    }
}

TEST(ShippedData, ThreadLengthsAroundTheBoundariesAsTheWindowShowsThem)
{
    const std::string base = shippedBase();
    // Starred cells show L - 0.5d - 2P; "" marks a length the diameter does not have.
    const struct {
        const char* d;
        const char* L;
        const char* P;
        const char* shown;
    } screwIn[] = {
        {"2", "10", "0.4", "8.2"},    {"2", "12", "0.4", "10"},     {"2.5", "12", "0.45", "9.85"},
        {"2.5", "130", "0.45", "17"}, {"2.5", "160", "0.45", "17"}, {"2.5", "170", "0.45", ""},
        {"3", "10", "0.5", "7.5"},    {"3", "14", "0.5", "11.5"},   {"3", "16", "0.5", "12"},
        {"3", "160", "0.5", "18"},    {"3", "170", "0.5", ""},      {"5", "18", "0.8", "13.9"},
        {"5", "20", "0.8", "16"},     {"8", "25", "1.25", "18.5"},  {"8", "28", "1.25", "22"},
        {"12", "22", "1.75", ""},     {"12", "25", "1.75", "15.5"}, {"12", "35", "1.75", "25.5"},
        {"12", "38", "1.75", "30"},   {"12", "120", "1.75", "30"},  {"12", "130", "1.75", "36"},
        {"12", "220", "1.75", "36"},  {"12", "240", "1.75", ""},    {"14", "220", "2", "40"},
        {"42", "105", "4.5", "75"},   {"42", "110", "4.5", "90"},   {"48", "120", "5", "86"},
        {"48", "130", "5", "108"},    {"48", "200", "5", "108"},    {"48", "220", "5", "121"},
        {"48", "300", "5", "121"},
    };
    const std::string ris1 = lengthTablePath(base, "ris_1");
    for (const auto& cell : screwIn) {
        SCOPED_TRACE(std::string("M") + cell.d + "x" + cell.L);
        const auto b = readThreadLength(ris1, cell.d, cell.L, cell.P, StudFamily::ScrewIn);
        ASSERT_TRUE(b.ok());
        EXPECT_EQ(b.value.value_or(""), cell.shown);
    }
    // Plain holes: the last length threaded over the whole length and the next one, the band
    // switch between 150 and 160, and the ends of ranges that reach 300, 360 and 500.
    const struct {
        const char* d;
        const char* L;
        const char* shown;
    } plainHole[] = {
        {"2.5", "25", "Полная"}, {"2.5", "28", "11"}, {"10", "60", "Полная"},  {"10", "65", "26"},
        {"12", "70", "Полная"},  {"12", "75", "30"},  {"48", "240", "Полная"}, {"48", "260", "108"},
        {"12", "80", "30"},      {"12", "130", "30"}, {"12", "150", "30"},     {"12", "160", "36"},
        {"12", "360", "36"},     {"12", "380", ""},   {"36", "180", "Полная"}, {"36", "190", "84"},
        {"36", "220", "84"},     {"36", "240", "84"}, {"48", "300", "108"},    {"48", "500", "108"},
        {"16", "50", ""},        {"16", "500", "44"}, {"3", "300", "18"},      {"3", "320", ""},
    };
    const std::string ris2 = lengthTablePath(base, "ris_2");
    for (const auto& cell : plainHole) {
        SCOPED_TRACE(std::string("M") + cell.d + "x" + cell.L);
        const auto b = readThreadLength(ris2, cell.d, cell.L, "1", StudFamily::PlainHole);
        ASSERT_TRUE(b.ok());
        EXPECT_EQ(b.value.value_or(""), cell.shown);
    }
}
