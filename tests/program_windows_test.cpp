// The program as a user runs it on Windows, from the unpacked package: quorvel.exe with its window
// against the stand-in host with its window, over COM. Keys and clicks go to the focused window
// through the system's input queue; results are read back through the host's call log, the text a
// message box copies to the clipboard (Ctrl+C), the settings file and the registry.
#include "temp_dir.h"
#include "ui/settings_file.h"
#include "worked_examples.h"

#include <windows.h>

#include <objbase.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

const std::string startText = "Модуль   : Quorvel_Draw\r\nПроцедура: Start_ACAD\r\nОшибка   : ";
const wchar_t mainTitle[] = L"Тремикон - Quorvel v.1.1";
const wchar_t hostTitle[] = L"Quorvel stand-in CAD host";
const wchar_t hostKey[] = L"Software\\Classes\\AutoCAD.Application";

// The unpacked Windows package (target windows_package) in the build folder, where this test is
// built too (or in its tests/).
std::filesystem::path packageFolder()
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
bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 30s)
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
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

Lines readLines(const std::string& file)
{
    Lines lines;
    std::ifstream in(utf8Path(file));
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string utf8Of(const std::wstring& text)
{
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size > 0 ? size - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, result.data(), size, nullptr, nullptr);
    return result;
}

std::string withoutCarriageReturns(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

bool hostRunning()
{
    CLSID classId{};
    IUnknown* object = nullptr;
    if (FAILED(CLSIDFromProgID(L"AutoCAD.Application", &classId)) ||
        FAILED(GetActiveObject(classId, nullptr, &object))) {
        return false;
    }
    object->Release();
    return true;
}

bool hostKeyExists()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, hostKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
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

void sendInputs(std::vector<INPUT> inputs)
{
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    std::this_thread::sleep_for(150ms); // let the program take them before the next step
}

INPUT key(WORD virtualKey, bool up)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

void press(WORD virtualKey)
{
    sendInputs({key(virtualKey, false), key(virtualKey, true)});
}

void pressWith(WORD modifier, WORD virtualKey)
{
    sendInputs(
        {key(modifier, false), key(virtualKey, false), key(virtualKey, true), key(modifier, true)});
}

void type(const std::wstring& text)
{
    for (wchar_t character : text) {
        INPUT down{};
        down.type = INPUT_KEYBOARD;
        down.ki.wScan = character;
        down.ki.dwFlags = KEYEVENTF_UNICODE;
        INPUT up = down;
        up.ki.dwFlags |= KEYEVENTF_KEYUP;
        sendInputs({down, up});
    }
}

// A left click at a point of the window's client area.
void click(HWND window, int x, int y)
{
    POINT point{x, y};
    ClientToScreen(window, &point);
    SetCursorPos(point.x, point.y);
    INPUT down{};
    down.type = INPUT_MOUSE;
    down.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    INPUT up = down;
    up.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    sendInputs({down, up});
}

bool bringToFront(HWND window)
{
    return waitFor(
        [window] {
            SetForegroundWindow(window);
            return GetForegroundWindow() == window;
        },
        10s);
}

std::string clipboardText()
{
    std::string text;
    if (!OpenClipboard(nullptr)) {
        return text;
    }
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = utf8Of(wide);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

class ProgramOnWindows : public ::testing::Test {
  protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        ASSERT_FALSE(hostRunning()) << "another CAD host is running";
        // The package as a user unpacks it; the program writes its settings file there.
        ASSERT_TRUE(std::filesystem::exists(packageFolder() / "quorvel.exe"))
            << "build the target windows_package first";
        std::filesystem::copy(packageFolder(), app.path(),
                              std::filesystem::copy_options::recursive);
    }
    void TearDown() override { CoUninitialize(); }

    std::wstring hostArguments(const std::wstring& extra) const
    {
        return L"--log \"" + utf8Path(dir.file("calls.log")).wstring() + L"\" " + extra;
    }

    // Starts the program and waits for its main window in front.
    HWND startProgram(std::unique_ptr<Process>& program) const
    {
        program = std::make_unique<Process>(app.path() / "quorvel.exe", L"");
        HWND window = nullptr;
        waitFor([&] { return (window = program->window(mainTitle)) != nullptr; });
        if (window != nullptr) {
            bringToFront(window);
        }
        return window;
    }

    // Types the worked example's d 12 and L 100 into the focused diameter box and the length box.
    static void typeWorkedExample()
    {
        pressWith(VK_CONTROL, 'A');
        type(L"12");
        press(VK_TAB);
        pressWith(VK_CONTROL, 'A');
        type(L"100");
    }

    Lines sentCommands() const
    {
        const std::string prefix = "Document\tSendCommand\t1\t";
        Lines texts;
        for (const std::string& line : readLines(dir.file("calls.log"))) {
            if (line.rfind(prefix, 0) == 0) {
                texts.push_back(line.substr(prefix.size(), line.find("\t->") - prefix.size()));
            }
        }
        return texts;
    }

    bool logEndsWith(const std::string& last) const
    {
        const Lines lines = readLines(dir.file("calls.log"));
        return !lines.empty() && lines.back().find(last) != std::string::npos;
    }

    TempDir dir; // the host's files
    TempDir app; // the program's folder
};

TEST_F(ProgramOnWindows, EnterDrawsTheWorkedExampleIn2DAndClosingWritesTheSettings)
{
    const bool keyBefore = hostKeyExists();
    Process host(
        app.path() / "quorvel-cadhost.exe",
        hostArguments(L"--points 0,0 --dxf \"" + utf8Path(dir.file("out.dxf")).wstring() + L"\""));
    ASSERT_TRUE(waitFor(hostRunning)) << "the stand-in host did not start";

    std::unique_ptr<Process> program;
    const HWND window = startProgram(program);
    ASSERT_NE(window, nullptr) << "no main window";
    typeWorkedExample();
    press(VK_RETURN);
    ASSERT_TRUE(waitFor([this] { return logEndsWith("_ZOOM\\r_P\\r"); }))
        << "the drawing did not end";
    // The window hands over the overall length L + b1 = 112; the rest is the worked example's.
    Lines expected = workedExample2DCalls;
    for (std::string& line : expected) {
        for (const auto& [from, to] : {std::pair<std::string, std::string>{"112,12", "124,12"},
                                       {"100", "112"},
                                       {"101.6", "113.6"},
                                       {"98.4", "110.4"},
                                       {"70,", "82,"}}) {
            for (auto at = line.find(from); at != std::string::npos; at = line.find(from, at)) {
                line.replace(at, from.size(), to);
                at += to.size();
            }
        }
    }
    EXPECT_EQ(readLines(dir.file("calls.log")), expected);

    // Escape closes the main window, which writes the settings file beside the program.
    ASSERT_TRUE(waitFor([&] { return IsWindowVisible(window) != FALSE; }));
    bringToFront(window);
    press(VK_ESCAPE);
    ASSERT_TRUE(program->waitForExit(20000)) << "the program did not end";
    const std::string ini = utf8Text(app.path() / "quorvel.ini");
    ASSERT_TRUE(std::filesystem::exists(utf8Path(ini)));
    EXPECT_FALSE(readSettings(ini).is3D);

    // Closing the host's window ends it: the DXF is written, its registration undone.
    const HWND hostWindow = host.window(hostTitle);
    ASSERT_NE(hostWindow, nullptr);
    PostMessageW(hostWindow, WM_CLOSE, 0, 0);
    ASSERT_TRUE(host.waitForExit(20000)) << "the host did not end";
    EXPECT_FALSE(hostRunning());
    EXPECT_EQ(hostKeyExists(), keyBefore);
    EXPECT_TRUE(std::filesystem::exists(utf8Path(dir.file("out.dxf"))));
}

TEST_F(ProgramOnWindows, TheThreeDBoxDrawsTheWorkedExampleAsAPart)
{
    Process host(app.path() / "quorvel-cadhost.exe", hostArguments(L"--points 0,0"));
    ASSERT_TRUE(waitFor(hostRunning)) << "the stand-in host did not start";
    std::unique_ptr<Process> program;
    const HWND window = startProgram(program);
    ASSERT_NE(window, nullptr) << "no main window";
    typeWorkedExample();
    // The "- 3D" box: designed at (480, 58) for 120 pixels per inch, scaled to the screen's.
    const HDC screen = GetDC(nullptr);
    const double scale = GetDeviceCaps(screen, LOGPIXELSY) / 120.0;
    ReleaseDC(nullptr, screen);
    click(window, static_cast<int>((480 + 10) * scale), static_cast<int>((58 + 8) * scale));
    press(VK_RETURN);
    ASSERT_TRUE(waitFor([this] { return logEndsWith("_ZOOM\\r_P\\r"); }))
        << "the drawing did not end";
    EXPECT_EQ(sentCommands(), workedExample3DCommands);
}

TEST_F(ProgramOnWindows, WithoutAHostTheMessageNamesStartAcad)
{
    std::unique_ptr<Process> program;
    const HWND window = startProgram(program);
    ASSERT_NE(window, nullptr) << "no main window";
    press(VK_RETURN);
    HWND box = nullptr;
    ASSERT_TRUE(waitFor([&] { return (box = program->window(L"", window)) != nullptr; }))
        << "no message box";
    bringToFront(box);
    OpenClipboard(nullptr);
    EmptyClipboard();
    CloseClipboard();
    pressWith(VK_CONTROL, 'C'); // a message box copies its caption and text
    std::string copied;
    waitFor([&] { return !(copied = clipboardText()).empty(); }, 10s);
    EXPECT_NE(withoutCarriageReturns(copied).find(
                  withoutCarriageReturns(startText + "Операция недоступна! (EOleSysError)")),
              std::string::npos)
        << copied;
    press(VK_RETURN); // OK: the main window is back
    EXPECT_TRUE(waitFor([&] { return IsWindowVisible(window) != FALSE; }));
}

TEST_F(ProgramOnWindows, TheInsertionPointIsPickedOnTheHostsCanvas)
{
    Process host(app.path() / "quorvel-cadhost.exe", hostArguments(L""));
    ASSERT_TRUE(waitFor(hostRunning)) << "the stand-in host did not start";
    HWND hostWindow = nullptr;
    ASSERT_TRUE(waitFor([&] { return (hostWindow = host.window(hostTitle)) != nullptr; }));
    std::unique_ptr<Process> program;
    ASSERT_NE(startProgram(program), nullptr) << "no main window";
    press(VK_RETURN);
    // The host asks for the point (GetPoint is logged when answered; Utility comes just before).
    ASSERT_TRUE(waitFor([this] { return logEndsWith("Utility\t3\t\t-> /Utility"); }));
    std::this_thread::sleep_for(500ms);
    ASSERT_TRUE(bringToFront(hostWindow));
    click(hostWindow, 300, 300); // on the canvas
    ASSERT_TRUE(waitFor([this] { return logEndsWith("_ZOOM\\r_P\\r"); }))
        << "the drawing did not end";
    const Lines log = readLines(dir.file("calls.log"));
    const std::string picked = "Utility\tGetPoint\t1\t<empty>|Insert point: \t-> (";
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [&](const std::string& line) { return line.rfind(picked, 0) == 0; }),
              1);
}

TEST_F(ProgramOnWindows, AProgramThatEndsDuringThePickLeavesNoPickBehind)
{
    Process host(app.path() / "quorvel-cadhost.exe", hostArguments(L""));
    ASSERT_TRUE(waitFor(hostRunning)) << "the stand-in host did not start";
    HWND hostWindow = nullptr;
    ASSERT_TRUE(waitFor([&] { return (hostWindow = host.window(hostTitle)) != nullptr; }));
    const auto askedForThePoint = [this] { return logEndsWith("Utility\t3\t\t-> /Utility"); };
    {
        std::unique_ptr<Process> program;
        ASSERT_NE(startProgram(program), nullptr) << "no main window";
        press(VK_RETURN);
        ASSERT_TRUE(waitFor(askedForThePoint));
        std::this_thread::sleep_for(500ms); // its GetPoint waits for the user now
    }                                       // the program is ended
    ASSERT_TRUE(waitFor([this] {
        return logEndsWith("Point selection cancelled: the caller left");
    })) << "the pick of the ended program was kept";
    // The next program's pick waits for the user, as the first one's did.
    std::unique_ptr<Process> program;
    ASSERT_NE(startProgram(program), nullptr) << "no main window";
    press(VK_RETURN);
    ASSERT_TRUE(waitFor(askedForThePoint));
    std::this_thread::sleep_for(500ms);
    ASSERT_TRUE(bringToFront(hostWindow));
    click(hostWindow, 300, 300);
    EXPECT_TRUE(waitFor([this] { return logEndsWith("_ZOOM\\r_P\\r"); }))
        << "the drawing did not end";
}

} // namespace
