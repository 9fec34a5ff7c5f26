#pragma once
// Reads STEP files back with gmsh (tests/step_gmsh.py on the system's Python), a reader the host
// does not use, and gives what it found in each file.

#include "step_contents.h"

#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

struct GmshSolid {
    double volume;
    StepBox box;
    std::string name; // UTF-8
};

// The solids of each file in the order given; none for a file gmsh cannot read. Empty when the
// reader does not run.
inline std::vector<std::optional<std::vector<GmshSolid>>>
readWithGmsh(const std::vector<std::string>& files)
{
    const auto quoted = [](const std::string& text) {
        std::string shell = "'";
        for (char ch : text) {
            shell += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
        }
        return shell + "'";
    };
    std::string command = "PYTHONIOENCODING=utf-8 " GMSH_PYTHON " " STEP_GMSH_SCRIPT;
    for (const std::string& file : files) {
        command += " " + quoted(file);
    }
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return {};
    }
    std::string output;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        output.append(buffer, got);
    }
    if (::pclose(pipe) != 0) {
        return {};
    }
    std::vector<std::optional<std::vector<GmshSolid>>> read;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        if (kind == "file") {
            read.emplace_back(std::vector<GmshSolid>{});
        } else if (kind == "unreadable" && !read.empty()) {
            read.back().reset();
        } else if (kind == "solid" && !read.empty() && read.back()) {
            GmshSolid solid{};
            StepBox& b = solid.box;
            words >> solid.volume >> b.xmin >> b.ymin >> b.zmin >> b.xmax >> b.ymax >> b.zmax;
            words.get(); // the space before the name
            std::getline(words, solid.name);
            read.back()->push_back(solid);
        }
    }
    return read;
}
