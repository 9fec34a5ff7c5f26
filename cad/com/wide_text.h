#pragma once
// UTF-8 (the program's text) to and from UTF-16 (COM's text).

#include <string>
#include <string_view>

#include <oaidl.h>

[[nodiscard]] std::wstring toWide(std::string_view text);
[[nodiscard]] std::string fromWide(std::wstring_view text);
// A BSTR may be null, which COM treats as the empty text.
[[nodiscard]] std::string fromBstr(BSTR text);
