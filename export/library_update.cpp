#include "export/library_update.h"

#include "drawing/files/atomic_file.h"
#include "export/export_error.h"
#include "export/stud_drawing.h"
#include "model/number_text.h"
#include "model/plain_file_name.h"
#include "model/stud_mass.h"
#include "model/utf8_path.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace exporter {

namespace {

namespace fs = std::filesystem;

bool isStandardNumber(std::string_view text)
{
    return standardIndexOf(std::string(text)).has_value();
}

// The name a temporary file of an interrupted write was made for: "index.csv" of
// "index.csv.tmpA1b2C3"; empty for a name that is no such file's.
std::string_view temporaryTarget(std::string_view name)
{
    return drawing::isTemporaryName(name) ? name.substr(0, name.rfind(".tmp")) : std::string_view();
}

// A file the index names, inside the folder: plain names joined by "/", nothing else.
bool isFileThere(const LibraryFolder& folder, const std::string& relative)
{
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = relative.find('/', start);
        if (!isPlainFileName(relative.substr(start, slash - start))) {
            return false;
        }
        if (slash == std::string::npos) {
            break;
        }
        start = slash + 1;
    }
    std::error_code error;
    return fs::is_regular_file(utf8Path(folder.path(relative)), error);
}

std::string readIndexText(const LibraryFolder& folder)
{
    const std::string shown = folder.shown("index.csv");
    const fs::path file = utf8Path(folder.path("index.csv"));
    std::error_code error;
    // Not opened unless a regular file: a FIFO would wait for a writer for ever.
    if (!fs::is_regular_file(file, error)) {
        throw ExportError(ExportFailure::BadRequest,
                          "cannot read the library's index " + shown + ": not a regular file");
    }
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    const int reason = errno;
    std::ostringstream text;
    text << in.rdbuf();
    if (!in.is_open() || in.bad()) {
        throw ExportError(ExportFailure::BadRequest,
                          "cannot read the library's index " + shown +
                              (reason != 0 ? ": " + std::string(std::strerror(reason)) : ""));
    }
    return text.str();
}

} // namespace

void removeStaleTemporaries(const LibraryFolder& folder, const std::vector<std::string>& standards)
{
    folder.removeFiles("", [](std::string_view name) {
        const std::string_view target = temporaryTarget(name);
        return target == "index.csv" || target == ".quorvel-export-probe" ||
               (target.ends_with(".dxf") && isStandardNumber(target.substr(0, target.size() - 4)));
    });
    for (const std::string& standard : standards) {
        const std::string ending = "_ГОСТ_" + standard + ".step";
        folder.removeFiles(standard, [&](std::string_view name) {
            const std::string_view target = temporaryTarget(name);
            return (target.starts_with("Шпилька_M") && target.ends_with(ending)) ||
                   target == ".quorvel-export-probe";
        });
    }
}

EarlierRows earlierRows(const LibraryFolder& folder, const std::set<std::string>& remade,
                        const std::set<std::string>& dxfWritten, bool dxfAvailable)
{
    folder.refuseForeignLink("index.csv");
    std::error_code error;
    if (!fs::exists(fs::symlink_status(utf8Path(folder.path("index.csv")), error))) {
        return {};
    }
    const std::string shown = folder.shown("index.csv");
    IndexRead read = readIndexCsv(readIndexText(folder));
    if (!read.fault.empty()) {
        throw ExportError(ExportFailure::BadRequest,
                          shown + " is not an index this program writes (" + read.fault +
                              "); move it away or write into another folder");
    }
    EarlierRows earlier;
    std::vector<IndexRow> rows;
    std::map<std::string, std::size_t> lineOf; // of a part name's first row
    for (IndexRow& row : read.rows) {
        if (!row.PartName.empty()) {
            const auto [first, added] = lineOf.emplace(row.PartName, row.line);
            if (!added) {
                earlier.warnings.push_back(shown + " lists " + row.PartName + " twice (lines " +
                                           std::to_string(first->second) + " and " +
                                           std::to_string(row.line) + "); the first is kept");
                continue;
            }
        }
        rows.push_back(std::move(row));
    }

    // A row whose STEP file is gone goes; its block goes with it, in the DXF the run writes or
    // in one it writes for that alone.
    std::vector<bool> stepGone(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const IndexRow& row = rows[i];
        stepGone[i] = !row.step.empty() && !isFileThere(folder, row.step);
        const bool blockLeft = stepGone[i] && remade.count(row.PartName) == 0 &&
                               row.dxf == row.standard + ".dxf" && isFileThere(folder, row.dxf) &&
                               dxfWritten.count(row.standard) == 0;
        if (blockLeft && dxfAvailable && isStandardNumber(row.standard)) {
            earlier.rewritten.insert(row.standard);
        }
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        IndexRow& row = rows[i];
        const bool dxfRewritten =
            dxfWritten.count(row.standard) != 0 || earlier.rewritten.count(row.standard) != 0;
        if (remade.count(row.PartName) != 0) {
            if (stepGone[i]) {
                row.step.clear();
            }
            if (!row.dxf.empty() && !isFileThere(folder, row.dxf)) {
                row.dxf.clear();
                row.block.clear();
            }
            earlier.remade.emplace(row.PartName, std::move(row));
            continue;
        }
        if (stepGone[i]) {
            // Its block stays while its DXF does: the row too, until the DXF is written.
            if (!dxfRewritten && !row.dxf.empty() && isFileThere(folder, row.dxf)) {
                earlier.kept.push_back(std::move(row));
            }
            continue;
        }
        if (dxfRewritten) {
            row.dxf = row.standard + ".dxf"; // the caller draws its block again and names it
        } else if (!row.dxf.empty() && !isFileThere(folder, row.dxf)) {
            row.dxf.clear();
            row.block.clear();
        }
        if (!row.step.empty() || !row.dxf.empty()) {
            earlier.kept.push_back(std::move(row));
        }
    }
    return earlier;
}

std::optional<Stud> studOfRow(const IndexRow& row, GostIndexValue index)
{
    const HandOverResult numbers =
        handOver(familyOf(index), true, {"", "", row.d, row.L, row.b, row.b1, row.c});
    if (!std::holds_alternative<HandOver>(numbers)) {
        return std::nullopt;
    }
    Stud stud;
    stud.standardIndex = index;
    stud.standard = row.standard;
    stud.PartName = row.PartName;
    stud.PText = row.P;
    stud.numbers = std::get<HandOver>(numbers);
    // A stud of free dimensions is told by its part name or its block's name, which carry its b,
    // b1 and c; a library written before blocks were named so named them by part name, and its
    // studs are taken for table studs.
    stud.freeDimensions = true;
    stud.freeDimensions = studBlock(storedStudOf(stud), familyOf(index)).name == row.block ||
                          freePartName(stud) == row.PartName;
    return stud;
}

bool filesAreTheExporters(const IndexRow& row)
{
    return isStandardNumber(row.standard) && isPlainFileName(row.PartName) &&
           (row.step.empty() || row.step == row.standard + "/" + row.PartName + ".step") &&
           (row.dxf.empty() || row.dxf == row.standard + ".dxf");
}

std::string keptPieceMass(const IndexRow& row)
{
    const std::optional<double> kg1000 = parseNumber(row.massKg1000);
    return kg1000 && std::isfinite(*kg1000) && *kg1000 > 0 ? pieceMassText(*kg1000) : "";
}

} // namespace exporter
