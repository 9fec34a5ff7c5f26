#pragma once
// Reading UTF-8 one character at a time, for the code that spells characters its own way
// (Windows-1251, DXF and STEP texts).

#include <cstddef>
#include <string_view>

// The length of the UTF-8 sequence starting at text[at] and its code point; 0 when the sequence
// is broken (cut short, overlong, a surrogate or beyond U+10FFFF).
[[nodiscard]] std::size_t decodeUtf8(std::string_view text, std::size_t at, char32_t& codePoint);
