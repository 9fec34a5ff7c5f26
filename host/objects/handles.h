#pragma once
// Handles as the object model writes them and reads them back: upper-case hexadecimal texts
// ("1F") for HandleToObject and an entity's Handle, and the decimal handles inside object paths.

#include "host/objects/drawing_names.h"

#include <optional>
#include <string>

namespace cadhost {

// The handle as the object model writes it: upper-case hexadecimal, "1F".
std::string handleText(Handle handle);
std::optional<Handle> parseHandleText(const std::string& text);
// The digits of a path's part as a whole number; nothing for anything else.
std::optional<Handle> pathDigits(const std::string& text);

} // namespace cadhost
