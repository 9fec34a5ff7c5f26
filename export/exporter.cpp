#include "export/exporter.h"

#include "drawing/files/atomic_file.h"
#include "drawing/files/step_export.h"
#include "export/export_error.h"
#include "export/folder_lock.h"
#include "export/index_csv.h"
#include "export/interrupt_watch.h"
#include "export/job_pool.h"
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

// The folder exists (it is made when missing) and is a folder.
void makeFolder(const std::string& folder)
{
    const fs::path path = utf8Path(folder);
    std::error_code error;
    if (fs::exists(path, error) && !fs::is_directory(path, error)) {
        fail(ExportFailure::BadRequest, "the output path is not a folder: " + folder);
    }
    fs::create_directories(path, error);
    if (error) {
        fail(ExportFailure::BadRequest,
             "cannot make the output folder " + folder + ": " + error.message());
    }
}

// The folder takes new files. With the output folder locked: another run clears temporary files
// away under its lock, the probe's among them.
void requireWritable(const std::string& folder)
{
    std::error_code error;
    const bool writable = drawing::writeFileAtomically(
        joined(folder, ".quorvel-export-probe"),
        [](const std::string& temp) { return std::ofstream(utf8Path(temp)).good(); });
    const int reason = errno;
    fs::remove(utf8Path(joined(folder, ".quorvel-export-probe")), error);
    if (!writable) {
        fail(ExportFailure::BadRequest,
             "cannot write into the output folder " + folder +
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

// The stud an earlier index row stands for, to draw its DXF block again; none when its numbers
// make none.
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
    stud.numbers = std::get<HandOver>(numbers);
    return stud;
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

void writeText(const std::string& file, const std::string& text)
{
    const bool written = drawing::writeFileAtomically(file, [&](const std::string& temp) {
        std::ofstream out(utf8Path(temp), std::ios::binary);
        out << text;
        out.close();
        return out.good();
    });
    if (!written) {
        fail(ExportFailure::Failed, drawing::cannotWriteText(file));
    }
}

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
    if (options.dxf && !options.layers) {
        for (const auto& [key, name] :
             {std::pair{"Основной", layers.LayerMain}, std::pair{"Тонкий", layers.LayerThin},
              std::pair{"Осевой", layers.LayerAxis}}) {
            if (const auto fault = layerNameFault(name)) {
                fail(ExportFailure::BadRequest,
                     "the settings file " + settings + ": the layer name \"" + name + "\" of " +
                         key + " " + *fault + ", which DXF readers refuse (or give --layers)");
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

    makeFolder(options.out);
    const FolderLock lock(options.out, [&] {
        std::fprintf(places.err, "quorvel-export: waiting for the other export into %s to end\n",
                     printable(options.out).c_str());
    });
    requireWritable(options.out);
    std::vector<std::string> standardFolders;
    for (const StudStandard& entry : studStandards()) {
        standardFolders.emplace_back(entry.number);
    }
    for (const StandardFiles& entry : standards) {
        standardFolders.push_back(entry.standard);
    }
    removeStaleTemporaries(options.out, standardFolders);
    if (step) {
        for (const StandardFiles& entry : standards) {
            makeFolder(joined(options.out, entry.standard));
            requireWritable(joined(options.out, entry.standard));
        }
    }

    // What earlier runs put into the folder stays, but for the studs this run makes again; the
    // DXF files this run writes get the kept studs' blocks too, drawn again from their numbers.
    std::set<std::string> remade;
    for (const Stud& stud : studs) {
        remade.insert(stud.PartName);
    }
    std::set<std::string> dxfWritten;
    std::map<std::string, GostIndexValue> indexOf;
    for (const StandardFiles& entry : standards) {
        if (options.dxf) {
            dxfWritten.insert(entry.standard);
        }
        indexOf[entry.standard] = entry.studs.front()->standardIndex;
    }
    EarlierRows earlier = earlierRows(options.out, remade, dxfWritten);
    std::vector<IndexRow>& kept = earlier.kept;
    std::vector<Stud> keptStuds;
    for (auto row = kept.begin(); row != kept.end();) {
        if (dxfWritten.count(row->standard) == 0) {
            ++row;
        } else if (const std::optional<Stud> stud = studOfRow(*row, indexOf[row->standard])) {
            keptStuds.push_back(*stud);
            ++row;
        } else {
            std::fprintf(places.err,
                         "quorvel-export: warning: %s in the earlier index has no "
                         "stud's numbers; left out\n",
                         printable(row->PartName).c_str());
            row = kept.erase(row);
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
    watchInterrupts();

    // The 2D views first: they are quick, and a refusal shows before the long part.
#ifdef QUORVEL_EXPORT_DXF
    std::vector<std::vector<drawing::DxfBlock>> blocks(standards.size());
    std::vector<std::vector<drawing::Layer>> blockLayers(standards.size());
    if (options.dxf) {
        for (std::size_t s = 0; s < standards.size(); ++s) {
            ViewDrawer drawer(layers);
            const std::vector<drawing::Vec2> grid = gridPlaces(standards[s].studs);
            for (std::size_t i = 0; i < standards[s].studs.size(); ++i) {
                const Stud& stud = *standards[s].studs[i];
                StudView view = drawer.draw(stud);
                blocks[s].push_back(
                    {stud.PartName, std::move(view.polylines), std::move(view.lines), grid[i]});
            }
            blockLayers[s] = drawer.layers();
            if (interruptSignal() != 0) {
                return interrupted(places, 0);
            }
        }
    }
#endif

    std::size_t stepWritten = 0;
    if (step) {
        const unsigned jobs =
            options.jobs != 0 ? options.jobs : std::max(1u, std::thread::hardware_concurrency());
        Progress progress(studs.size(), places.terminal, places.err);
        std::size_t done = 0;
        std::optional<std::string> failure;
        const PoolEnd end = runJobs(
            studs.size(), jobs,
            [&](std::size_t i) -> JobOutcome {
                exportSolid(studs[i], designations[i], joined(options.out, stepFiles[i]));
                return {true, ""};
            },
            [&](std::size_t, const JobOutcome& outcome) {
                if (!outcome.ok) {
                    failure = outcome.text;
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
            removeStaleTemporaries(options.out, standardFolders); // the abandoned studs' files
            return interrupted(places, stepWritten);
        }
        if (failure) {
            fail(ExportFailure::Failed, *failure);
        }
        if (end == PoolEnd::Stopped) {
            return interrupted(places, stepWritten);
        }
    }

    std::size_t files = stepWritten;
#ifdef QUORVEL_EXPORT_DXF
    for (std::size_t s = 0; s < standards.size() && options.dxf; ++s) {
        if (interruptSignal() != 0) {
            return interrupted(places, stepWritten, s);
        }
        const std::string file = joined(options.out, standards[s].dxf);
        errno = 0; // a coordinate beyond the limit fails without a system reason
        if (!drawing::saveDxfLibrary(blockLayers[s], blocks[s], file)) {
            fail(ExportFailure::Failed, drawing::cannotWriteText(file));
        }
        ++files;
    }
#endif
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
                        dxfOf[stud.standard], options.dxf ? stud.PartName : ""});
        // A file of the stud that this run does not write anew stays listed while it is there.
        if (const auto before = earlier.remade.find(stud.PartName);
            before != earlier.remade.end()) {
            if (rows.back().step.empty()) {
                rows.back().step = before->second.step;
            }
            if (!options.dxf) {
                rows.back().dxf = before->second.dxf;
                rows.back().block = before->second.block;
            }
        }
    }
    rows.insert(rows.end(), kept.begin(), kept.end());
    std::stable_sort(rows.begin(), rows.end(), indexOrder);
    if (interruptSignal() != 0) {
        return interrupted(places, stepWritten, options.dxf ? standards.size() : 0);
    }
    writeText(joined(options.out, "index.csv"), indexCsv(rows));
    ++files;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(places.err, "%zu %s, %zu %s, %.1f s\n", studs.size(),
                 studs.size() == 1 ? "stud" : "studs", files, files == 1 ? "file" : "files",
                 seconds);
    return 0;
}

} // namespace exporter
