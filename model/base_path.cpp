#include "model/base_path.h"

#include <algorithm>
#include <filesystem>

std::string basePathFor(std::string_view executablePath)
{
    const std::size_t nameStart = executablePath.find_last_of("/\\");
    const std::size_t fileStart = nameStart == std::string_view::npos ? 0 : nameStart + 1;
    const std::size_t dot = executablePath.rfind('.');
    // A leading dot (".quorvel") names a hidden file, not an extension.
    const bool hasExtension = dot != std::string_view::npos && dot > fileStart;
    std::string base(hasExtension ? executablePath.substr(0, dot) : executablePath);
    // Toolkits report the executable's path with "/" on Windows too; the messages that show
    // these paths read as a Windows user writes them.
    constexpr auto separator = std::filesystem::path::preferred_separator;
    if constexpr (separator != '/') {
        std::replace(base.begin(), base.end(), '/', static_cast<char>(separator));
    }
    return base;
}
