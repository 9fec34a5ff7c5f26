#include "export/exporter.h"

#include "drawing/files/atomic_file.h"
#include "drawing/files/step_export.h"
#include "export/export_error.h"
#include "export/index_csv.h"
#include "export/interrupt_watch.h"
#include "export/job_pool.h"
#include "export/message_text.h"
#include "export/progress.h"
#include "export/stud_drawing.h"
#include "model/number_text.h"
#include "model/stud_mass.h"
#include "model/utf8_path.h"
#include "ui/settings_file.h"

#ifdef QUORVEL_EXPORT_DXF
#include "drawing/files/dxf_export.h"
#endif

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

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

// The folder exists (it is made when missing), is a folder and takes new files.
void prepareFolder(const std::string& folder)
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
    const bool writable = drawing::writeFileAtomically(
        joined(folder, ".quorvel-export-probe"),
        [](const std::string& temp) { return std::ofstream(utf8Path(temp)).good(); });
    fs::remove(utf8Path(joined(folder, ".quorvel-export-probe")), error);
    if (!writable) {
        fail(ExportFailure::BadRequest, "cannot write into the output folder " + folder);
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
// columns as wide as their longest stud (axis overhang included), rows as high as their d.
std::vector<drawing::Vec2> gridPlaces(const std::vector<const Stud*>& studs)
{
    constexpr double gap = 10;
    std::map<std::size_t, double> widths;
    std::map<std::size_t, double> heights;
    for (const Stud* stud : studs) {
        const HandOver& n = stud->numbers;
        widths[stud->column] = std::max(widths[stud->column], n.overallLength + 2 * n.c);
        heights[stud->row] = std::max(heights[stud->row], n.d);
    }
    std::map<std::size_t, double> left;
    double x = 0;
    for (const auto& [column, width] : widths) {
        left[column] = x;
        x += width + gap;
    }
    std::map<std::size_t, double> middle;
    double y = 0;
    for (const auto& [row, height] : heights) {
        middle[row] = y - height / 2;
        y -= height + gap;
    }
    std::vector<drawing::Vec2> places;
    for (const Stud* stud : studs) {
        places.push_back({left[stud->column] + stud->numbers.c, middle[stud->row]});
    }
    return places;
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
        fail(ExportFailure::Failed, "cannot write " + file);
    }
}

int interrupted(const RunPlaces& places, std::size_t written)
{
    std::fprintf(places.err,
                 "quorvel-export: interrupted; %zu whole STEP files written, no DXF or index\n",
                 written);
    return 128 + interruptSignal();
}

} // namespace

int runExport(const ExportOptions& options, const RunPlaces& places)
{
    const auto start = std::chrono::steady_clock::now();
    const std::string basePath =
        options.data ? joined(*options.data, "quorvel") : joined(places.programFolder, "quorvel");
    const LayerNames layers =
        options.layers ? *options.layers
                       : readSettings(settingsPath(joined(places.programFolder, "quorvel"))).layers;
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
        designations.push_back(
            designation(designatedStud(stud), options.propertyClass));
        stepFiles.push_back(step ? stud.standard + "/" + stud.PartName + ".step" : "");
    }
    std::vector<StandardFiles> standards;
    for (const Stud& stud : studs) {
        if (standards.empty() || standards.back().standard != stud.standard) {
            standards.push_back({stud.standard, options.dxf ? stud.standard + ".dxf" : "", {}});
        }
        standards.back().studs.push_back(&stud);
    }

    prepareFolder(options.out);
    if (step) {
        for (const StandardFiles& entry : standards) {
            prepareFolder(joined(options.out, entry.standard));
        }
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
            [] { return interruptSignal() != 0; }, [&] { progress.tick(); });
        progress.end();
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
        const std::string file = joined(options.out, standards[s].dxf);
        if (!drawing::saveDxfLibrary(blockLayers[s], blocks[s], file)) {
            fail(ExportFailure::Failed, "cannot write " + file);
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
