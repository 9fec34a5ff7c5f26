#pragma once
// BasePath: the running executable's full path without its extension; the table files and the
// settings file are named from it.

#include <string>
#include <string_view>

// "C:\Tools\Quorvel.exe" -> "C:\Tools\Quorvel"; "/opt/quorvel/quorvel" stays as it is. Only the
// file name's own extension is removed, never a dot in a folder name. On Windows "/" becomes "\"
// ("C:/Tools/Quorvel.exe" -> "C:\Tools\Quorvel"). UTF-8 in and out.
[[nodiscard]] std::string basePathFor(std::string_view executablePath);
