#pragma once
// The library's index: UTF-8 CSV, a header line and one row per stud. It opens with a byte-order
// mark and ends its lines with CR LF, as spreadsheet programs write CSV: a spreadsheet program
// reads a file without the mark in the system's code page and garbles the Cyrillic designations.
// Numbers are written with a decimal point; a field with a comma or a quote (designations such as
// "М2,5×16") is quoted.

#include <string>
#include <string_view>
#include <vector>

namespace exporter {

struct IndexRow {
    std::string designation;
    std::string PartName;
    std::string standard;
    std::string d, L, b, b1, c, P; // number texts; P empty when unknown
    std::string massKg1000;        // mass of 1000 studs in kg; empty when P is unknown
    std::string material;          // of the mass: "steel", "aluminium", "bronze" or "brass"
    std::string step;              // relative to the output folder; empty when not written
    std::string dxf;
    std::string block;
};

// The whole file's text.
[[nodiscard]] std::string indexCsv(const std::vector<IndexRow>& rows);

// The rows of an index read back, its columns found by their header names (a column this program
// does not know is passed over, one it misses reads empty); with or without the byte-order mark,
// lines ended by CR LF or LF.
[[nodiscard]] std::vector<IndexRow> readIndexCsv(std::string_view text);

} // namespace exporter
