#include "model/dimension_tables.h"
#include "model/plain_file_name.h"
#include "model/table_file.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Items = std::vector<std::string>;

TEST(TableFile, LineEndsCtrlZAndFixedColumns)
{
    TempDir dir;
    const struct {
        const char* label;
        const char* bytes;
        Items lines;
    } rows[] = {
        {"CR LF", "hdr\r\n8   a\r\n10  b\r\n", {"hdr", "8   a", "10  b"}},
        {"LF", "hdr\n8   a\n10  b\n", {"hdr", "8   a", "10  b"}},
        {"last line without end", "hdr\r\n8\r\n10", {"hdr", "8", "10"}},
        {"Ctrl-Z ends the file",
         "hdr\r\n8\r\n\x1A"
         "10\r\n",
         {"hdr", "8"}},
        {"Ctrl-Z inside a line", "hdr\r\n8 x\x1Ayz\r\n", {"hdr", "8 x"}},
        {"blank line at the end", "hdr\r\n8\r\n\r\n", {"hdr", "8", ""}},
        {"lone CR stays in the line", "a\rb\n", {"a\rb"}},
        {"CR without LF ends the last line", "hdr\r\n8\r", {"hdr", "8"}},
        {"CR before Ctrl-Z ends the last line", "hdr\r\n8\r\x1A\n10\r\n", {"hdr", "8"}},
        {"empty file", "", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const TableFile table(dir.write("t.dat", row.bytes));
        ASSERT_EQ(table.lineCount(), row.lines.size());
        for (std::size_t n = 0; n < row.lines.size(); ++n) {
            EXPECT_EQ(table.rawLine(n), row.lines[n]);
        }
        EXPECT_EQ(table.line(row.lines.size()), "");
        EXPECT_EQ(table.line(1000), "");
    }

    const TableFile table(
        dir.write("f.dat", "hdr\r\n10  12\t   1.5   1.6\r\n2.5\r\n\xCF\xEE\xEB \r\n"));
    EXPECT_EQ(table.field(1, 1, 3), "10");
    EXPECT_EQ(table.field(1, 5, 8), "12"); // the tab is trimmed as a control character
    EXPECT_EQ(table.field(1, 11, 14), "1.5");
    EXPECT_EQ(table.field(1, 17, 19), "1.6");
    EXPECT_EQ(table.field(2, 1, 3), "2.5");
    EXPECT_EQ(table.field(2, 5, 8), ""); // past the short line's end
    EXPECT_EQ(table.field(2, 3, 8), "5");
    EXPECT_EQ(table.field(3, 1, 3), "Пол"); // bytes cut before decoding
    EXPECT_THROW(TableFile(dir.file("missing.dat")), TableFileError);
    EXPECT_THROW(TableFile(dir.path().string()), TableFileError); // a folder, not a file
}

// What is no table must fail at once: a FIFO would wait for a writer, a device or a runaway file
// would take the memory.
TEST(TableFile, RefusesWhatIsNoRegularFileAndWhatExceedsTheLimit)
{
    TempDir dir;
    std::filesystem::resize_file(dir.write("huge.dat", ""), tableFileLimit + 1); // sparse
    struct Row {
        std::string file;
        std::string reason;
    };
    std::vector<Row> rows{{dir.file("huge.dat"), "larger than 128 MiB"}};
#ifndef _WIN32 // Windows has no endless device file (under Wine, /dev/zero passes as a file)
    rows.push_back({"/dev/zero", "not a regular file"});
#endif
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        try {
            const TableFile table(row.file);
            ADD_FAILURE() << "read";
        } catch (const TableFileError& error) {
            EXPECT_EQ(error.reason(), row.reason);
            EXPECT_EQ(std::string(error.what()), "cannot read " + row.file + ": " + row.reason);
        }
    }
    std::filesystem::resize_file(dir.file("huge.dat"), tableFileLimit);
    EXPECT_EQ(TableFile(dir.file("huge.dat")).lineCount(), 1u);
}

TEST(CatalogueReader, ReadsTheRecordOfAnIndexWithoutAnEndOfFileTest)
{
    TempDir dir;
    const std::string file = dir.write("q.dat", "T1\r\nT2\r\n22032-76\r\nris_1\r\n\r\n"
                                                "\xD8\xEF\r\nB \r\n22042-76\r\nris_2\r\nfree");
    const TableRead<CatalogueRecord> first = readCatalogueRecord(file, 0);
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(first.value.title1, "T1");
    EXPECT_EQ(first.value.number, "22032-76");
    EXPECT_EQ(first.value.figureKey, "ris_1");
    const TableRead<CatalogueRecord> second = readCatalogueRecord(file, 1);
    EXPECT_EQ(second.value.title1, "Шп");
    EXPECT_EQ(second.value.title2, "B "); // catalogue lines are not trimmed
    EXPECT_EQ(second.value.figureKey, "ris_2");
    // A record whose lines 1 to 4 are not all there is damaged; its unused line 5 may be missing.
    const std::string noLastFree = dir.write("n.dat", "T1\r\nT2\r\n22032-76\r\nris_1");
    EXPECT_TRUE(readCatalogueRecord(noLastFree, 0).ok());
    for (GostIndexValue index : {GostIndexValue{2}, GostIndexValue{11}}) {
        const TableRead<CatalogueRecord> beyond = readCatalogueRecord(file, index);
        ASSERT_FALSE(beyond.ok());
        EXPECT_EQ(beyond.failure->file, file);
    }
    const std::string cut = dir.write("c.dat", "T1\r\nT2\r\n22032-76\r\n");
    EXPECT_EQ(readCatalogueRecord(cut, 0).failure->file, cut);

    // A catalogue whose last line, the figure key, ends in a CR alone still names "ris_1".
    const std::string loneCr = dir.write("r.dat", "T1\r\nT2\r\n22032-76\r\nris_1\r");
    EXPECT_EQ(readCatalogueRecord(loneCr, 0).value.figureKey, "ris_1");

    const TableRead<CatalogueRecord> missing = readCatalogueRecord(dir.file("none.dat"), 0);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.failure->file, dir.file("none.dat"));
}

// The catalogue's number and figure key become parts of file names.
TEST(CatalogueReader, NumberAndFigureKeyMustBePlainFileNames)
{
    const struct {
        const char* name;
        bool plain;
    } rows[] = {{"22032-76", true}, {"ris_1 ", true}, {"Рис 1", true}, {"", false},
                {".", false},       {"..", false},    {"../x", false}, {"a\\b", false},
                {"C:x", false},     {"a*", false},    {"a|b", false},  {"a\x1b", false},
                {"a\x7f", false},   {"..x", true},    {"nul", false},  {"COM1.x", false},
                {"CONX", true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(isPlainFileName(row.name), row.plain);
    }
}

TEST(DiameterReaders, ListAndRowsByPosition)
{
    TempDir dir;
    const std::string file = dir.write("d.dat", "d   b1    P     c\r\n"
                                                "8   8     1.25  1.6\r\n"
                                                "10  10    1.5   1.6\r\n"
                                                "\r\n");
    const TableRead<Items> list = readDiameterList(file);
    ASSERT_TRUE(list.ok());
    EXPECT_EQ(list.value, (Items{"8", "10", ""})); // the blank last line is an item too

    const TableRead<DiameterRow> row = readDiameterRow(file, 1);
    ASSERT_TRUE(row.ok());
    EXPECT_EQ(row.value.b1, "10");
    EXPECT_EQ(row.value.P, "1.5");
    EXPECT_EQ(row.value.c, "1.6");

    const TableRead<DiameterRow> none = readDiameterRow(file, std::nullopt);
    ASSERT_TRUE(none.ok());
    EXPECT_EQ(none.value.b1 + none.value.P + none.value.c, "");
    EXPECT_EQ(readDiameterRow(file, 7).value.P, ""); // past the end reads empty

    const std::string headerOnly = dir.write("h.dat", "header only\r\n");
    EXPECT_TRUE(readDiameterList(headerOnly).value.empty());

    const std::string missing = dir.file("none.dat");
    EXPECT_EQ(readDiameterList(missing).failure->file, missing);
    EXPECT_EQ(readDiameterRow(missing, 0).failure->file, missing);
}

// More than 256 rows: position 300 must read row 300, not wrap round to row 44.
TEST(DiameterReaders, RowPositionIsNotCountedInOneByte)
{
    TempDir dir;
    std::string bytes = "header\r\n";
    for (int n = 0; n < 320; ++n) {
        const std::string d = std::to_string(n);
        bytes += d + std::string(4 - d.size(), ' ') + d + std::string(6 - d.size(), ' ') + "1\r\n";
    }
    const std::string file = dir.write("big.dat", bytes);
    EXPECT_EQ(readDiameterList(file).value.size(), 320u);
    EXPECT_EQ(readDiameterRow(file, 300).value.b1, "300");
    EXPECT_EQ(readDiameterRow(file, 44).value.b1, "44");
}

TEST(LengthReaders, ListOfADiameter)
{
    TempDir dir;
    const std::string file = dir.write("l.dat", "d   L   b\r\n"
                                                "8   16  0\r\n"
                                                "8   20  22\r\n"
                                                "8.0 25  22\r\n"
                                                "10  25  0\r\n"
                                                "\r\n"
                                                "12  30  0\r\n");
    const TableRead<Items> eight = readLengthList(file, "8");
    ASSERT_TRUE(eight.ok());
    EXPECT_EQ(eight.value, (Items{"16", "20", "25"})); // 8.0 matches 8 as a number
    EXPECT_EQ(readLengthList(file, "8.0").value, (Items{"16", "20", "25"}));

    // The search stops after the first greater d, before the blank line.
    const TableRead<Items> nine = readLengthList(file, "9");
    ASSERT_TRUE(nine.ok());
    EXPECT_TRUE(nine.value.empty());

    // The blank line before the end of the search fails its conversion; what was read stays.
    const TableRead<Items> twelve = readLengthList(file, "12");
    ASSERT_FALSE(twelve.ok());
    EXPECT_EQ(twelve.failure->file, file);
    EXPECT_TRUE(twelve.value.empty());
    const std::string partial = dir.write("p.dat", "h\r\n8   16  0\r\n8   20  0\r\nxx  25  0\r\n");
    const TableRead<Items> broken = readLengthList(partial, "8");
    EXPECT_FALSE(broken.ok());
    EXPECT_EQ(broken.value, (Items{"16", "20"}));

    EXPECT_FALSE(readLengthList(file, std::nullopt).ok()); // no diameter selected
    EXPECT_FALSE(readLengthList(file, "").ok());           // the empty last item
    EXPECT_EQ(readLengthList(dir.file("none.dat"), "8").failure->file, dir.file("none.dat"));
}

TEST(LengthReaders, ThreadLengthOfADiameterAndLength)
{
    TempDir dir;
    const std::string file = dir.write("l.dat", "d   L   b\r\n"
                                                "10  25  0\r\n"
                                                "10  40  26\r\n"
                                                "10  45  0.0\r\n"
                                                "12  30  0\r\n"
                                                "bad row\r\n");
    const auto screwIn = [&](const char* d, const char* L, const char* P) {
        return readThreadLength(file, d, L, P, StudFamily::ScrewIn);
    };
    EXPECT_EQ(screwIn("10", "25", "1.5").value, "17");
    EXPECT_EQ(screwIn("10", "40", "1.5").value, "26");
    EXPECT_EQ(screwIn("10", "45", "1.5").value, "0.0");
    EXPECT_EQ(screwIn("12", "30", "1.75").value, "20.5");
    EXPECT_EQ(readThreadLength(file, "10", "25", "", StudFamily::PlainHole).value, "Полная");

    const auto noRow = screwIn("10", "33", "1.5"); // stops at the first greater d
    EXPECT_TRUE(noRow.ok());
    EXPECT_FALSE(noRow.value.has_value());

    EXPECT_FALSE(screwIn("10", "25", "").ok());  // P does not convert
    EXPECT_FALSE(screwIn("14", "30", "2").ok()); // the malformed row lies ahead
    EXPECT_FALSE(readThreadLength(file, "10", std::nullopt, "1.5", StudFamily::ScrewIn).ok());
    EXPECT_EQ(screwIn("10", "x", "1.5").failure->file, file);
}

TEST(TableFolder, CyrillicFolderNameIsReadAndReportedUnchanged)
{
    TempDir dir;
    const std::string base = dir.file("Папка ГОСТ/quorvel");
    dir.write("Папка ГОСТ/quorvel.dat", "T1\r\nT2\r\n22032-76\r\nris_1\r\n\r\n");
    dir.write("Папка ГОСТ/quorvel_22032-76.dat", "hdr\r\n8\r\n10\r\n");

    const TableRead<CatalogueRecord> record = readCatalogueRecord(cataloguePath(base), 0);
    ASSERT_TRUE(record.ok());
    EXPECT_EQ(record.value.number, "22032-76");
    const TableRead<Items> list = readDiameterList(diameterTablePath(base, "22032-76"));
    ASSERT_TRUE(list.ok());
    EXPECT_EQ(list.value, (Items{"8", "10"}));

    const std::string missing = diameterTablePath(base, "22033-76");
    const TableRead<Items> none = readDiameterList(missing);
    ASSERT_FALSE(none.ok());
    EXPECT_EQ(none.failure->file, missing);
    try {
        const TableFile table(utf8Path(missing));
        ADD_FAILURE() << "a missing file was read";
    } catch (const TableFileError& error) {
        EXPECT_EQ(std::string(error.what()), "cannot read " + missing);
    }
}
