#pragma once
// Reads the stand-in host's call log (or any text file) line by line.

#include <fstream>
#include <string>
#include <vector>

using Lines = std::vector<std::string>;

inline Lines readLines(const std::string& file)
{
    Lines lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}
