#include "model/plain_file_name.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace {

// CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9, in any case and with any extension, name
// devices on Windows: "NUL.dxf" would write nowhere.
bool isWindowsDeviceName(std::string_view name)
{
    std::string stem(name.substr(0, name.find('.')));
    std::transform(stem.begin(), stem.end(), stem.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::toupper(ch)); });
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") {
        return true;
    }
    return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) &&
           stem[3] >= '1' && stem[3] <= '9';
}

} // namespace

bool isPlainFileName(std::string_view name)
{
    if (name.empty() || name == "." || name == ".." || isWindowsDeviceName(name)) {
        return false;
    }
    for (const char ch : name) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte < 0x20 || byte == 0x7F ||
            std::string_view("/\\:*?\"<>|").find(ch) != std::string_view::npos) {
            return false;
        }
    }
    return true;
}
