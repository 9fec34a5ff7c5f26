#pragma once
// File names are UTF-8 text inside the program. A std::filesystem::path made from a std::string
// decodes it with the C runtime's code page on Windows, which mangles any non-ASCII folder name,
// so every file access converts through these two functions instead.

#include <filesystem>
#include <string>
#include <string_view>

[[nodiscard]] std::filesystem::path utf8Path(std::string_view text);
[[nodiscard]] std::string utf8Text(const std::filesystem::path& path);
