// The library's index read back as this program writes it and as spreadsheet programs save it
// again; what cannot be taken over without losing rows is refused, saying why.
#include "export/index_csv.h"
#include "export_run.h"
#include "model/cp1251.h"

#include <gtest/gtest.h>

namespace {

using exporter::IndexRow;

// Two rows as this program writes them: a designation with a decimal comma (quoted), and one of
// a stud of DXF alone.
std::vector<IndexRow> writtenRows()
{
    return {{"Шпилька М2,5×10 ГОСТ 22032-76", "Шпилька_M2.5x10_ГОСТ_22032-76", "22032-76", "2.5",
             "10", "7.85", "2.5", "0.3", "0.45", "0.3031", "steel",
             "22032-76/Шпилька_M2.5x10_ГОСТ_22032-76.step", "22032-76.dxf", "GOST22032-76_M2.5x10"},
            {"Шпилька М12×100 ГОСТ 22042-76", "Шпилька_M12x100_ГОСТ_22042-76", "22042-76", "12",
             "100", "30", "30", "1.6", "1.75", "79.17", "brass", "", "22042-76.dxf",
             "GOST22042-76_M12x100"}};
}

std::vector<std::vector<std::string>> recordsOf(const std::vector<IndexRow>& rows)
{
    std::vector<std::vector<std::string>> records{{"designation", "part_name", "standard", "d", "L",
                                                   "b", "b1", "c", "P", "mass_kg_1000", "material",
                                                   "step", "dxf", "block"}};
    for (const IndexRow& row : rows) {
        records.push_back({row.designation, row.PartName, row.standard, row.d, row.L, row.b, row.b1,
                           row.c, row.P, row.massKg1000, row.material, row.step, row.dxf,
                           row.block});
    }
    return records;
}

void expectSameRows(const std::vector<IndexRow>& read, const std::vector<IndexRow>& written)
{
    ASSERT_EQ(read.size(), written.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(recordsOf({read[i]}), recordsOf({written[i]}));
    }
}

} // namespace

TEST(IndexCsv, ReadsTheFormsASpreadsheetSaves)
{
    const std::vector<IndexRow> rows = writtenRows();
    const std::string written = exporter::indexCsv(rows);
    const std::string mark = "\xEF\xBB\xBF";
    const struct {
        const char* label;
        std::string text;
    } forms[] = {
        {"as written", written},
        {"semicolons, as sed s/,/;/g leaves it",
         [&] {
             std::string text = written;
             std::replace(text.begin(), text.end(), ',', ';');
             return text;
         }()},
        {"semicolons, decimal commas, no mark", resavedIndex(written, ';', "\r\n", true)},
        {"tabs and LF, with the mark", mark + resavedIndex(written, '\t', "\n", false)},
        {"Windows-1251 with semicolons and decimal commas",
         utf8ToCp1251(resavedIndex(written, ';', "\r\n", true))},
        {"columns in another order, CR line ends", resavedIndex(written, ',', "\r", false, true)},
        {"a blank line and a line of separators at the end", written + "\r\n,,,,,,,,,,,,,\r\n"},
    };
    for (const auto& form : forms) {
        SCOPED_TRACE(form.label);
        const exporter::IndexRead read = exporter::readIndexCsv(form.text);
        ASSERT_EQ(read.fault, "");
        std::vector<IndexRow> expected = rows;
        if (std::string(form.label).starts_with("semicolons, as sed")) {
            expected[0].designation = "Шпилька М2;5×10 ГОСТ 22032-76"; // sed changed it too
        }
        if (std::string(form.label).starts_with("Windows-1251")) {
            for (IndexRow& row : expected) { // no multiplication sign in the code page
                row.designation = cp1251ToUtf8(utf8ToCp1251(row.designation));
            }
        }
        expectSameRows(read.rows, expected);
        EXPECT_EQ(read.rows[1].line, 3u);
    }
}

TEST(IndexCsv, ReadsBackWhatItWrites)
{
    std::vector<IndexRow> rows = writtenRows();
    rows[1].designation = "a \"quoted\",\r\nline break";
    const exporter::IndexRead read = exporter::readIndexCsv(exporter::indexCsv(rows));
    ASSERT_EQ(read.fault, "");
    expectSameRows(read.rows, rows);
    EXPECT_EQ(read.rows[0].line, 2u);

    // An index written before the material column holds steel masses.
    std::string old = "part_name,standard,d,L,b,b1,c,P,mass_kg_1000,step,dxf,block,designation\n"
                      "Шпилька_M12x100_ГОСТ_22032-76,22032-76,12,100,30,12,1.6,1.75,92.71,,,,x\n";
    const exporter::IndexRead before = exporter::readIndexCsv(old);
    ASSERT_EQ(before.fault, "");
    ASSERT_EQ(before.rows.size(), 1u);
    EXPECT_EQ(before.rows[0].material, "steel");
}

TEST(IndexCsv, RefusesWhatWouldLoseRows)
{
    const std::string header =
        "designation,part_name,standard,d,L,b,b1,c,P,mass_kg_1000,material,step,dxf,block\r\n";
    const std::string row = "x,Шпилька_M12x100_ГОСТ_22032-76,22032-76,12,100,30,12,1.6,1.75,"
                            "92.71,steel,,22032-76.dxf,GOST22032-76_M12x100\r\n";
    const struct {
        const char* label;
        std::string text;
        const char* fault;
    } rows[] = {
        {"UTF-16, as a spreadsheet's Unicode text", std::string("\xFF\xFEp\0a\0", 6),
         "it is UTF-16 text; save it as CSV in UTF-8 or Windows-1251"},
        {"no header", row, "its first line names no columns part_name and standard"},
        {"a column struck out",
         "designation,part_name,standard,d,L,b,b1,c,P,mass_kg_1000,"
         "material,dxf,block\r\n",
         "it has no column step"},
        {"a column twice", "part_name,standard,part_name\r\n", "it has two columns part_name"},
        {"a quote that is not closed", header + row + "\"x," + row + row,
         "a quote opened in line 3 is not closed"},
        {"a row wider than the header",
         header + row + "1" + row.substr(1, row.size() - 3) + ",extra\r\n",
         "line 3 has more fields than the header names"},
        {"no text", std::string("designation\0", 12), "it is no text"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(exporter::readIndexCsv(row.text).fault, row.fault);
    }
}
