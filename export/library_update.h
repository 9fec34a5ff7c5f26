#pragma once
// A run into a folder that already holds a library adds to it instead of replacing it: the
// index keeps the studs of earlier runs whose files are still there, and what a run killed in the
// middle of a write left behind is cleared away. Call these with the folder locked (FolderLock).

#include "export/index_csv.h"
#include "export/library_folder.h"
#include "export/stud_list.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace exporter {

// Removes the temporary files that this program's interrupted writes left (drawing/files/
// atomic_file.h): in the folder those of the index, the standards' DXF files and the probe; in the
// standards' folders given (opened ones) those of the studs' STEP files and the probe. Only the
// running user's files, and only names this program makes: another program's temporary files
// stay.
void removeStaleTemporaries(const LibraryFolder& folder, const std::vector<std::string>& standards);

// The rows of the folder's index.csv, as a run takes them over. A row listed twice (by part name)
// is kept once, with a warning. kept: those of the studs it does not make again (by part name)
// whose STEP file, when one is listed, is still there, and which still have a file at all (their
// STEP file, or a DXF that is there or that this run writes); a DXF that is gone is struck from
// its rows. A row goes with its STEP file: when its block is in a DXF this run would not write,
// the standard is in rewritten, for the run to write that DXF without the block (dxfAvailable),
// or else the row stays as it is until its DXF is written. remade: the rows of the studs it makes
// again, with only the files that are still there, for what the run does not write anew. No
// index: no rows. Throws ExportError (BadRequest) for an index.csv that cannot be read or is not
// one this program can take over, rather than replace it.
struct EarlierRows {
    std::vector<IndexRow> kept;
    std::map<std::string, IndexRow> remade; // by part name
    std::set<std::string> rewritten;        // standards' numbers
    std::vector<std::string> warnings;
};
[[nodiscard]] EarlierRows earlierRows(const LibraryFolder& folder,
                                      const std::set<std::string>& remade,
                                      const std::set<std::string>& dxfWritten, bool dxfAvailable);

// The stud an earlier index row stands for, to draw its DXF block again; none when its numbers
// make none.
[[nodiscard]] std::optional<Stud> studOfRow(const IndexRow& row, GostIndexValue index);

// Whether the row's files are those this program writes for it: its STEP file under its part name
// in its standard's folder, its standard's DXF. A kept row whose block cannot be drawn stays in
// the index only then.
[[nodiscard]] bool filesAreTheExporters(const IndexRow& row);

// The MASS text of a kept stud's block: the mass of one stud from its row's mass of 1000, so that
// the block agrees with its row whatever material the run is asked for; empty without one.
[[nodiscard]] std::string keptPieceMass(const IndexRow& row);

} // namespace exporter
