// Loading one standard the way the window does (catalogue once, diameter table twice, length
// table twice) against a plain read of the same files' bytes.
#include "model/dimension_tables.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

std::string base()
{
    return (std::filesystem::path(BENCH_DIR) / "quorvel").string();
}

void LoadStandardLikeTheWindow(benchmark::State& state)
{
    const std::string basePath = base();
    const auto index = static_cast<GostIndexValue>(state.range(0));
    for (auto _ : state) {
        const auto record = readCatalogueRecord(cataloguePath(basePath), index);
        const std::string diamFile = diameterTablePath(basePath, record.value.number);
        const std::string lengthFile = lengthTablePath(basePath, record.value.figureKey);
        const auto diameters = readDiameterList(diamFile);
        const auto row = readDiameterRow(diamFile, 0);
        const auto lengths = readLengthList(lengthFile, diameters.value.front());
        const auto b = readThreadLength(lengthFile, diameters.value.front(), lengths.value.front(),
                                        row.value.P, familyOf(index));
        benchmark::DoNotOptimize(b);
    }
}
BENCHMARK(LoadStandardLikeTheWindow)->Arg(0)->Arg(10);

std::string slurp(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void PlainReadOfTheSameFiles(benchmark::State& state)
{
    const std::string basePath = base();
    const std::string files[] = {cataloguePath(basePath), diameterTablePath(basePath, "22032-76"),
                                 diameterTablePath(basePath, "22032-76"),
                                 lengthTablePath(basePath, "ris_1"),
                                 lengthTablePath(basePath, "ris_1")};
    for (auto _ : state) {
        for (const std::string& file : files) {
            benchmark::DoNotOptimize(slurp(file));
        }
    }
}
BENCHMARK(PlainReadOfTheSameFiles);

} // namespace

BENCHMARK_MAIN();
