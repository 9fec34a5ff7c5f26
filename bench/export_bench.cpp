// The exporter's cost per stud. SingleStudStep: one stud's solid built by the drawing unit
// against the host's object model and saved as STEP, each stud of one standard in turn (the
// single-stud cost). LibraryRun: the same standard exported whole (tables, 2D views, solids,
// STEP files, DXF, index), per stud, with one and with two worker processes; the aims are a
// library cost per stud within 1.2 times the single-stud cost, and two workers at least 1.7 times
// as fast as one on a machine with two free cores. StandardFromLargeTable: one standard's studs
// read whole from tables whose length table is padded to the given size in MiB with rows of a d
// no standard lists; read once per run, the padding costs one pass over the file, not one per
// stud. LibraryUpdate: one standard exported whole again into a library that holds all twelve
// (7264 studs, STEP and DXF, made once before the timing): the index read and checked against
// the files, the kept studs' blocks of that standard drawn again, its DXF and the index written;
// DXF alone (the update's own cost) and with the standard's STEP files on two workers.
#include "export/exporter.h"
#include "export/stud_drawing.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr const char* benchStandard = "22036-76";

fs::path scratch(const char* name)
{
    const fs::path folder = fs::temp_directory_path() / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

void SingleStudStep(benchmark::State& state)
{
    const std::vector<exporter::Stud> studs = exporter::readStuds(
        (fs::path(BENCH_DIR) / "quorvel").string(), *exporter::standardIndexOf(benchStandard), {});
    const fs::path folder = scratch("quorvel-bench-single");
    std::size_t next = 0;
    for (auto _ : state) {
        const exporter::Stud& stud = studs[next++ % studs.size()];
        const std::string name = designation(exporter::designatedStud(stud));
        exporter::exportSolid(stud, name, (folder / "stud.step").string());
    }
    fs::remove_all(folder);
}
BENCHMARK(SingleStudStep)->Unit(benchmark::kMillisecond);

void LibraryRun(benchmark::State& state)
{
    exporter::ExportOptions options;
    options.standard = benchStandard;
    options.all = true;
    options.jobs = static_cast<unsigned>(state.range(0));
    const fs::path folder = scratch("quorvel-bench-library");
    options.out = folder.string();
    exporter::RunPlaces places;
    places.programFolder = BENCH_DIR;
    places.err = std::fopen("/dev/null", "w");
    std::size_t studs = 0;
    for (auto _ : state) {
        if (exporter::runExport(options, places) != 0) {
            state.SkipWithError("the export failed");
        }
        state.PauseTiming();
        studs = exporter::readStuds((fs::path(BENCH_DIR) / "quorvel").string(),
                                    *exporter::standardIndexOf(benchStandard), {})
                    .size();
        state.ResumeTiming();
    }
    std::fclose(places.err);
    fs::remove_all(folder);
    // Seconds per stud (shown with SI prefixes: 17.2m is 17.2 ms), beside SingleStudStep's time.
    state.counters["s_per_stud"] = benchmark::Counter(
        static_cast<double>(studs),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void StandardFromLargeTable(benchmark::State& state)
{
    const fs::path folder = scratch("quorvel-bench-tables");
    for (const auto& entry : fs::directory_iterator(BENCH_DIR)) {
        if (entry.path().extension() == ".dat") {
            fs::copy_file(entry.path(), folder / entry.path().filename());
        }
    }
    {
        std::ofstream padded(folder / "quorvel_ris_1.dat", std::ios::binary | std::ios::app);
        const std::string row = "999 999 999\r\n";
        const std::string block = [&] {
            std::string rows;
            for (int i = 0; i < 4096; ++i) {
                rows += row;
            }
            return rows;
        }();
        for (std::int64_t size = 0; size < state.range(0) << 20; size += block.size()) {
            padded << block;
        }
    }
    std::size_t studs = 0;
    for (auto _ : state) {
        exporter::StudReader reader((folder / "quorvel").string());
        studs = reader.read(*exporter::standardIndexOf(benchStandard), {}).size();
    }
    fs::remove_all(folder);
    state.counters["studs"] = static_cast<double>(studs);
}
// The library of all twelve standards, made once for the runs of LibraryUpdate and removed when
// the program ends; none when it could not be made.
std::optional<fs::path> fullLibrary(const exporter::RunPlaces& places)
{
    struct Library {
        fs::path folder = scratch("quorvel-bench-update");
        ~Library() { fs::remove_all(folder); }
    };
    static const Library library;
    static const bool made = [&] {
        exporter::ExportOptions options;
        options.standard = "all";
        options.all = true;
        options.jobs = 2;
        options.out = library.folder.string();
        return exporter::runExport(options, places) == 0;
    }();
    return made ? std::optional(library.folder) : std::nullopt;
}

void LibraryUpdate(benchmark::State& state)
{
    exporter::RunPlaces places;
    places.programFolder = BENCH_DIR;
    places.err = std::fopen("/dev/null", "w");
    const std::optional<fs::path> folder = fullLibrary(places);
    if (!folder) {
        state.SkipWithError("the library of all twelve standards could not be made");
        std::fclose(places.err);
        return;
    }
    exporter::ExportOptions options;
    options.standard = benchStandard;
    options.all = true;
    options.jobs = 2;
    options.step = state.range(0) != 0;
    options.out = folder->string();
    std::size_t rows = 0;
    for (auto _ : state) {
        if (exporter::runExport(options, places) != 0) {
            state.SkipWithError("the update failed");
        }
        state.PauseTiming();
        std::ifstream index(*folder / "index.csv", std::ios::binary);
        rows = 0;
        for (std::string line; std::getline(index, line);) {
            ++rows;
        }
        state.ResumeTiming();
    }
    std::fclose(places.err);
    state.counters["index_rows"] = static_cast<double>(rows - 1);
}
BENCHMARK(LibraryUpdate)
    ->ArgName("step")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK(StandardFromLargeTable)
    ->ArgName("MiB")
    ->Arg(0)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK(LibraryRun)
    ->ArgName("jobs")
    ->Arg(1)
    ->Arg(2)
    ->Iterations(2)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
