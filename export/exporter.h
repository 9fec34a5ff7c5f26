#pragma once
// The exporter's run: reads the studs asked for, draws each with the drawing unit against the
// stand-in host's object model in this process, and writes into the output folder one STEP file
// per stud, one DXF per standard (a block per stud, model space inserting them in a grid: rows by
// d, columns by L) and index.csv. Every file is replaced whole or not at all.

#include "export/export_options.h"

#include <cstdio>
#include <string>

namespace exporter {

struct RunPlaces {
    std::string programFolder; // where the table files and the settings file lie by default
    std::FILE* out = stdout;   // --help
    std::FILE* err = stderr;   // progress, warnings, the closing line
    bool terminal = false;     // err is a terminal: show progress
};

// The exit status: 0 done; 1 a stud could not be drawn or a file not written; 2 a bad request;
// 128 + the signal when interrupted. Failures are told on err as "quorvel-export: ...".
int runExport(const ExportOptions& options, const RunPlaces& places);

} // namespace exporter
