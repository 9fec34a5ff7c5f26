#pragma once
// Starts quorvel-cadhost-com (beside the test program) for a test and ends it; ready once its
// Application is in the running object table.

#include "com_running.h"

#include <windows.h>

#include <objbase.h>
#include <oleauto.h>

#include <string>
#include <utility>
#include <vector>

class ComHostProcess {
  public:
    // className: the class name the host is to serve, given to it with --name unless it is the
    // default.
    explicit ComHostProcess(const std::vector<std::wstring>& arguments,
                            std::wstring className = defaultClassName)
        : m_className(std::move(className))
    {
        std::wstring commandLine = L"\"" + hostProgram() + L"\"";
        for (const std::wstring& argument : arguments) {
            commandLine += L" \"" + argument + L"\"";
        }
        if (m_className != defaultClassName) {
            commandLine += L" --name \"" + m_className + L"\"";
        }
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &startup, &m_process)) {
            return;
        }
        CloseHandle(m_process.hThread);
        // Bounded wait: the host may also end at once (bad arguments, a second host).
        for (int attempt = 0; attempt < 200 && !running(m_className) && alive(); ++attempt) {
            Sleep(25);
        }
    }
    ~ComHostProcess()
    {
        stop();
        if (m_process.hProcess != nullptr) {
            CloseHandle(m_process.hProcess);
        }
    }
    ComHostProcess(const ComHostProcess&) = delete;
    ComHostProcess& operator=(const ComHostProcess&) = delete;

    static constexpr const wchar_t* defaultClassName = L"AutoCAD.Application";

    // Whether an object of the class name is in the running object table (the calling thread has
    // COM).
    static bool running(const std::wstring& className = defaultClassName)
    {
        return comObjectRunning(className);
    }

    bool alive() const
    {
        return m_process.hProcess != nullptr &&
               WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT;
    }

    // Waits (bounded) for the host to end by itself; its exit code, or STILL_ACTIVE.
    DWORD waitForExit(DWORD milliseconds) const
    {
        DWORD code = STILL_ACTIVE;
        if (m_process.hProcess != nullptr) {
            WaitForSingleObject(m_process.hProcess, milliseconds);
            GetExitCodeProcess(m_process.hProcess, &code);
        }
        return code;
    }

    // Ends the host (its call log is written line by line) and waits until its entry has left
    // the running object table.
    void stop()
    {
        if (alive()) {
            TerminateProcess(m_process.hProcess, 0);
            WaitForSingleObject(m_process.hProcess, 10000);
        }
        for (int attempt = 0; attempt < 200 && running(m_className); ++attempt) {
            Sleep(25);
        }
    }

  private:
    static std::wstring hostProgram()
    {
        std::wstring path(MAX_PATH, L'\0');
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), MAX_PATH);
        path.resize(length);
        return path.substr(0, path.find_last_of(L"\\/") + 1) + L"quorvel-cadhost-com.exe";
    }

    std::wstring m_className;
    PROCESS_INFORMATION m_process{};
};
