// The profile-string functions on Windows: the system's own, with the program's Windows-1251
// texts converted at the call. The file is named by its wide path, so that any folder works (a
// user name in letters the ANSI code page lacks), while its content stays the bytes the program
// gives, as the ...A functions stored them.
#include "model/cp1251.h"
#include "ui/profile_file.h"

#include <windows.h>
// windows.h maps these names to the ...A or ...W functions by macro, which would rename our own
// functions defined below and leave their declarations in profile_file.h without a body.
#undef GetPrivateProfileString
#undef WritePrivateProfileString

#include <vector>

namespace {

std::wstring widened(std::string_view text, UINT codePage)
{
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

// The ...W functions write a file without a byte order mark in the ANSI code page and read it
// back through it; what goes in is therefore widened through that code page too (as the ...A
// functions do inside), so that the bytes on disk are the Windows-1251 bytes given.
std::wstring ansiWide(std::string_view utf8)
{
    return widened(utf8ToCp1251(utf8), CP_ACP);
}

std::string fromAnsiWide(const wchar_t* text, DWORD length)
{
    if (length == 0) {
        return {};
    }
    const int size = static_cast<int>(length);
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text, size, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, size, ansi.data(), bytes, nullptr, nullptr);
    return cp1251ToUtf8(ansi);
}

} // namespace

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& file)
{
    std::vector<wchar_t> buffer(profileValueLimit + 1);
    const DWORD length = GetPrivateProfileStringW(
        ansiWide(section).c_str(), ansiWide(key).c_str(), ansiWide(defaultValue).c_str(),
        buffer.data(), static_cast<DWORD>(buffer.size()), widened(file, CP_UTF8).c_str());
    return fromAnsiWide(buffer.data(), length);
}

bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& file)
{
    return WritePrivateProfileStringW(ansiWide(section).c_str(), ansiWide(key).c_str(),
                                      ansiWide(value).c_str(),
                                      widened(file, CP_UTF8).c_str()) != FALSE;
}
