// The profile-string functions on Windows: the system's own, with the program's Windows-1251
// texts converted at the call. The file is named by its wide path, so that any folder works (a
// user name in letters the ANSI code page lacks, a long path), while its content stays the bytes
// the program gives, as the ...A functions stored them.
#include "model/cp1251.h"
#include "ui/profile_file.h"

#include <windows.h>
// windows.h maps these names to the ...A or ...W functions by macro, which would rename our own
// functions defined below and leave their declarations in profile_file.h without a body.
#undef GetPrivateProfileString
#undef WritePrivateProfileString

#include <algorithm>
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

// The file's name for the profile functions, which take no path of MAX_PATH characters or more:
// a longer one is named through the short (8.3) form of its folder where the volume keeps short
// names (otherwise the call fails as it would have).
std::wstring profileFileName(const std::string& file)
{
    std::wstring name = widened(file, CP_UTF8);
    if (name.size() < MAX_PATH) {
        return name;
    }
    std::replace(name.begin(), name.end(), L'/', L'\\');
    const auto separator = name.find_last_of(L'\\');
    const bool onDrive = name.size() > 2 && name[1] == L':' && name[2] == L'\\';
    if (separator == std::wstring::npos || !onDrive) {
        return name;
    }
    // The \\?\ form lets the system take the long folder name in.
    const std::wstring folder = L"\\\\?\\" + name.substr(0, separator);
    const DWORD length = GetShortPathNameW(folder.c_str(), nullptr, 0);
    if (length == 0) {
        return name;
    }
    std::wstring shortFolder(length, L'\0');
    shortFolder.resize(GetShortPathNameW(folder.c_str(), shortFolder.data(), length));
    if (shortFolder.rfind(L"\\\\?\\", 0) == 0) {
        shortFolder.erase(0, 4);
    }
    const std::wstring shortName = shortFolder + name.substr(separator);
    return shortName.size() < MAX_PATH ? shortName : name;
}

} // namespace

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& file)
{
    std::vector<wchar_t> buffer(profileValueLimit + 1);
    const DWORD length = GetPrivateProfileStringW(
        ansiWide(section).c_str(), ansiWide(key).c_str(), ansiWide(defaultValue).c_str(),
        buffer.data(), static_cast<DWORD>(buffer.size()), profileFileName(file).c_str());
    return fromAnsiWide(buffer.data(), length);
}

bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& file)
{
    return WritePrivateProfileStringW(ansiWide(section).c_str(), ansiWide(key).c_str(),
                                      ansiWide(value).c_str(),
                                      profileFileName(file).c_str()) != FALSE;
}
