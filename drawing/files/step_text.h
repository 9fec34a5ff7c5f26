#pragma once
// Strings as the host's STEP files carry them: plain ISO 10303-21 with every byte of the file
// ASCII. Open CASCADE's writer puts a text into the file as its raw UTF-8 bytes with apostrophes
// doubled; and its own reader (so every reader built on it) ends a string at an apostrophe before
// a comma or a bracket even when that apostrophe is the second of a doubled pair. So the strings
// are written again: printable ASCII characters as themselves, a backslash doubled, and every
// other character, the apostrophe included, in a \X2\...\X0\ run of UTF-16 code units in
// upper-case hex.

#include <string>
#include <string_view>

namespace drawing {

// A string's content between its apostrophes, from UTF-8 (a broken sequence becomes U+FFFD).
[[nodiscard]] std::string stepString(std::string_view utf8);

// A file as Open CASCADE's writer prints it (in its strings apostrophes and backslashes doubled,
// \N\ and \T\ for a line feed and a tab, and line breaks where it wraps a long string), with
// every string written again by stepString.
[[nodiscard]] std::string withStepStrings(std::string_view written);

} // namespace drawing
