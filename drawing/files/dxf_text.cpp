#include "drawing/files/dxf_text.h"

#include "model/cp1251.h"

#include <cctype>
#include <charconv>

namespace cadhost {

namespace {

// The length of the UTF-8 sequence starting at text[at] and its code point; 0 when broken.
std::size_t decodeOne(std::string_view text, std::size_t at, char32_t& codePoint)
{
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2, codePoint = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, codePoint = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, codePoint = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (at + length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            return 0;
        }
        codePoint = (codePoint << 6) | (byte(at + i) & 0x3F);
    }
    const bool valid =
        codePoint >= minimum && codePoint <= 0x10FFFF && (codePoint < 0xD800 || codePoint > 0xDFFF);
    return valid ? length : 0;
}

} // namespace

std::string dxfText(std::string_view utf8)
{
    std::string text;
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t codePoint = 0;
        const std::size_t length = decodeOne(utf8, at, codePoint);
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

} // namespace cadhost
