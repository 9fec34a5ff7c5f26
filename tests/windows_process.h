#pragma once
// What the tests of the Windows programs share: started programs and their windows, waiting with a
// time limit, the unpacked package and its files, the installer's registry entry and shortcut.
// Built with PACKAGE_NAME, the package folder's name.

#include <windows.h>

#include <shlobj.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

inline const wchar_t uninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorvel";

// The unpacked Windows package (target windows_package) in the build folder, where this test is
// built too (or in its tests/).
inline std::filesystem::path packageFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    for (const auto& build : {folder, folder.parent_path()}) {
        if (std::filesystem::exists(build / "package" / PACKAGE_NAME)) {
            return build / "package" / PACKAGE_NAME;
        }
    }
    return folder / "package" / PACKAGE_NAME;
}

// Waits up to limit for done() to hold, checking every 50 ms.
inline bool waitFor(const std::function<bool()>& done,
                    std::chrono::milliseconds limit = std::chrono::seconds(30))
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        // Keeps this thread's own windows (the clipboard's) served while it waits.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

inline bool keyExists(HKEY root, const std::wstring& name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

// A text of the installer's entry in the user's list of installed programs, empty when missing.
inline std::wstring uninstallValue(const wchar_t* name)
{
    wchar_t value[1024] = {};
    DWORD bytes = sizeof(value) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, uninstallKey, name, RRF_RT_REG_SZ, nullptr, value,
                     &bytes) != ERROR_SUCCESS) {
        return {};
    }
    return value;
}

inline std::filesystem::path startMenuShortcut()
{
    wchar_t programs[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, programs);
    return std::filesystem::path(programs) / L"Quorvel.lnk";
}

inline std::string bytesOf(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The files of the unpacked package, relative to its folder.
inline std::vector<std::filesystem::path> packageFiles()
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(packageFolder())) {
        if (entry.is_regular_file()) {
            files.push_back(std::filesystem::relative(entry.path(), packageFolder()));
        }
    }
    return files;
}

// A started program and its top-level windows.
class Process {
  public:
    Process(const std::filesystem::path& program, const std::wstring& arguments)
    {
        std::wstring commandLine = L"\"" + program.wstring() + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        const std::wstring folder = program.parent_path().wstring();
        if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           folder.c_str(), &startup, &m_process)) {
            CloseHandle(m_process.hThread);
        }
    }
    ~Process()
    {
        if (running()) {
            TerminateProcess(m_process.hProcess, 1);
            WaitForSingleObject(m_process.hProcess, 10000);
        }
        if (m_process.hProcess != nullptr) {
            CloseHandle(m_process.hProcess);
        }
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool started() const { return m_process.hProcess != nullptr; }
    bool running() const
    {
        return started() && WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT;
    }
    bool waitForExit(DWORD milliseconds) const
    {
        return started() && WaitForSingleObject(m_process.hProcess, milliseconds) == WAIT_OBJECT_0;
    }
    DWORD exitCode() const
    {
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(m_process.hProcess, &code);
        return code;
    }

    // A visible top-level window of this process whose title is title (any title when empty),
    // other than except.
    HWND window(const std::wstring& title, HWND except = nullptr) const
    {
        struct Search {
            DWORD process;
            const std::wstring* title;
            HWND except;
            HWND found;
        } search{m_process.dwProcessId, &title, except, nullptr};
        EnumWindows(
            [](HWND window, LPARAM data) -> BOOL {
                auto& s = *reinterpret_cast<Search*>(data);
                DWORD process = 0;
                GetWindowThreadProcessId(window, &process);
                if (process != s.process || !IsWindowVisible(window) || window == s.except) {
                    return TRUE;
                }
                wchar_t text[256] = {};
                GetWindowTextW(window, text, 255);
                if (s.title->empty() || *s.title == text) {
                    s.found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

  private:
    PROCESS_INFORMATION m_process{};
};
