#include "model/base_path.h"

std::string basePathFor(std::string_view executablePath)
{
    const std::size_t nameStart = executablePath.find_last_of("/\\");
    const std::size_t fileStart = nameStart == std::string_view::npos ? 0 : nameStart + 1;
    const std::size_t dot = executablePath.rfind('.');
    // A leading dot (".quorvel") names a hidden file, not an extension.
    if (dot == std::string_view::npos || dot <= fileStart) {
        return std::string(executablePath);
    }
    return std::string(executablePath.substr(0, dot));
}
