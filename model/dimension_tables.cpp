#include "model/dimension_tables.h"

#include "model/number_text.h"
#include "model/plain_file_name.h"
#include "model/stud_dimensions.h"
#include "model/table_file.h"
#include "model/utf8_path.h"

namespace {

// Diameter table columns.
constexpr std::size_t diamFirst = diameterRowColumns[0].first,
                      diamLast = diameterRowColumns[0].last;
constexpr std::size_t b1First = diameterRowColumns[1].first, b1Last = diameterRowColumns[1].last;
constexpr std::size_t pitchFirst = diameterRowColumns[2].first,
                      pitchLast = diameterRowColumns[2].last;
constexpr std::size_t chamferFirst = diameterRowColumns[3].first,
                      chamferLast = diameterRowColumns[3].last;
// Length table columns.
constexpr std::size_t lengthFirst = lengthRowColumns[1].first,
                      lengthLast = lengthRowColumns[1].last;
constexpr std::size_t threadFirst = lengthRowColumns[2].first,
                      threadLast = lengthRowColumns[2].last;

constexpr std::size_t recordLines = 5;

TableReadFailure failureOf(const std::string& file)
{
    return TableReadFailure{file, ""};
}

// Reads the file and hands it to the reader over a read table; a file that cannot be read fails
// with the reason TableFile gives.
template <class T, class Reader> TableRead<T> fromFile(const std::string& file, Reader reader)
{
    std::optional<TableFile> table;
    try {
        table.emplace(utf8Path(file));
    } catch (const TableFileError& error) {
        TableRead<T> result;
        result.failure = TableReadFailure{file, error.reason()};
        return result;
    }
    return reader(*table);
}

} // namespace

std::string cataloguePath(std::string_view basePath)
{
    return std::string(basePath) + ".dat";
}

std::string diameterTablePath(std::string_view basePath, std::string_view number)
{
    return std::string(basePath) + "_" + std::string(number) + ".dat";
}

std::string lengthTablePath(std::string_view basePath, std::string_view figureKey)
{
    return std::string(basePath) + "_" + std::string(figureKey) + ".dat";
}

TableRead<CatalogueRecord> readCatalogueRecord(const std::string& file, GostIndexValue index)
{
    return fromFile<CatalogueRecord>(
        file, [&](const TableFile& table) { return readCatalogueRecord(table, file, index); });
}

TableRead<CatalogueRecord> readCatalogueRecord(const TableFile& table, const std::string& file,
                                               GostIndexValue index)
{
    TableRead<CatalogueRecord> result;
    const std::size_t first = recordLines * index;
    // Lines 1 to 4 of the record name the next files; missing ones would name a file that
    // was never meant (BasePath + "_.dat") instead of the damaged catalogue. Line 5 is unused.
    if (table.lineCount() < first + recordLines - 1) {
        result.failure = failureOf(file);
        return result;
    }
    for (const std::size_t n : {first + 2, first + 3}) {
        if (!isPlainFileName(table.line(n))) {
            result.failure =
                TableReadFailure{file, "line " + std::to_string(n + 1) + ", \"" + table.line(n) +
                                           "\", is not a plain file name"};
            return result;
        }
    }
    result.value = {table.line(first), table.line(first + 1), table.line(first + 2),
                    table.line(first + 3)};
    return result;
}

TableRead<std::vector<std::string>> readDiameterList(const std::string& file)
{
    return fromFile<std::vector<std::string>>(
        file, [](const TableFile& table) { return readDiameterList(table); });
}

TableRead<std::vector<std::string>> readDiameterList(const TableFile& table)
{
    TableRead<std::vector<std::string>> result;
    for (std::size_t n = 1; n < table.lineCount(); ++n) {
        result.value.push_back(table.field(n, diamFirst, diamLast));
    }
    return result;
}

TableRead<DiameterRow> readDiameterRow(const std::string& file, std::optional<std::size_t> position)
{
    return fromFile<DiameterRow>(
        file, [&](const TableFile& table) { return readDiameterRow(table, position); });
}

TableRead<DiameterRow> readDiameterRow(const TableFile& table, std::optional<std::size_t> position)
{
    TableRead<DiameterRow> result;
    if (position) {
        const std::size_t n = *position + 1;
        result.value = {table.field(n, b1First, b1Last), table.field(n, pitchFirst, pitchLast),
                        table.field(n, chamferFirst, chamferLast)};
    }
    return result;
}

TableRead<std::vector<std::string>> readLengthList(const std::string& file,
                                                   const std::optional<std::string>& diameterText)
{
    return fromFile<std::vector<std::string>>(
        file, [&](const TableFile& table) { return readLengthList(table, file, diameterText); });
}

TableRead<std::vector<std::string>> readLengthList(const TableFile& table, const std::string& file,
                                                   const std::optional<std::string>& diameterText)
{
    TableRead<std::vector<std::string>> result;
    const std::optional<double> d =
        diameterText ? parseNumber(*diameterText) : std::optional<double>{};
    if (!d) {
        result.failure = failureOf(file);
        return result;
    }
    for (std::size_t n = 1; n < table.lineCount(); ++n) {
        const std::optional<double> rowD = parseNumber(table.field(n, diamFirst, diamLast));
        if (!rowD) {
            result.failure = failureOf(file);
            return result;
        }
        if (*rowD == *d) {
            result.value.push_back(table.field(n, lengthFirst, lengthLast));
        }
        if (*rowD > *d) {
            break;
        }
    }
    return result;
}

TableRead<std::optional<std::string>>
readThreadLength(const std::string& file, const std::optional<std::string>& diameterText,
                 const std::optional<std::string>& lengthText, std::string_view pitchText,
                 StudFamily family)
{
    return fromFile<std::optional<std::string>>(file, [&](const TableFile& table) {
        return readThreadLength(table, file, diameterText, lengthText, pitchText, family);
    });
}

TableRead<std::optional<std::string>> readThreadLength(
    const TableFile& table, const std::string& file, const std::optional<std::string>& diameterText,
    const std::optional<std::string>& lengthText, std::string_view pitchText, StudFamily family)
{
    TableRead<std::optional<std::string>> result;
    if (!diameterText || !lengthText) {
        result.failure = failureOf(file);
        return result;
    }
    const std::optional<double> d = parseNumber(*diameterText);
    const std::optional<double> L = parseNumber(*lengthText);
    if (!d || !L) {
        result.failure = failureOf(file);
        return result;
    }
    for (std::size_t n = 1; n < table.lineCount(); ++n) {
        const std::optional<double> rowD = parseNumber(table.field(n, diamFirst, diamLast));
        const std::optional<double> rowL = parseNumber(table.field(n, lengthFirst, lengthLast));
        if (!rowD || !rowL) {
            result.failure = failureOf(file);
            return result;
        }
        if (*rowD == *d && *rowL == *L) {
            result.value = threadLengthText(table.field(n, threadFirst, threadLast), *rowD, *rowL,
                                            pitchText, family);
            if (!result.value) {
                result.failure = failureOf(file);
            }
            return result;
        }
        if (*rowD > *d) {
            break;
        }
    }
    return result;
}
