// quorvel-cadhost-com: the stand-in CAD host for tests on Windows, a console program without a
// window. It registers its class name machine-wide, puts its Application in the running object
// table and serves calls until it is ended. GetPoint answers from the scripted points, and
// refuses (as a cancelled pick) when none is left.
//   --points "x,y;x,y"   scripted answers to GetPoint
//   --repeat-points      take the scripted points in a cycle (benchmarks)
//   --log FILE           one line per call: object, member, kind, arguments, result or error
//   --fail N:KIND        fail the N-th call (from 1): exception, unknown, sys (or syserror), or
//                        crash (the process ends inside that call); exception and sys may be
//                        given again for other calls
//   --deferred-fill-in   exceptions carry a deferred fill-in that points into this process
//   --variant-points     points go out as arrays of VARIANT instead of arrays of double
//   --name CLASS         the class name to serve (default AutoCAD.Application)
#include "drawing/cad_drawing.h"
#include "host/com/class_registration.h"
#include "host/com/com_host.h"
#include "host/objects/object_model.h"

#include <windows.h>

#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

namespace {

std::string utf8Of(const wchar_t* text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size > 0 ? size - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), size, nullptr, nullptr);
    return result;
}

std::wstring wideOf(const std::string& text)
{
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring result(static_cast<std::size_t>(size > 0 ? size - 1 : 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, result.data(), size);
    return result;
}

std::vector<std::string> arguments()
{
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> result;
    for (int i = 1; wide != nullptr && i < count; ++i) {
        result.push_back(utf8Of(wide[i]));
    }
    LocalFree(wide);
    return result;
}

bool parsePoints(const std::string& text, std::deque<drawing::Vec2>& points)
{
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(';', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string part = text.substr(start, end - start);
        if (!part.empty()) {
            const auto point = drawing::parsePoint(part);
            if (!point) {
                return false;
            }
            points.push_back(*point);
        }
        start = end + 1;
    }
    return true;
}

// Per-user class names are invisible to other processes under some COM implementations; the
// test host registers machine-wide.
bool registerClassName(const std::string& className)
{
    const std::wstring key = L"Software\\Classes\\" + wideOf(className) + L"\\CLSID";
    HKEY handle = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &handle, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const std::wstring classId = cadhost::classIdText(cadhost::hostClassIdFor(className));
    const auto bytes = static_cast<DWORD>((classId.size() + 1) * sizeof(wchar_t));
    const bool done =
        RegSetValueExW(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(classId.c_str()),
                       bytes) == ERROR_SUCCESS;
    RegCloseKey(handle);
    return done;
}

int usage(const char* text)
{
    std::fprintf(stderr, "quorvel-cadhost-com: %s\n", text);
    return 2;
}

} // namespace

int main()
{
    std::string logFile;
    std::string className = "AutoCAD.Application";
    std::deque<drawing::Vec2> points;
    bool repeat = false;
    std::vector<std::pair<int, cadhost::FailKind>> modelFailures;
    cadhost::ComHostFaults faults;

    const std::vector<std::string> args = arguments();
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        const bool hasValue = i + 1 < args.size();
        if (option == "--points" && hasValue) {
            if (!parsePoints(args[++i], points)) {
                return usage("--points takes x,y;x,y");
            }
        } else if (option == "--repeat-points") {
            repeat = true;
        } else if (option == "--log" && hasValue) {
            logFile = args[++i];
        } else if (option == "--name" && hasValue) {
            className = args[++i];
        } else if (option == "--deferred-fill-in") {
            faults.deferredFillIn = true;
        } else if (option == "--variant-points") {
            faults.variantPoints = true;
        } else if (option == "--dispatch-arrays") {
            faults.dispatchArrays = true;
        } else if (option == "--fail" && hasValue) {
            const std::string value = args[++i];
            const std::size_t colon = value.find(':');
            const int index = colon == std::string::npos ? 0 : std::atoi(value.c_str());
            const std::string kind = colon == std::string::npos ? "" : value.substr(colon + 1);
            if (index < 1) {
                return usage("--fail takes N:exception|unknown|sys|crash");
            }
            if (kind == "exception") {
                modelFailures.emplace_back(index, cadhost::FailKind::Exception);
            } else if (kind == "sys" || kind == "syserror") {
                modelFailures.emplace_back(index, cadhost::FailKind::SysError);
            } else if (kind == "unknown") {
                faults.unknownNameAt = index;
            } else if (kind == "crash") {
                faults.crashAt = index;
            } else {
                return usage("--fail takes N:exception|unknown|sys|crash");
            }
        } else {
            return usage(("unknown option " + option).c_str());
        }
    }

    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        return usage("COM cannot be initialised");
    }
    CLSID registered{};
    IUnknown* running = nullptr;
    if (SUCCEEDED(CLSIDFromProgID(wideOf(className).c_str(), &registered)) &&
        SUCCEEDED(GetActiveObject(registered, nullptr, &running))) {
        running->Release();
        std::fprintf(stderr, "quorvel-cadhost-com: %s is already running\n", className.c_str());
        return 1;
    }
    if (!registerClassName(className)) {
        std::fprintf(stderr, "quorvel-cadhost-com: cannot register %s\n", className.c_str());
        return 1;
    }

    drawing::CadDrawing drawing;
    cadhost::ObjectModel model(drawing);
    if (!logFile.empty() && !model.setCallLog(logFile)) {
        std::fprintf(stderr, "quorvel-cadhost-com: cannot write the call log %s\n",
                     logFile.c_str());
        return 2;
    }
    for (const auto& [index, kind] : modelFailures) {
        model.failCall(index, kind);
    }
    model.setScriptedPoints(std::move(points), true, repeat);

    cadhost::ComHost host(model, faults);
    IDispatch* application = host.object("/Application");
    DWORD cookie = 0;
    const HRESULT status = RegisterActiveObject(application, cadhost::hostClassIdFor(className),
                                                ACTIVEOBJECT_STRONG, &cookie);
    application->Release(); // the host and the running object table hold their own
    if (FAILED(status)) {
        std::fprintf(stderr, "quorvel-cadhost-com: RegisterActiveObject failed (0x%08lX)\n",
                     static_cast<unsigned long>(status));
        return 1;
    }
    // Calls arrive as window messages of this single-threaded apartment.
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    RevokeActiveObject(cookie, nullptr);
    CoUninitialize();
    return 0;
}
