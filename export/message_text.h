#pragma once
// Messages for a terminal: text from table files and options goes into the exporter's messages,
// and a control character in it must not act on the terminal (clear it, move the cursor, retitle
// the window) or break the one-line form of a message.

#include <string>
#include <string_view>

namespace exporter {

// C0 controls and DEL as \xNN, the UTF-8 C1 controls (U+0080 to U+009F) as \u00NN, a backslash
// as itself; every other byte unchanged.
[[nodiscard]] std::string printable(std::string_view text);

} // namespace exporter
