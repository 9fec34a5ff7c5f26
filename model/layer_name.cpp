#include "model/layer_name.h"

#include "model/cp1251.h"

std::optional<std::string> layerNameFault(std::string_view name)
{
    constexpr std::size_t limit = 255; // bytes; what a table name of a DXF file may have
    constexpr std::string_view refused = "<>/\\\":;?*|=`";
    if (name.empty()) {
        return "is empty";
    }
    if (name.size() > limit) {
        return "is longer than " + std::to_string(limit) + " bytes";
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        const auto next = i + 1 < name.size() ? static_cast<unsigned char>(name[i + 1]) : 0u;
        if (refused.find(name[i]) != std::string_view::npos) {
            return std::string("holds the character '") + name[i] + "'";
        }
        // C0 controls, DEL and the C1 controls U+0080 to U+009F (0xC2 0x80 to 0xC2 0x9F).
        if (byte < 0x20 || byte == 0x7F || (byte == 0xC2 && next >= 0x80 && next <= 0x9F)) {
            return "holds a control character";
        }
    }
    if (cp1251ToUtf8(utf8ToCp1251(name)) != name) {
        return "holds a character that Windows-1251 does not have";
    }
    return std::nullopt;
}
