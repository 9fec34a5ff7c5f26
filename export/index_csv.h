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
    std::size_t line = 0; // where the row begins in the index read back, from 1; not written
};

// The whole file's text.
[[nodiscard]] std::string indexCsv(const std::vector<IndexRow>& rows);

// An index read back. fault: empty when the text is an index; else why it is not one this
// program can take over without losing rows ("it has no column step").
struct IndexRead {
    std::vector<IndexRow> rows;
    std::string fault;
};

// Reads the index as this program writes it and as a spreadsheet program saves it again: UTF-8
// with or without the byte-order mark, or Windows-1251; fields separated by commas, semicolons
// or tabs (told by the header line); lines ended by CR LF, LF or CR; the columns in any order,
// found by their header names (a column this program does not know is passed over); numbers with
// a decimal point or a decimal comma (read back with a point). An index written before the
// material column read its rows as steel. Every column that tells a row's stud and files must be
// there, and no row may have fields the header does not name: a text read otherwise would lose
// rows in the rewrite.
[[nodiscard]] IndexRead readIndexCsv(std::string_view text);

} // namespace exporter
