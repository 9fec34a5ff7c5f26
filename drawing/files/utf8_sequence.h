#pragma once
// Reading UTF-8 one character at a time, for the writers that spell characters their own way.

#include <cstddef>
#include <string_view>

namespace cadhost {

// The length of the UTF-8 sequence starting at text[at] and its code point; 0 when the sequence
// is broken (cut short, overlong, a surrogate or beyond U+10FFFF).
[[nodiscard]] std::size_t decodeUtf8(std::string_view text, std::size_t at, char32_t& codePoint);

} // namespace cadhost
