#pragma once
// The exporter's command line.

#include "cad/quorvel_draw.h"
#include "export/stud_list.h"
#include "model/stud_mass.h"

#include <optional>
#include <string>
#include <vector>

namespace exporter {

struct ExportOptions {
    bool help = false;
    std::string standard; // "22032-76" or "all"
    bool all = false;
    StudRequest stud;
    std::string out;
    bool step = true;
    bool dxf = true;
    unsigned jobs = 0; // 0: the number of cores
    std::optional<std::string> propertyClass;
    std::optional<LayerNames> layers;    // none: the settings file's, else the defaults
    std::optional<std::string> data;     // the folder of the table files
    Material material = Material::Steel; // of the index's mass
};

// Throws ExportError (BadRequest) naming the option or value at fault.
[[nodiscard]] ExportOptions parseOptions(const std::vector<std::string>& args);

// The --help text.
[[nodiscard]] std::string usageText();

} // namespace exporter
