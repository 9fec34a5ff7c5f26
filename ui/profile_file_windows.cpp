// The profile-string functions on Windows: the system's own, with the program's Windows-1251
// texts converted at the call.
#include "model/cp1251.h"
#include "ui/profile_file.h"

#include <windows.h>
// windows.h maps these names to the ...A functions by macro, which would rename our own
// functions defined below and leave their declarations in profile_file.h without a body.
#undef GetPrivateProfileString
#undef WritePrivateProfileString

#include <vector>

namespace {

// The ...A functions take the file name in the ANSI code page; the program's names are UTF-8.
std::string ansiFileName(std::string_view file)
{
    if (file.empty()) {
        return {};
    }
    const int size = static_cast<int>(file.size());
    const int wideLength = MultiByteToWideChar(CP_UTF8, 0, file.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, file.data(), size, wide.data(), wideLength);
    const int ansiLength =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(ansiLength), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, ansi.data(), ansiLength, nullptr,
                        nullptr);
    return ansi;
}

} // namespace

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& file)
{
    std::vector<char> buffer(profileValueLimit + 1);
    const std::string ansiSection = utf8ToCp1251(section);
    const std::string ansiKey = utf8ToCp1251(key);
    const std::string ansiDefault = utf8ToCp1251(defaultValue);
    const std::string ansiFile = ansiFileName(file);
    const DWORD length = GetPrivateProfileStringA(
        ansiSection.c_str(), ansiKey.c_str(), ansiDefault.c_str(), buffer.data(),
        static_cast<DWORD>(buffer.size()), ansiFile.c_str());
    return cp1251ToUtf8(std::string_view(buffer.data(), length));
}

bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& file)
{
    return WritePrivateProfileStringA(utf8ToCp1251(section).c_str(), utf8ToCp1251(key).c_str(),
                                      utf8ToCp1251(value).c_str(),
                                      ansiFileName(file).c_str()) != FALSE;
}
