#pragma once
// Texts as the host's DXF files carry them: the files declare the Windows-1251 code page
// ($DWGCODEPAGE ANSI_1251), as a Russian CAD program writes them, so readers do not take the
// bytes for Windows-1252.

#include <string>
#include <string_view>

namespace drawing {

inline constexpr const char* dxfCodePage = "ANSI_1251";

// UTF-8 text in Windows-1251; a character outside that code page becomes the format's \U+XXXX
// escape (4 hex digits), one beyond U+FFFF or a broken UTF-8 sequence becomes '?'.
[[nodiscard]] std::string dxfText(std::string_view utf8);

} // namespace drawing
