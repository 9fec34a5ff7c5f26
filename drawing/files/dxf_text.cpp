#include "drawing/files/dxf_text.h"

#include "model/utf8_sequence.h"
#include "model/cp1251.h"

#include <cctype>
#include <charconv>

namespace drawing {

std::string dxfText(std::string_view utf8)
{
    std::string text;
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t codePoint = 0;
        const std::size_t length = decodeUtf8(utf8, at, codePoint);
        if (length == 0) {
            text += '?';
            ++at;
            continue;
        }
        const std::string_view character = utf8.substr(at, length);
        at += length;
        if (length == 1) {
            text += character;
            continue;
        }
        if (const std::string single = utf8ToCp1251(character); single != "?") {
            text += single;
        } else if (codePoint <= 0xFFFF) {
            char digits[8];
            char* end =
                std::to_chars(digits, digits + sizeof digits, static_cast<unsigned>(codePoint), 16)
                    .ptr;
            std::string hex(digits, end);
            for (char& digit : hex) {
                digit = static_cast<char>(std::toupper(static_cast<unsigned char>(digit)));
            }
            text += "\\U+" + std::string(4 - hex.size(), '0') + hex;
        } else {
            text += '?';
        }
    }
    return text;
}

} // namespace drawing
