#pragma once
// A run into a folder that already holds a library adds to it instead of replacing it: the
// index keeps the studs of earlier runs whose files are still there, and what a run killed in the
// middle of a write left behind is cleared away. Call these with the folder locked (FolderLock).

#include "export/index_csv.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace exporter {

// Removes the temporary files of interrupted writes (drawing/files/atomic_file.h) from the folder
// and from those of its subfolders named (the standards' STEP folders); nothing else.
void removeStaleTemporaries(const std::string& folder, const std::vector<std::string>& subfolders);

// The rows of the folder's index.csv, as a run takes them over. kept: those of the studs it does
// not make again (by part name) whose STEP file, when one is listed, is still there, and which
// still have a file at all (their STEP file, or a DXF that is there or that this run writes);
// a DXF that is gone is struck from its rows. remade: the rows of the studs it makes again, with
// only the files that are still there, for what the run does not write anew. No index: no rows.
// Throws ExportError (BadRequest) for an index.csv that cannot be read or is not one this
// program writes, rather than replace it.
struct EarlierRows {
    std::vector<IndexRow> kept;
    std::map<std::string, IndexRow> remade; // by part name
};
[[nodiscard]] EarlierRows earlierRows(const std::string& folder,
                                      const std::set<std::string>& remade,
                                      const std::set<std::string>& dxfWritten);

} // namespace exporter
