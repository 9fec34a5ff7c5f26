#include "export/message_text.h"

namespace exporter {

namespace {

std::string hex(unsigned value)
{
    constexpr char digits[] = "0123456789abcdef";
    return {digits[(value >> 4) & 0xF], digits[value & 0xF]};
}

} // namespace

std::string printable(std::string_view text)
{
    std::string shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0u;
        if (byte < 0x20 || byte == 0x7F) {
            shown += "\\x" + hex(byte);
        } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
            shown += "\\u00" + hex(next);
            ++i;
        } else {
            shown += text[i];
        }
    }
    return shown;
}

} // namespace exporter
