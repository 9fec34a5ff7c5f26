#include "export/stud_list.h"

#include "export/export_error.h"
#include "model/dimension_tables.h"
#include "model/number_text.h"
#include "model/utf8_path.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

namespace exporter {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void badRequest(const std::string& message)
{
    throw ExportError(ExportFailure::BadRequest, message);
}

[[noreturn]] void cannotRead(const TableReadFailure& failure)
{
    badRequest("cannot read the table file " + failure.file +
               (failure.reason.empty() ? "" : ": " + failure.reason));
}

template <class T> const T& readOrFail(const TableRead<T>& read)
{
    if (!read.ok()) {
        cannotRead(*read.failure);
    }
    return read.value;
}

bool sameNumber(const std::string& a, const std::string& b)
{
    const auto x = parseNumber(a);
    const auto y = parseNumber(b);
    return x && y && *x == *y;
}

std::string listed(const std::vector<std::string>& items)
{
    std::string text;
    for (const std::string& item : items) {
        text += (text.empty() ? "" : ", ") + item;
    }
    return text;
}

std::optional<std::size_t> positionOf(const std::vector<std::string>& items,
                                      const std::string& wanted)
{
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (sameNumber(items[i], wanted)) {
            return i;
        }
    }
    return std::nullopt;
}

void requireNumber(const std::string& name, const std::string& text)
{
    if (!parseNumber(text)) {
        badRequest(name + " \"" + text + "\" is not a number");
    }
}

// The sizes given for a free stud, by option; the full-thread marker in --b is no number.
std::vector<std::pair<std::string, std::string>> givenSizes(const StudRequest& request,
                                                            StudFamily family)
{
    std::vector<std::pair<std::string, std::string>> given = {{"--d", *request.d},
                                                              {"--l", *request.L}};
    if (*request.b != fullThreadMarker) {
        given.emplace_back("--b", *request.b);
    }
    given.emplace_back("--c", *request.c);
    if (family == StudFamily::ScrewIn && *request.b != fullThreadMarker) {
        given.emplace_back("--b1", *request.b1);
    }
    return given;
}

// The hand-over rules refuse a text that is no number or a zero; the message names which.
void explainRefusal(const StudRequest& request, StudFamily family)
{
    for (const auto& [name, text] : givenSizes(request, family)) {
        requireNumber(name, text);
        if (*parseNumber(text) == 0) {
            badRequest(name + " is zero; a stud needs every dimension");
        }
    }
    badRequest("the free dimensions give a stud too large to draw");
}

Stud freeStud(const StudRequest& request, GostIndexValue index, const std::string& number,
              const std::string& PText)
{
    const StudFamily family = familyOf(index);
    for (const auto& [name, value] : {std::pair{"--b", request.b}, std::pair{"--b1", request.b1},
                                      std::pair{"--c", request.c}}) {
        if (!value && !(family == StudFamily::PlainHole && std::string(name) == "--b1")) {
            badRequest(std::string("--free needs ") + name);
        }
    }
    Stud stud;
    stud.standardIndex = index;
    stud.standard = number;
    stud.dText = *request.d;
    stud.LText = *request.L;
    stud.bText = *request.b;
    // A plain-hole stud has no screw-in end: the window copies b into its hidden b1 field.
    stud.b1Text = family == StudFamily::PlainHole ? *request.b : *request.b1;
    stud.cText = *request.c;
    stud.PText = PText;
    stud.freeDimensions = true;
    // The hand-over rules let a size below zero pass (the window keeps them so); no stud has one.
    for (const auto& [name, text] : givenSizes(request, family)) {
        if (const auto value = parseNumber(text); value && *value < 0) {
            badRequest(name + " is below zero (" + text + "); a stud's sizes are above zero");
        }
    }
    const FieldTexts fields{"", "", stud.dText, stud.LText, stud.bText, stud.b1Text, stud.cText};
    const HandOverResult result = handOver(family, true, fields);
    if (!std::holds_alternative<HandOver>(result)) {
        explainRefusal(request, family);
    }
    stud.numbers = std::get<HandOver>(result);
    return stud;
}

// Every row after the header has its fields, and they are numbers. An empty field in the last
// line is a file cut short; the rows before it would give a library missing the rest.
void checkRows(const TableFile& table, const std::string& file,
               const std::vector<ColumnSpan>& columns)
{
    for (std::size_t n = 1; n < table.lineCount(); ++n) {
        for (const ColumnSpan& column : columns) {
            const std::string text = table.field(n, column.first, column.last);
            if (parseNumber(text)) {
                continue;
            }
            const std::string where =
                "line " + std::to_string(n + 1) + " \"" + table.line(n) + "\"";
            badRequest(text.empty() && n + 1 == table.lineCount()
                           ? "the table file " + file + " ends in the middle of a row: " + where
                           : "the table file " + file + " has a damaged row: " + where);
        }
    }
}

// A length table cut inside its last number still reads as numbers: "48  300 121" cut by three
// bytes gives b 12. The b of a length row never falls as L grows for one d (the standards' thread
// lengths grow by bands of L) and is never longer than L: a last line without a line end whose b
// breaks that is taken for cut. The "0" of the thread-length rule is no length to compare.
std::optional<std::string> cutLengthRow(const TableFile& table)
{
    const auto number = [&](std::size_t n, const ColumnSpan& column) {
        return parseNumber(table.field(n, column.first, column.last)).value_or(0);
    };
    const auto [dColumn, LColumn, bColumn] = lengthRowColumns;
    const std::size_t last = table.lineCount() - 1;
    if (table.field(last, bColumn.first, bColumn.last) == "0") {
        return std::nullopt;
    }
    const double d = number(last, dColumn);
    const double L = number(last, LColumn);
    const double b = number(last, bColumn);
    if (b > L) {
        return "b " + numberText(b) + " is longer than L " + numberText(L);
    }
    std::optional<std::pair<double, double>> before; // the longest b of a shorter L, and its L
    for (std::size_t n = 1; n < last; ++n) {
        if (number(n, dColumn) == d && number(n, LColumn) < L &&
            table.field(n, bColumn.first, bColumn.last) != "0" &&
            (!before || number(n, bColumn) >= before->first)) {
            before = std::pair(number(n, bColumn), number(n, LColumn));
        }
    }
    if (before && b < before->first) {
        return "b " + numberText(b) + " is shorter than the " + numberText(before->first) +
               " of L " + numberText(before->second);
    }
    return std::nullopt;
}

// Why a table file could not be read, where the reader gives no reason: a folder or file that is
// not there, or the system's refusal.
std::string unreadableReason(const std::string& file)
{
    const fs::path path = utf8Path(file);
    std::error_code error;
    const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    if (!fs::is_directory(folder, error)) {
        return "its folder " + utf8Text(folder) + " does not exist";
    }
    errno = 0;
    std::ifstream probe(path, std::ios::binary);
    return errno != 0 ? std::strerror(errno) : "";
}

} // namespace

std::optional<GostIndexValue> standardIndexOf(const std::string& number)
{
    for (const StudStandard& standard : studStandards()) {
        if (standard.number == number) {
            return standard.index;
        }
    }
    return std::nullopt;
}

StudReader::StudReader(std::string basePath) : m_basePath(std::move(basePath)) {}

const TableFile& StudReader::table(const std::string& file)
{
    auto found = m_tables.find(file);
    if (found == m_tables.end()) {
        try {
            found = m_tables.emplace(file, std::make_unique<const TableFile>(utf8Path(file))).first;
        } catch (const TableFileError& error) {
            cannotRead({file, error.reason().empty() ? unreadableReason(file) : error.reason()});
        }
    }
    return *found->second;
}

const TableFile& StudReader::checked(const std::string& file,
                                     const std::vector<ColumnSpan>& columns)
{
    const TableFile& rows = table(file);
    if (!m_checked[file]) {
        checkRows(rows, file, columns);
        if (!rows.lastLineEnded() && rows.lineCount() > 1) {
            const std::string where = "line " + std::to_string(rows.lineCount()) + " \"" +
                                      rows.line(rows.lineCount() - 1) + "\"";
            const bool lengths = columns.size() == std::size(lengthRowColumns);
            if (const auto cut = lengths ? cutLengthRow(rows) : std::nullopt) {
                badRequest("the table file " + file + " ends in the middle of a row: " + where +
                           " (no line end, and " + *cut + ")");
            }
            warn("the table file " + file + " has no line end after its last line, " + where +
                 "; check that the line is whole");
        }
        m_checked[file] = true;
    }
    return rows;
}

void StudReader::warn(const std::string& warning)
{
    if (std::find(m_warnings.begin(), m_warnings.end(), warning) == m_warnings.end()) {
        m_warnings.push_back(warning);
    }
}

std::vector<Stud> StudReader::read(GostIndexValue index, const StudRequest& request)
{
    const std::string catalogue = cataloguePath(m_basePath);
    const TableFile& catalogueTable = table(catalogue);
    TableRead<CatalogueRecord> recordRead = readCatalogueRecord(catalogueTable, catalogue, index);
    if (!recordRead.ok() && recordRead.failure->reason.empty()) {
        // Only a catalogue too short for the standard's record fails without a reason.
        const std::size_t first = 5 * std::size_t{index} + 1;
        const std::size_t lines = catalogueTable.lineCount();
        recordRead.failure->reason =
            lines == 0
                ? "it is empty"
                : "it ends at line " + std::to_string(lines) +
                      (lines < first ? ", before" : ", in the middle of") + " the record of ГОСТ " +
                      std::string(studStandards()[index].number) + " (lines " +
                      std::to_string(first) + " to " + std::to_string(first + 4) + ")";
    }
    const CatalogueRecord record = readOrFail(recordRead);
    const StudFamily family = familyOf(index);
    const std::string title = "ГОСТ " + record.number;
    const std::string diameterFile = diameterTablePath(m_basePath, record.number);
    const std::string lengthFile = lengthTablePath(m_basePath, record.figureKey);
    const TableFile& diameterTable =
        checked(diameterFile, {std::begin(diameterRowColumns), std::end(diameterRowColumns)});
    const std::vector<std::string> diameters = readOrFail(readDiameterList(diameterTable));

    std::vector<std::size_t> positions;
    if (request.d) {
        requireNumber("d", *request.d);
        requireNumber("L", *request.L);
        const auto position = positionOf(diameters, *request.d);
        if (request.free) {
            const std::string PText =
                position ? readOrFail(readDiameterRow(diameterTable, position)).P : "";
            std::vector<Stud> studs{freeStud(request, index, record.number, PText)};
            studs.front().PartName = freePartName(studs.front());
            return studs;
        }
        if (!position) {
            badRequest("d " + *request.d + " is not in the table of " + title + " (" +
                       listed(diameters) + ")");
        }
        positions.push_back(*position);
    } else {
        for (std::size_t i = 0; i < diameters.size(); ++i) {
            if (positionOf(diameters, diameters[i]) == i) {
                positions.push_back(i);
            } else {
                warn("the table file " + diameterFile + " lists d " + diameters[i] +
                     " twice; the first is used");
            }
        }
    }
    const TableFile& lengthTable =
        checked(lengthFile, {std::begin(lengthRowColumns), std::end(lengthRowColumns)});

    std::vector<Stud> studs;
    for (std::size_t position : positions) {
        const std::string& dText = diameters[position];
        const DiameterRow row = readOrFail(readDiameterRow(diameterTable, position));
        const TableRead<std::vector<std::string>> lengthRead =
            readLengthList(lengthTable, lengthFile, std::optional<std::string>(dText));
        std::vector<std::string> lengths;
        for (const std::string& L : readOrFail(lengthRead)) {
            if (!positionOf(lengths, L)) {
                lengths.push_back(L);
            } else {
                warn("the table file " + lengthFile + " lists d " + dText + ", L " + L +
                     " twice; the first is used");
            }
        }
        if (lengths.empty() && !request.L) {
            warn("the table file " + lengthFile + " lists no length for d " + dText + " of " +
                 title);
            continue;
        }
        std::vector<std::string> wanted = lengths;
        if (request.L) {
            const auto L = positionOf(lengths, *request.L);
            if (!L) {
                badRequest("L " + *request.L + " is not among the lengths of d " + dText + " in " +
                           title + " (" + listed(lengths) + ")");
            }
            wanted = {lengths[*L]};
        }
        for (const std::string& LText : wanted) {
            const auto b =
                readOrFail(readThreadLength(lengthTable, lengthFile, dText, LText, row.P, family));
            if (!b) {
                badRequest("no thread length for d " + dText + ", L " + LText + " in " +
                           lengthFile);
            }
            Stud stud;
            stud.standardIndex = index;
            stud.standard = record.number;
            stud.dText = dText;
            stud.LText = LText;
            stud.bText = *b;
            stud.b1Text = family == StudFamily::PlainHole ? *b : row.b1;
            stud.cText = row.c;
            stud.PText = row.P;
            const FieldTexts fields{dText, LText, "", "", stud.bText, stud.b1Text, stud.cText};
            const HandOverResult result = handOver(family, false, fields);
            if (!std::holds_alternative<HandOver>(result)) {
                // A zero L or b is the length table's, any other zero the diameter table's.
                const auto zero = [](const std::string& text) { return parseNumber(text) == 0.0; };
                badRequest("the tables of " + title + " give d " + dText + ", L " + LText +
                           " a dimension that is no number or zero (" +
                           (zero(LText) || zero(stud.bText) ? lengthFile : diameterFile) + ")");
            }
            stud.numbers = std::get<HandOver>(result);
            stud.PartName = partName(dText, LText, record.number);
            studs.push_back(std::move(stud));
        }
    }
    if (studs.empty()) {
        badRequest(diameters.empty()
                       ? "the table file " + diameterFile + " lists no diameter"
                       : "the table file " + lengthFile + " lists no length for any d of " + title);
    }
    return studs;
}

std::vector<Stud> readStuds(const std::string& basePath, GostIndexValue index,
                            const StudRequest& request)
{
    StudReader reader(basePath);
    return reader.read(index, request);
}

std::string freePartName(const Stud& stud)
{
    const HandOver& n = stud.numbers;
    const bool screwIn = familyOf(stud.standardIndex) == StudFamily::ScrewIn;
    const FreeSizes sizes{n.b, screwIn ? std::optional<double>(n.b1) : std::nullopt, n.c};
    return partName(numberText(n.d), numberText(n.L) + freeSizesText(sizes), stud.standard);
}

DesignatedStud designatedStud(const Stud& stud)
{
    return {stud.standard, stud.numbers.d, stud.numbers.L,
            finePitch(stud.numbers.d, parseNumber(stud.PText))};
}

} // namespace exporter
