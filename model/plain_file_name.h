#pragma once
// Whether a text read from a table file may name a file or folder: the catalogue's standard number
// and figure key become parts of file names, so a text that is a path of its own would steer
// reading and writing out of the folders they belong in.

#include <string_view>

// Not empty, not "." or "..", not a Windows device name (NUL, CON, COM1, ... with or without an
// extension), and none of: a control character, "/" or "\" (folder separators), ":" (a drive or a
// Windows stream), or the other characters Windows refuses in a name (* ? " < > |).
[[nodiscard]] bool isPlainFileName(std::string_view name);
