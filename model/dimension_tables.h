#pragma once
// Readers of the three kinds of dimension table file: the standards catalogue, a standard's
// diameter table and a figure's length table. Each reader opens, reads and closes its file in one
// call and gives back what it had read together with the failure, if any, so that the window can
// keep a partly filled list. All texts are UTF-8.

#include "model/stud_standard.h"
#include "model/table_file.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Which file a reader was reading when it failed (missing file, a field that does not convert,
// a list without a selected item), and, where the reader can tell, what is wrong in it (UTF-8,
// as read: a caller that prints it escapes what a terminal would act on).
struct TableReadFailure {
    std::string file;
    std::string reason; // "" when the file could not be read at all
};

template <class T> struct TableRead {
    T value{};
    std::optional<TableReadFailure> failure;
    [[nodiscard]] bool ok() const { return !failure.has_value(); }
};

// The five-line record of one standard in the catalogue; lines are kept exactly as read.
struct CatalogueRecord {
    std::string title1;
    std::string title2;
    std::string number;    // e.g. "22032-76"
    std::string figureKey; // "ris_1" shows b1
};

// The fields of a diameter table row, trimmed texts.
struct DiameterRow {
    std::string b1;
    std::string P;
    std::string c;
};

// The fixed columns of a row, counted from 1: a diameter row's d, b1, P and c, a length row's d,
// L and b.
struct ColumnSpan {
    std::size_t first;
    std::size_t last;
};
constexpr ColumnSpan diameterRowColumns[] = {{1, 3}, {5, 8}, {11, 14}, {17, 19}};
constexpr ColumnSpan lengthRowColumns[] = {{1, 3}, {5, 7}, {9, 11}};

// Each reader also comes over a table file already read, for a caller that reads each file once
// (the exporter); `file` then names it in a failure.

// File names, built from BasePath (UTF-8).
[[nodiscard]] std::string cataloguePath(std::string_view basePath);
[[nodiscard]] std::string diameterTablePath(std::string_view basePath, std::string_view number);
[[nodiscard]] std::string lengthTablePath(std::string_view basePath, std::string_view figureKey);

// Records 0 up to index. A catalogue that ends before line 4 of the record fails, naming the
// catalogue; the unused line 5 may be missing. So does a record whose number or figure key is no
// plain file name (model/plain_file_name.h): both name the next files.
[[nodiscard]] TableRead<CatalogueRecord> readCatalogueRecord(const std::string& file,
                                                             GostIndexValue index);
[[nodiscard]] TableRead<CatalogueRecord>
readCatalogueRecord(const TableFile& table, const std::string& file, GostIndexValue index);

// Columns 1-3 of every line after the header, in file order; a blank line gives an empty item.
[[nodiscard]] TableRead<std::vector<std::string>> readDiameterList(const std::string& file);
[[nodiscard]] TableRead<std::vector<std::string>> readDiameterList(const TableFile& table);

// The row of the diameter list item at position (row position + 1 after the header). Without a
// position (no item selected) the row is empty. A full-size position: tables may exceed 256 rows.
[[nodiscard]] TableRead<DiameterRow> readDiameterRow(const std::string& file,
                                                     std::optional<std::size_t> position);
[[nodiscard]] TableRead<DiameterRow> readDiameterRow(const TableFile& table,
                                                     std::optional<std::size_t> position);

// The lengths of diameter d (the selected item's text; none selected is a failure): rows whose d
// equals it numerically, stopping after the first row with a greater d. Every d column read on
// the way must convert.
[[nodiscard]] TableRead<std::vector<std::string>>
readLengthList(const std::string& file, const std::optional<std::string>& diameterText);
[[nodiscard]] TableRead<std::vector<std::string>>
readLengthList(const TableFile& table, const std::string& file,
               const std::optional<std::string>& diameterText);

// The b field's text for (d, L) after the thread-length rule, or no value when no row matches.
// pitchText is the P of the chosen diameter. Every d and L column read on the way must convert.
[[nodiscard]] TableRead<std::optional<std::string>>
readThreadLength(const std::string& file, const std::optional<std::string>& diameterText,
                 const std::optional<std::string>& lengthText, std::string_view pitchText,
                 StudFamily family);
[[nodiscard]] TableRead<std::optional<std::string>> readThreadLength(
    const TableFile& table, const std::string& file, const std::optional<std::string>& diameterText,
    const std::optional<std::string>& lengthText, std::string_view pitchText, StudFamily family);
