#include "export/library_update.h"

#include "drawing/files/atomic_file.h"
#include "export/export_error.h"
#include "model/plain_file_name.h"
#include "model/utf8_path.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace exporter {

namespace {

namespace fs = std::filesystem;

// A file the index names, inside the folder: plain names joined by "/", nothing else.
bool isFileThere(const fs::path& folder, const std::string& relative)
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
    return fs::is_regular_file(folder / utf8Path(relative), error);
}

} // namespace

void removeStaleTemporaries(const std::string& folder, const std::vector<std::string>& subfolders)
{
    std::vector<fs::path> folders{utf8Path(folder)};
    for (const std::string& subfolder : subfolders) {
        folders.push_back(utf8Path(folder) / utf8Path(subfolder));
    }
    for (const fs::path& place : folders) {
        std::error_code error;
        for (fs::directory_iterator entry(place, error), end; !error && entry != end;
             entry.increment(error)) {
            if (entry->is_regular_file(error) &&
                drawing::isTemporaryName(utf8Text(entry->path().filename()))) {
                fs::remove(entry->path(), error);
            }
        }
    }
}

EarlierRows earlierRows(const std::string& folder, const std::set<std::string>& remade,
                        const std::set<std::string>& dxfWritten)
{
    const fs::path root = utf8Path(folder);
    const fs::path file = root / "index.csv";
    std::error_code error;
    if (!fs::exists(file, error)) {
        return {};
    }
    // Not opened unless a regular file: a FIFO would wait for a writer for ever.
    std::ifstream in;
    if (fs::is_regular_file(file, error)) {
        in.open(file, std::ios::binary);
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (!in.is_open() || in.bad()) {
        throw ExportError(ExportFailure::BadRequest,
                          "cannot read the library's index " + utf8Text(file));
    }
    const std::string content = text.str();
    const std::string header = content.substr(0, content.find('\n'));
    if (header.find("part_name") == std::string::npos ||
        header.find("standard") == std::string::npos) {
        throw ExportError(ExportFailure::BadRequest,
                          utf8Text(file) + " is not an index this program writes; move it away "
                                           "or write into another folder");
    }
    EarlierRows earlier;
    for (IndexRow& row : readIndexCsv(content)) {
        if (!row.step.empty() && !isFileThere(root, row.step)) {
            row.step.clear();
            if (remade.count(row.PartName) == 0) {
                continue;
            }
        }
        if (remade.count(row.PartName) != 0) {
            if (!row.dxf.empty() && !isFileThere(root, row.dxf)) {
                row.dxf.clear();
                row.block.clear();
            }
            earlier.remade[row.PartName] = std::move(row);
            continue;
        }
        if (row.PartName.empty()) {
            continue;
        }
        if (dxfWritten.count(row.standard) != 0) {
            row.dxf = row.standard + ".dxf";
            row.block = row.PartName;
        } else if (!row.dxf.empty() && !isFileThere(root, row.dxf)) {
            row.dxf.clear();
            row.block.clear();
        }
        if (!row.step.empty() || !row.dxf.empty()) {
            earlier.kept.push_back(std::move(row));
        }
    }
    return earlier;
}

} // namespace exporter
