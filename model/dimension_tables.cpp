#include "model/dimension_tables.h"

#include "model/number_text.h"
#include "model/plain_file_name.h"
#include "model/stud_dimensions.h"
#include "model/table_file.h"
#include "model/utf8_path.h"

namespace {

// Diameter table columns.
constexpr std::size_t diamFirst = 1, diamLast = 3;
constexpr std::size_t b1First = 5, b1Last = 8;
constexpr std::size_t pitchFirst = 11, pitchLast = 14;
constexpr std::size_t chamferFirst = 17, chamferLast = 19;
// Length table columns.
constexpr std::size_t lengthFirst = 5, lengthLast = 7;
constexpr std::size_t threadFirst = 9, threadLast = 11;

constexpr std::size_t recordLines = 5;

TableReadFailure failureOf(const std::string& file)
{
    return TableReadFailure{file, ""};
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
    TableRead<CatalogueRecord> result;
    try {
        const TableFile table(utf8Path(file));
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
                    TableReadFailure{file, "line " + std::to_string(n + 1) + ", \"" +
                                               table.line(n) + "\", is not a plain file name"};
                return result;
            }
        }
        result.value = {table.line(first), table.line(first + 1), table.line(first + 2),
                        table.line(first + 3)};
    } catch (const TableFileError&) {
        result.failure = failureOf(file);
    }
    return result;
}

TableRead<std::vector<std::string>> readDiameterList(const std::string& file)
{
    TableRead<std::vector<std::string>> result;
    try {
        const TableFile table(utf8Path(file));
        for (std::size_t n = 1; n < table.lineCount(); ++n) {
            result.value.push_back(table.field(n, diamFirst, diamLast));
        }
    } catch (const TableFileError&) {
        result.failure = failureOf(file);
    }
    return result;
}

TableRead<DiameterRow> readDiameterRow(const std::string& file, std::optional<std::size_t> position)
{
    TableRead<DiameterRow> result;
    try {
        const TableFile table(utf8Path(file));
        if (position) {
            const std::size_t n = *position + 1;
            result.value = {table.field(n, b1First, b1Last), table.field(n, pitchFirst, pitchLast),
                            table.field(n, chamferFirst, chamferLast)};
        }
    } catch (const TableFileError&) {
        result.failure = failureOf(file);
    }
    return result;
}

TableRead<std::vector<std::string>> readLengthList(const std::string& file,
                                                   const std::optional<std::string>& diameterText)
{
    TableRead<std::vector<std::string>> result;
    try {
        const TableFile table(utf8Path(file));
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
    } catch (const TableFileError&) {
        result.failure = failureOf(file);
    }
    return result;
}

TableRead<std::optional<std::string>>
readThreadLength(const std::string& file, const std::optional<std::string>& diameterText,
                 const std::optional<std::string>& lengthText, std::string_view pitchText,
                 StudFamily family)
{
    TableRead<std::optional<std::string>> result;
    try {
        const TableFile table(utf8Path(file));
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
                result.value = threadLengthText(table.field(n, threadFirst, threadLast), *rowD,
                                                *rowL, pitchText, family);
                if (!result.value) {
                    result.failure = failureOf(file);
                }
                return result;
            }
            if (*rowD > *d) {
                break;
            }
        }
    } catch (const TableFileError&) {
        result.failure = failureOf(file);
    }
    return result;
}
