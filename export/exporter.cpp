#include "export/exporter.h"

#include "drawing/files/atomic_file.h"
#include "drawing/files/step_export.h"
#include "export/export_error.h"
#include "export/folder_lock.h"
#include "export/index_csv.h"
#include "export/interrupt_watch.h"
#include "export/job_pool.h"
#include "export/library_folder.h"
#include "export/library_update.h"
#include "export/message_text.h"
#include "export/progress.h"
#include "export/stud_drawing.h"
#include "model/layer_name.h"
#include "model/number_text.h"
#include "model/stud_mass.h"
#include "model/utf8_path.h"
#include "ui/settings_file.h"

#ifdef QUORVEL_EXPORT_DXF
#include "drawing/files/dxf_export.h"
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <thread>
#include <tuple>

namespace exporter {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void fail(ExportFailure kind, const std::string& message)
{
    throw ExportError(kind, message);
}

std::string joined(const std::string& folder, const std::string& name)
{
    return utf8Text(utf8Path(folder) / utf8Path(name));
}

std::vector<GostIndexValue> standardsOf(const std::string& standard)
{
    if (standard == "all") {
        std::vector<GostIndexValue> all;
        for (const StudStandard& entry : studStandards()) {
            all.push_back(entry.index);
        }
        return all;
    }
    const auto index = standardIndexOf(standard);
    if (!index) {
        fail(ExportFailure::BadRequest,
             "unknown standard \"" + standard + "\" (22032-76 to 22043-76, or all)");
    }
    return {*index};
}

// The folder ("" or a standard's) takes new files. With the output folder locked: another run
// clears temporary files away under its lock, the probe's among them.
void requireWritable(const LibraryFolder& library, const std::string& folder)
{
    const std::string probe =
        folder.empty() ? ".quorvel-export-probe" : folder + "/.quorvel-export-probe";
    std::error_code error;
    const bool writable =
        drawing::writeFileAtomically(library.path(probe), [](const std::string& temp) {
            return std::ofstream(utf8Path(temp)).good();
        });
    const int reason = errno;
    fs::remove(utf8Path(library.path(probe)), error);
    if (!writable) {
        fail(ExportFailure::BadRequest,
             "cannot write into the output folder " +
                 (folder.empty() ? library.shown() : library.shown(folder)) +
                 (reason != 0 ? ": " + std::string(std::strerror(reason)) : ""));
    }
}

std::string numberOrEmpty(const std::string& text)
{
    const auto value = parseNumber(text);
    return value ? numberText(*value) : "";
}

// The mass of 1000 studs as the standards' appendix gives it; empty when the stud's pitch is not
// known (a free d that is not in the table).
std::string massText(const Stud& stud, Material material)
{
    const std::optional<double> P = parseNumber(stud.PText);
    const std::optional<double> mass =
        P ? massOf1000Kg(massSizes(familyOf(stud.standardIndex), stud.numbers, *P), material)
          : std::nullopt;
    return mass ? massText1000(*mass) : "";
}

// The studs of one standard laid out for its DXF: each block is drawn at the origin along +x;
// a column per L, as wide as its longest stud (axis overhang included), so that equal lengths
// stand one above the other; a row per d, as high as the d.
std::vector<drawing::Vec2> gridPlaces(const std::vector<const Stud*>& studs)
{
    constexpr double gap = 10;
    std::map<double, double> widths;
    std::map<double, double> heights;
    for (const Stud* stud : studs) {
        const HandOver& n = stud->numbers;
        widths[n.L] = std::max(widths[n.L], n.overallLength + 2 * n.c);
        heights[n.d] = std::max(heights[n.d], n.d);
    }
    std::map<double, double> left;
    double x = 0;
    for (const auto& [L, width] : widths) {
        left[L] = x;
        x += width + gap;
    }
    std::map<double, double> middle;
    double y = 0;
    for (const auto& [d, height] : heights) {
        middle[d] = y - height / 2;
        y -= height + gap;
    }
    std::vector<drawing::Vec2> places;
    for (const Stud* stud : studs) {
        places.push_back({left[stud->numbers.L] + stud->numbers.c, middle[stud->numbers.d]});
    }
    return places;
}

// The name of the block the stud's DXF holds, as the window names a placed stud.
std::string blockNameOf(const Stud& stud)
{
    return studBlock(storedStudOf(stud), familyOf(stud.standardIndex)).name;
}

// Index rows by standard, then d and L as numbers.
bool indexOrder(const IndexRow& a, const IndexRow& b)
{
    const auto number = [](const std::string& text) { return parseNumber(text).value_or(0); };
    return std::make_tuple(a.standard, number(a.d), number(a.L)) <
           std::make_tuple(b.standard, number(b.d), number(b.L));
}

struct StandardFiles {
    std::string standard;
    std::string dxf; // relative to the output folder
    std::vector<const Stud*> studs;
};

// The files a run makes that were not there before it: a run that fails removes them again, so
// that it leaves no file its index does not list. An interrupted run keeps them, whole.
class AddedFiles {
  public:
    AddedFiles() = default;
    AddedFiles(const AddedFiles&) = delete;
    AddedFiles& operator=(const AddedFiles&) = delete;
    ~AddedFiles()
    {
        std::error_code error;
        for (const std::string& file : m_new) {
            fs::remove(utf8Path(file), error);
        }
    }
    // Before the file is written.
    void note(const std::string& file)
    {
        std::error_code error;
        if (!fs::exists(fs::symlink_status(utf8Path(file), error))) {
            m_new.push_back(file);
        }
    }
    void keep() { m_new.clear(); }

  private:
    std::vector<std::string> m_new;
};

int interrupted(const RunPlaces& places, std::size_t stepWritten, std::size_t dxfWritten = 0)
{
    if (dxfWritten == 0) {
        std::fprintf(places.err,
                     "quorvel-export: interrupted; %zu whole STEP files written, no DXF or index\n",
                     stepWritten);
    } else {
        std::fprintf(places.err,
                     "quorvel-export: interrupted; %zu whole STEP files and %zu whole DXF files "
                     "written, no index\n",
                     stepWritten, dxfWritten);
    }
    return 128 + interruptSignal();
}

} // namespace

int runExport(const ExportOptions& options, const RunPlaces& places)
{
    const auto start = std::chrono::steady_clock::now();
    const std::string basePath =
        options.data ? joined(*options.data, "quorvel") : joined(places.programFolder, "quorvel");
    const std::string settings = settingsPath(joined(places.programFolder, "quorvel"));
    const LayerNames layers = options.layers ? *options.layers : readSettings(settings).layers;
    // Whether a DXF may be written when the run is not asked for one: to take a block out of it
    // whose row went with its STEP file.
    bool dxfAvailable = true;
    if (!options.layers) {
        for (const auto& [key, name] :
             {std::pair{"Основной", layers.LayerMain}, std::pair{"Тонкий", layers.LayerThin},
              std::pair{"Осевой", layers.LayerAxis}}) {
            if (const auto fault = layerNameFault(name); fault && options.dxf) {
                fail(ExportFailure::BadRequest,
                     "the settings file " + settings + ": the layer name \"" + name + "\" of " +
                         key + " " + *fault + ", which DXF readers refuse (or give --layers)");
            } else if (fault) {
                dxfAvailable = false;
            }
        }
    }
    bool step = options.step;
    if (step && !drawing::stepExportAvailable()) {
        if (!options.dxf) {
            fail(ExportFailure::BadRequest,
                 "STEP is not available in this build (no Open CASCADE); use --format dxf");
        }
        std::fprintf(places.err, "quorvel-export: STEP is not available in this build (no Open "
                                 "CASCADE); writing DXF and the index\n");
        step = false;
    }
#ifndef QUORVEL_EXPORT_DXF
    if (options.dxf) {
        fail(ExportFailure::BadRequest, "DXF is not available in this build (no dxflib)");
    }
    dxfAvailable = false;
#endif

    std::vector<Stud> studs;
    StudReader reader(basePath);
    for (GostIndexValue index : standardsOf(options.standard)) {
        std::vector<Stud> read = reader.read(index, options.stud);
        studs.insert(studs.end(), std::make_move_iterator(read.begin()),
                     std::make_move_iterator(read.end()));
    }
    for (const std::string& warning : reader.warnings()) {
        std::fprintf(places.err, "quorvel-export: warning: %s\n", printable(warning).c_str());
    }
    std::vector<std::string> designations;
    std::vector<std::string> stepFiles; // relative
    for (const Stud& stud : studs) {
        designations.push_back(designation(designatedStud(stud), options.propertyClass));
        stepFiles.push_back(step ? stud.standard + "/" + stud.PartName + ".step" : "");
    }
    std::vector<StandardFiles> standards;
    for (const Stud& stud : studs) {
        if (standards.empty() || standards.back().standard != stud.standard) {
            standards.push_back({stud.standard, options.dxf ? stud.standard + ".dxf" : "", {}});
        }
        standards.back().studs.push_back(&stud);
    }

    LibraryFolder folder(options.out);
    const FolderLock lock(folder, [&] {
        std::fprintf(places.err, "quorvel-export: waiting for the other export into %s to end\n",
                     printable(options.out).c_str());
    });
    requireWritable(folder, "");
    for (const StudStandard& entry : studStandards()) {
        folder.refuseForeignLink(std::string(entry.number));
        folder.refuseForeignLink(std::string(entry.number) + ".dxf");
    }
    std::vector<std::string> standardFolders; // those the run writes STEP files into
    if (step) {
        for (const StandardFiles& entry : standards) {
            folder.openSubfolder(entry.standard);
            requireWritable(folder, entry.standard);
            standardFolders.push_back(entry.standard);
        }
    }
    removeStaleTemporaries(folder, standardFolders);

    // What earlier runs put into the folder stays, but for the studs this run makes again; the
    // DXF files this run writes get the kept studs' blocks too, drawn again from their numbers.
    std::set<std::string> remade;
    for (const Stud& stud : studs) {
        remade.insert(stud.PartName);
    }
    std::set<std::string> dxfWritten;
    for (const StandardFiles& entry : standards) {
        if (options.dxf) {
            dxfWritten.insert(entry.standard);
        }
    }
    EarlierRows earlier = earlierRows(folder, remade, dxfWritten, dxfAvailable);
    for (const std::string& warning : earlier.warnings) {
        std::fprintf(places.err, "quorvel-export: warning: %s\n", printable(warning).c_str());
    }
    // A DXF written again to take a block out holds the blocks of all its rows, this run's too.
    for (const std::string& standard : earlier.rewritten) {
        const auto entry = std::find_if(standards.begin(), standards.end(),
                                        [&](const auto& e) { return e.standard == standard; });
        if (entry == standards.end()) {
            standards.push_back({standard, standard + ".dxf", {}});
        } else {
            entry->dxf = standard + ".dxf";
        }
        dxfWritten.insert(standard);
    }
    std::vector<IndexRow>& kept = earlier.kept;
    std::vector<Stud> keptStuds;
    std::vector<std::size_t> keptRowOf; // of each kept stud, its row in kept
    std::set<std::size_t> leftOut;      // kept rows dropped from the rewrite
    // A kept row whose block cannot be drawn stays in the index without it, if its files are
    // this program's; a row of files that are not is left out.
    const auto withoutBlock = [&](std::size_t k, const std::string& reason) {
        IndexRow& row = kept[k];
        const bool ours = filesAreTheExporters(row);
        std::fprintf(places.err,
                     "quorvel-export: warning: %s, line %zu: the row of %s gives no block (%s); "
                     "%s\n",
                     printable(folder.shown("index.csv")).c_str(), row.line,
                     printable(row.PartName).c_str(), printable(reason).c_str(),
                     ours ? "the row is kept without it"
                          : "the row is left out, as its files are not this program's");
        if (ours) {
            row.dxf.clear();
            row.block.clear();
        } else {
            leftOut.insert(k);
        }
    };
    keptStuds.reserve(kept.size());
    for (std::size_t k = 0; k < kept.size(); ++k) {
        IndexRow& row = kept[k];
        if (dxfWritten.count(row.standard) == 0) {
            continue;
        }
        if (const std::optional<Stud> stud = studOfRow(row, *standardIndexOf(row.standard))) {
            keptStuds.push_back(*stud);
            keptRowOf.push_back(k);
            row.block = blockNameOf(*stud);
        } else {
            withoutBlock(k, "its sizes make no stud");
        }
    }
    for (const Stud& stud : keptStuds) {
        for (StandardFiles& entry : standards) {
            if (entry.standard == stud.standard) {
                entry.studs.push_back(&stud);
            }
        }
    }
    for (StandardFiles& entry : standards) {
        std::stable_sort(entry.studs.begin(), entry.studs.end(), [](const Stud* a, const Stud* b) {
            return std::pair(a->numbers.d, a->numbers.L) < std::pair(b->numbers.d, b->numbers.L);
        });
    }
    // The block of a stud: a new one's from the run's designation and material, a kept one's from
    // its row, so that each block agrees with its row.
    [[maybe_unused]] const auto blockOf = [&](const Stud& stud) {
        if (&stud >= studs.data() && &stud < studs.data() + studs.size()) {
            return libraryBlock(stud, designations[&stud - studs.data()], options.material);
        }
        const IndexRow& row = kept[keptRowOf[&stud - keptStuds.data()]];
        StudBlock block = libraryBlock(stud, row.designation, options.material);
        for (StudAttribute& attribute : block.attributes) {
            if (attribute.tag == "MASS") {
                attribute.value = keptPieceMass(row);
            }
        }
        return block;
    };
    watchInterrupts();

    // The 2D views first: they are quick, and a refusal shows before the long part.
#ifdef QUORVEL_EXPORT_DXF
    std::vector<std::vector<drawing::DxfBlock>> blocks(standards.size());
    std::vector<std::vector<drawing::Layer>> blockLayers(standards.size());
    if (!dxfWritten.empty()) {
        for (std::size_t s = 0; s < standards.size(); ++s) {
            if (standards[s].dxf.empty()) {
                continue;
            }
            ViewDrawer drawer(layers);
            const std::vector<drawing::Vec2> grid = gridPlaces(standards[s].studs);
            std::set<std::string> named;
            for (std::size_t i = 0; i < standards[s].studs.size(); ++i) {
                const Stud& stud = *standards[s].studs[i];
                std::optional<StudView> view;
                try {
                    view = drawer.draw(stud, blockOf(stud));
                } catch (const ExportError& error) {
                    if (&stud < keptStuds.data() || &stud >= keptStuds.data() + keptStuds.size()) {
                        throw;
                    }
                    withoutBlock(keptRowOf[&stud - keptStuds.data()], error.what());
                    continue;
                }
                // Studs of one size share one block, as in a drawing.
                if (!named.insert(view->name).second) {
                    continue;
                }
                blocks[s].push_back({std::move(view->name), std::move(view->polylines),
                                     std::move(view->lines), grid[i], std::move(view->attributes),
                                     std::move(view->values), std::move(view->data)});
            }
            blockLayers[s] = drawer.layers();
            if (interruptSignal() != 0) {
                return interrupted(places, 0);
            }
        }
    }
#endif

    // The index is written before any other file, to be put in place when they are: a run that
    // cannot write it changes nothing, and one that fails later leaves the index as it was.
    std::map<std::string, std::string> dxfOf;
    for (const StandardFiles& entry : standards) {
        dxfOf[entry.standard] = entry.dxf;
    }
    std::vector<IndexRow> rows;
    for (std::size_t i = 0; i < studs.size(); ++i) {
        const Stud& stud = studs[i];
        const HandOver& n = stud.numbers;
        rows.push_back({designations[i], stud.PartName, stud.standard, numberText(n.d),
                        numberText(n.L), numberText(n.b), numberText(n.b1), numberText(n.c),
                        numberOrEmpty(stud.PText), massText(stud, options.material),
                        std::string(materialEntry(options.material).name), stepFiles[i],
                        dxfOf[stud.standard],
                        dxfOf[stud.standard].empty() ? "" : blockNameOf(stud)});
        // A file of the stud that this run does not write anew stays listed while it is there.
        if (const auto before = earlier.remade.find(stud.PartName);
            before != earlier.remade.end()) {
            if (rows.back().step.empty()) {
                rows.back().step = before->second.step;
            }
            if (rows.back().dxf.empty()) {
                rows.back().dxf = before->second.dxf;
                rows.back().block = before->second.block;
            }
        }
    }
    for (std::size_t k = 0; k < kept.size(); ++k) {
        if (leftOut.count(k) == 0) {
            rows.push_back(kept[k]);
        }
    }
    std::stable_sort(rows.begin(), rows.end(), indexOrder);
    drawing::PendingFile index;
    if (!index.write(folder.path("index.csv"), indexCsv(rows))) {
        fail(ExportFailure::Failed, drawing::cannotWriteText(folder.shown("index.csv")));
    }
    AddedFiles added;

    std::size_t stepWritten = 0;
    if (step) {
        for (const std::string& file : stepFiles) {
            added.note(folder.path(file));
        }
        const unsigned jobs =
            options.jobs != 0 ? options.jobs : std::max(1u, std::thread::hardware_concurrency());
        Progress progress(studs.size(), places.terminal, places.err);
        std::size_t done = 0;
        std::optional<std::string> failure;
        const PoolEnd end = runJobs(
            studs.size(), jobs,
            [&](std::size_t i) -> JobOutcome {
                exportSolid(studs[i], designations[i], folder.path(stepFiles[i]));
                return {true, ""};
            },
            [&](std::size_t, const JobOutcome& outcome) {
                if (!outcome.ok) {
                    failure = folder.shownText(outcome.text);
                    return false;
                }
                ++stepWritten;
                progress.done(++done);
                return true;
            },
            [] { return interruptSignal() != 0; }, [&] { progress.tick(); },
            [] { return interruptCount() > 1; });
        progress.end();
        if (end == PoolEnd::Abandoned) {
            removeStaleTemporaries(folder, standardFolders); // the abandoned studs' files
            added.keep();
            return interrupted(places, stepWritten);
        }
        if (failure) {
            fail(ExportFailure::Failed, *failure);
        }
        if (end == PoolEnd::Stopped) {
            added.keep();
            return interrupted(places, stepWritten);
        }
    }

    std::size_t files = stepWritten;
    std::size_t dxfFiles = 0;
#ifdef QUORVEL_EXPORT_DXF
    for (std::size_t s = 0; s < standards.size(); ++s) {
        if (standards[s].dxf.empty()) {
            continue;
        }
        if (interruptSignal() != 0) {
            added.keep();
            return interrupted(places, stepWritten, dxfFiles);
        }
        const std::string file = folder.path(standards[s].dxf);
        added.note(file);
        errno = 0; // a coordinate beyond the limit fails without a system reason
        if (!drawing::saveDxfLibrary(blockLayers[s], blocks[s], file)) {
            fail(ExportFailure::Failed, drawing::cannotWriteText(folder.shown(standards[s].dxf)));
        }
        ++files;
        ++dxfFiles;
    }
#endif
    if (interruptSignal() != 0) {
        added.keep();
        return interrupted(places, stepWritten, dxfFiles);
    }
    if (!index.commit()) {
        fail(ExportFailure::Failed, drawing::cannotWriteText(folder.shown("index.csv")));
    }
    added.keep();
    ++files;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(places.err, "%zu %s, %zu %s, %.1f s\n", studs.size(),
                 studs.size() == 1 ? "stud" : "studs", files, files == 1 ? "file" : "files",
                 seconds);
    return 0;
}

} // namespace exporter
