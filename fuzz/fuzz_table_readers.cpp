// Any file content through every dimension table reader: no crash, lines never hold a line end or
// what follows Ctrl-Z, and every failure names the file that was read. The same content serves as
// catalogue, diameter table and length table.
#include "model/dimension_tables.h"
#include "model/table_file.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

#include "scratch_folder.h"

namespace {

// A file of this process's own, rewritten for every input (see scratch_folder.h).
const std::string& scratchFile()
{
    static const std::string path =
        scratchFolder() + "/quorvel-fuzz-table-" + std::to_string(getpid()) + ".dat";
    return path;
}

void check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

template <class T> void checkFailure(const TableRead<T>& read, const std::string& file)
{
    check(read.ok() || read.failure->file == file);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    // The first byte picks the standard and the family; the rest is the file.
    const auto index = static_cast<GostIndexValue>(data[0] % 12);
    const StudFamily family = familyOf(index);
    const std::string_view content(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string& file = scratchFile();
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
    }

    const TableFile table(file);
    const std::size_t ctrlZ = content.find('\x1A');
    for (std::size_t n = 0; n < table.lineCount(); ++n) {
        const std::string_view line = table.rawLine(n);
        check(line.find('\n') == std::string_view::npos);
        check(line.find('\x1A') == std::string_view::npos);
        check(line.data() >= table.rawLine(0).data());
        check(ctrlZ == std::string_view::npos || n == 0 ||
              static_cast<std::size_t>(line.data() - table.rawLine(0).data()) <= ctrlZ);
    }
    check(table.line(table.lineCount()).empty());

    checkFailure(readCatalogueRecord(file, index), file);

    const TableRead<std::vector<std::string>> diameters = readDiameterList(file);
    checkFailure(diameters, file);
    check(diameters.value.size() == (table.lineCount() == 0 ? 0 : table.lineCount() - 1));
    checkFailure(readDiameterRow(file, std::nullopt), file);

    const std::size_t tried = std::min<std::size_t>(diameters.value.size(), 3);
    for (std::size_t position = 0; position <= tried; ++position) {
        const TableRead<DiameterRow> row = readDiameterRow(file, position);
        checkFailure(row, file);
        const std::optional<std::string> diameter = position < diameters.value.size()
                                                        ? std::optional(diameters.value[position])
                                                        : std::nullopt;
        const TableRead<std::vector<std::string>> lengths = readLengthList(file, diameter);
        checkFailure(lengths, file);
        check(diameter || !lengths.ok());
        const std::size_t lengthsTried = std::min<std::size_t>(lengths.value.size(), 2);
        for (std::size_t k = 0; k <= lengthsTried; ++k) {
            const std::optional<std::string> length =
                k < lengths.value.size() ? std::optional(lengths.value[k]) : std::nullopt;
            checkFailure(readThreadLength(file, diameter, length, row.value.P, family), file);
        }
    }
    return 0;
}
