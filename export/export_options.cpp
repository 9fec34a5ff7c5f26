#include "export/export_options.h"

#include "export/export_error.h"
#include "model/layer_name.h"
#include "model/stud_designation.h"

#include <charconv>
#include <map>

namespace exporter {

namespace {

constexpr unsigned maxJobs = 256;

[[noreturn]] void badRequest(const std::string& message)
{
    throw ExportError(ExportFailure::BadRequest, message);
}

std::vector<std::string> split(const std::string& text)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) {
            return parts;
        }
        start = comma + 1;
    }
}

unsigned jobCount(const std::string& text)
{
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > maxJobs) {
        badRequest("--jobs takes a whole number from 1 to " + std::to_string(maxJobs) + ", not \"" +
                   text + "\"");
    }
    return value;
}

} // namespace

std::string usageText()
{
    return "Usage:\n"
           "  quorvel-export --standard 22032-76 --d 12 --l 100 --out DIR    one stud\n"
           "  quorvel-export --standard 22032-76 --all --out DIR             every size of one "
           "standard\n"
           "  quorvel-export --standard all --all --out DIR                  all twelve "
           "standards\n"
           "Writes one STEP file per stud (DIR/<standard>/<part name>.step), one DXF per standard\n"
           "with a block per stud (DIR/<standard>.dxf) and DIR/index.csv. The index's\n"
           "mass_kg_1000 is the theoretical mass of 1000 studs in kg as the standards' mass\n"
           "appendix gives it (7.85 g/cm3 for steel; the plain shank at d, the threads at the\n"
           "pitch diameter d - 0.649519P; four significant digits), times the material's factor.\n"
           "Options:\n"
           "  --format step,dxf     what to write (default both)\n"
           "  --jobs N              worker processes (default: the number of cores)\n"
           "  --class 5.8           property class for the full designation\n"
           "  --free --b B --b1 B1 --c C\n"
           "                        free dimensions: d and L need not be in the tables\n"
           "  --layers MAIN,THIN,AXIS\n"
           "                        layer names (default: the settings file beside the program)\n"
           "  --material steel|aluminium|bronze|brass\n"
           "                        the material of the mass (default steel; factors 1, 0.356,\n"
           "                        0.970, 1.080)\n"
           "  --data DIR            folder of the table files (default: beside the program)\n"
           "  --help                this text\n"
           "Exit status: 0 done, 1 a stud could not be drawn or a file not written, 2 a bad\n"
           "request, 130 or 143 interrupted (only whole files are left).\n";
}

ExportOptions parseOptions(const std::vector<std::string>& args)
{
    ExportOptions options;
    std::map<std::string, std::optional<std::string>*> valued = {
        {"--d", &options.stud.d},   {"--l", &options.stud.L}, {"--b", &options.stud.b},
        {"--b1", &options.stud.b1}, {"--c", &options.stud.c}, {"--class", &options.propertyClass},
        {"--data", &options.data}};
    std::optional<std::string> standard, out, format, jobs, layers, material;
    valued["--standard"] = &standard;
    valued["--out"] = &out;
    valued["--format"] = &format;
    valued["--jobs"] = &jobs;
    valued["--layers"] = &layers;
    valued["--material"] = &material;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return options;
        }
        if (arg == "--all") {
            options.all = true;
        } else if (arg == "--free") {
            options.stud.free = true;
        } else if (const auto option = valued.find(arg); option != valued.end()) {
            if (i + 1 >= args.size()) {
                badRequest(arg + " needs a value");
            }
            if (*option->second) {
                badRequest(arg + " is given twice");
            }
            *option->second = args[++i];
        } else {
            badRequest("unknown option \"" + arg + "\" (see --help)");
        }
    }

    if (!standard) {
        badRequest("--standard is missing (a number such as 22032-76, or all)");
    }
    options.standard = *standard;
    if (!out) {
        badRequest("--out is missing (the folder to write into)");
    }
    if (out->empty()) {
        badRequest("--out is empty (the folder to write into)");
    }
    options.out = *out;
    const bool oneStud = options.stud.d || options.stud.L;
    if (options.all && oneStud) {
        badRequest("--all cannot go with --d or --l");
    }
    if (!options.all && !(options.stud.d && options.stud.L)) {
        badRequest("give --d and --l for one stud, or --all");
    }
    if (options.standard == "all" && !options.all) {
        badRequest("--standard all needs --all");
    }
    if (options.stud.free && options.all) {
        badRequest("--free cannot go with --all");
    }
    if (!options.stud.free) {
        for (const auto& [name, value] :
             {std::pair{"--b", &options.stud.b}, std::pair{"--b1", &options.stud.b1},
              std::pair{"--c", &options.stud.c}}) {
            if (*value) {
                badRequest(std::string(name) + " needs --free");
            }
        }
    }
    if (options.propertyClass && !knownPropertyClass(*options.propertyClass)) {
        badRequest("unknown property class \"" + *options.propertyClass + "\" (" +
                   knownPropertyClasses() + ")");
    }
    if (format) {
        options.step = false;
        options.dxf = false;
        for (const std::string& name : split(*format)) {
            if (name == "step") {
                options.step = true;
            } else if (name == "dxf") {
                options.dxf = true;
            } else {
                badRequest("unknown format \"" + name + "\" in --format (step, dxf)");
            }
        }
    }
    if (material) {
        const std::optional<Material> named = materialNamed(*material);
        if (!named) {
            std::string names;
            for (const MaterialEntry& entry : materials()) {
                names += (names.empty() ? "" : ", ") + std::string(entry.name);
            }
            badRequest("unknown material \"" + *material + "\" in --material (" + names + ")");
        }
        options.material = *named;
    }
    if (jobs) {
        options.jobs = jobCount(*jobs);
    }
    if (layers) {
        const std::vector<std::string> names = split(*layers);
        if (names.size() != 3) {
            badRequest("--layers takes three names separated by commas (MAIN,THIN,AXIS), not \"" +
                       *layers + "\"");
        }
        for (const std::string& name : names) {
            if (name.empty()) {
                badRequest("--layers has an empty layer name: \"" + *layers + "\"");
            }
            if (const auto fault = layerNameFault(name)) {
                badRequest("--layers \"" + *layers + "\": the layer name \"" + name + "\" " +
                           *fault + ", which DXF readers refuse");
            }
        }
        options.layers = LayerNames{names[0], names[1], names[2]};
    }
    return options;
}

} // namespace exporter
