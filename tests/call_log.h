#pragma once
// Reads the stand-in host's call log (or any text file) line by line, and the command texts that
// a run sent.

#include "model/utf8_path.h"

#include <fstream>
#include <string>
#include <vector>

using Lines = std::vector<std::string>;

inline Lines readLines(const std::string& file)
{
    Lines lines;
    std::ifstream in(utf8Path(file));
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The texts of the SendCommand calls of a call log, in order, as the log shows them.
inline Lines sentCommands(const Lines& log)
{
    const std::string prefix = "Document\tSendCommand\t1\t";
    Lines texts;
    for (const std::string& line : log) {
        if (line.rfind(prefix, 0) == 0) {
            texts.push_back(line.substr(prefix.size(), line.find("\t->") - prefix.size()));
        }
    }
    return texts;
}
