// The program as a user runs it on Windows, from the unpacked package and as the installer puts
// it on the machine: quorvel.exe with its window against the stand-in host with its window, over
// COM. Keys and clicks go to the focused window through the system's input queue; results are read
// back through the host's call log, the text a message box copies to the clipboard (Ctrl+C), the
// settings file, the program's folder and the registry.
#include "cad/com/wide_text.h"
#include "call_log.h"
#include "com_running.h"
#include "temp_dir.h"
#include "ui/quorvel_version.h"
#include "ui/settings_file.h"
#include "windows_process.h"
#include "worked_examples.h"

#include <windows.h>

#include <objbase.h>
#include <oleauto.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

namespace {

using namespace std::chrono_literals;

const wchar_t mainTitle[] = L"Тремикон - Quorvel v.1.1";
const wchar_t hostTitle[] = L"Quorvel stand-in CAD host";
const std::wstring defaultClass = L"AutoCAD.Application";
// A CAD program offering the same interface under a class name of its own.
const std::wstring otherClass = L"OtherCad.Application";

std::string withoutCarriageReturns(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

bool hostRunning(const std::wstring& className = defaultClass)
{
    return comObjectRunning(className);
}

bool hostKeyExists(const std::wstring& className)
{
    return keyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + className);
}

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
            text = fromWide(wide);
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
        ASSERT_TRUE(std::filesystem::exists(packageFolder() / "quorvel.exe"))
            << "build the target windows_package first";
        placeProgram();
    }
    void TearDown() override { CoUninitialize(); }

    // The package as a user unpacks it; the program writes its settings file there.
    virtual void placeProgram()
    {
        std::filesystem::copy(packageFolder(), folder, std::filesystem::copy_options::recursive);
    }

    // The stand-in host's arguments: its call log, the class name it serves unless the default,
    // then extra.
    std::wstring hostArguments(const std::wstring& extra,
                               const std::wstring& className = defaultClass) const
    {
        std::wstring arguments = L"--log \"" + utf8Path(dir.file("calls.log")).wstring() + L"\" ";
        if (className != defaultClass) {
            arguments += L"--name " + className + L" ";
        }
        return arguments + extra;
    }

    // Starts the program and waits for its main window in front.
    HWND startProgram(std::unique_ptr<Process>& program) const
    {
        program = std::make_unique<Process>(folder / "quorvel.exe", L"");
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

    // The program of folder, against the stand-in host serving className: Enter draws the worked
    // example in 2D there, Escape closes the program, which writes its settings file, naming that
    // class, beside itself; closing the host writes its DXF and undoes its registration.
    void enterDrawsTheWorkedExampleIn2DAndClosingWritesTheSettings(const std::wstring& className)
    {
        const bool keyBefore = hostKeyExists(className);
        Process host(folder / "quorvel-cadhost.exe",
                     hostArguments(L"--points 0,0 --dxf \"" +
                                       utf8Path(dir.file("out.dxf")).wstring() + L"\"",
                                   className));
        ASSERT_TRUE(waitFor([&] { return hostRunning(className); }))
            << "the stand-in host did not start";

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
        const std::string ini = utf8Text(folder / "quorvel.ini");
        ASSERT_TRUE(std::filesystem::exists(utf8Path(ini)));
        EXPECT_FALSE(readSettings(ini).is3D);
        EXPECT_EQ(toWide(readSettings(ini).cadApplication), className);

        // Closing the host's window ends it: the DXF is written, its registration undone.
        const HWND hostWindow = host.window(hostTitle);
        ASSERT_NE(hostWindow, nullptr);
        PostMessageW(hostWindow, WM_CLOSE, 0, 0);
        ASSERT_TRUE(host.waitForExit(20000)) << "the host did not end";
        EXPECT_FALSE(hostRunning(className));
        EXPECT_EQ(hostKeyExists(className), keyBefore);
        EXPECT_TRUE(std::filesystem::exists(utf8Path(dir.file("out.dxf"))));
    }

    TempDir dir; // the host's files
    TempDir app; // holds the program's folder
    std::filesystem::path folder = app.path();
};

TEST_F(ProgramOnWindows, EnterDrawsTheWorkedExampleIn2DAndClosingWritesTheSettings)
{
    enterDrawsTheWorkedExampleIn2DAndClosingWritesTheSettings(defaultClass);
}

// A CAD program offering the same interface under its own class name, named by the settings file.
TEST_F(ProgramOnWindows, TheSettingsFileNamesTheCadProgramToDrawIn)
{
    std::ofstream(folder / "quorvel.ini", std::ios::binary)
        << "[CAD]\r\nApplication=" << fromWide(otherClass) << "\r\n";
    enterDrawsTheWorkedExampleIn2DAndClosingWritesTheSettings(otherClass);
}

TEST_F(ProgramOnWindows, TheThreeDBoxDrawsTheWorkedExampleAsAPart)
{
    Process host(folder / "quorvel-cadhost.exe", hostArguments(L"--points 0,0"));
    ASSERT_TRUE(waitFor([] { return hostRunning(); })) << "the stand-in host did not start";
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

// «- тело», under Wine against the COM stand-in host: the stud is built as a solid through the
// object model (arrays of doubles and of objects across processes), the helpers deleted, and the
// choice is kept in the settings file.
TEST_F(ProgramOnWindows, TheSolidBoxBuildsTheWorkedExampleThroughTheObjectModel)
{
    Process host(folder / "quorvel-cadhost.exe", hostArguments(L"--points 0,0"));
    ASSERT_TRUE(waitFor([] { return hostRunning(); })) << "the stand-in host did not start";
    std::unique_ptr<Process> program;
    const HWND window = startProgram(program);
    ASSERT_NE(window, nullptr) << "no main window";
    typeWorkedExample();
    // «- 3D» at (480, 58) and «- тело» under it at (480, 76), designed for 120 pixels per inch.
    const HDC screen = GetDC(nullptr);
    const double scale = GetDeviceCaps(screen, LOGPIXELSY) / 120.0;
    ReleaseDC(nullptr, screen);
    click(window, static_cast<int>((480 + 10) * scale), static_cast<int>((58 + 8) * scale));
    click(window, static_cast<int>((480 + 10) * scale), static_cast<int>((76 + 8) * scale));
    press(VK_RETURN);
    ASSERT_TRUE(waitFor([this] { return logEndsWith("_ZOOM\\r_P\\r"); }))
        << "the drawing did not end";
    const Lines log = readLines(dir.file("calls.log"));
    for (const std::string line :
         {"ModelSpace\tAddLightWeightPolyline\t1\t(0,0,112,0,112,4.4,110.4,6,1.6,6,0,4.4)\t-> "
          "/Entities/1",
          "ModelSpace\tAddRegion\t1\t[/Entities/1]\t-> [/Entities/2]",
          "ModelSpace\tAddRevolvedSolid\t1\t/Entities/2|(0,0,0)|(1,0,0)|6.28318530717959\t-> "
          "/Entities/3",
          "Entities/3\tLayer\t4\t2\t-> <empty>", "Entities/2\tDelete\t1\t\t-> <empty>",
          "Entities/1\tDelete\t1\t\t-> <empty>"}) {
        EXPECT_NE(std::find(log.begin(), log.end(), line), log.end()) << line;
    }
    EXPECT_EQ(sentCommands(), (Lines{"AMDT_SKETCH_VIEW\\r", "_ZOOM\\r_W\\r-12,-12\\r124,12\\r",
                                     "_ZOOM\\r_P\\r"}));

    ASSERT_TRUE(waitFor([&] { return IsWindowVisible(window) != FALSE; }));
    bringToFront(window);
    press(VK_ESCAPE);
    ASSERT_TRUE(program->waitForExit(20000)) << "the program did not end";
    const Settings saved = readSettings(utf8Text(folder / "quorvel.ini"));
    EXPECT_TRUE(saved.is3D);
    EXPECT_TRUE(saved.solid3D);
}

// No CAD program under the class name looked up: none at all, or only one under another class
// name that the settings file does not name, which gets not one call.
TEST_F(ProgramOnWindows, WithoutAHostTheMessageNamesStartAcad)
{
    for (const bool otherHost : {false, true}) {
        SCOPED_TRACE(otherHost ? "a host under another class name" : "no host");
        std::unique_ptr<Process> host;
        if (otherHost) {
            host = std::make_unique<Process>(folder / "quorvel-cadhost.exe",
                                             hostArguments(L"--points 0,0", otherClass));
            ASSERT_TRUE(waitFor([] { return hostRunning(otherClass); }))
                << "the stand-in host did not start";
        }
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
        if (otherHost) {
            EXPECT_EQ(readLines(dir.file("calls.log")), Lines{});
        }
    }
}

TEST_F(ProgramOnWindows, TheInsertionPointIsPickedOnTheHostsCanvas)
{
    Process host(folder / "quorvel-cadhost.exe", hostArguments(L""));
    ASSERT_TRUE(waitFor([] { return hostRunning(); })) << "the stand-in host did not start";
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
    Process host(folder / "quorvel-cadhost.exe", hostArguments(L""));
    ASSERT_TRUE(waitFor([] { return hostRunning(); })) << "the stand-in host did not start";
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

#ifdef INSTALLER_NAME
// The program as the installer puts it on the machine: the setup (built from the package's files)
// run silently into a fresh folder of the user's, and its uninstaller run silently afterwards.
class InstalledProgram : public ProgramOnWindows {
  protected:
    // The setup makes the folder: a fresh one, with a Cyrillic name as in a user's own folders.
    void placeProgram() override { folder = app.path() / utf8Path("Программы") / "Quorvel"; }

    static bool uninstallEntryExists() { return keyExists(HKEY_CURRENT_USER, uninstallKey); }
};

TEST_F(InstalledProgram, SilentSetupInstallsAProgramThatDrawsAndSilentUninstallKeepsTheSettings)
{
    const std::filesystem::path setup = packageFolder().parent_path() / INSTALLER_NAME;
    ASSERT_TRUE(std::filesystem::exists(setup)) << "build the target windows_installer first";
    {
        Process install(setup, L"/S /D=" + folder.wstring());
        ASSERT_TRUE(install.waitForExit(120000)) << "the setup did not end";
        EXPECT_EQ(install.exitCode(), 0u);
    }

    // The package's files unchanged, the uninstaller, the Start-menu entry and the user's
    // uninstall entry.
    const std::vector<std::filesystem::path> files = packageFiles();
    ASSERT_FALSE(files.empty());
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        ASSERT_TRUE(std::filesystem::exists(folder / file));
        EXPECT_TRUE(bytesOf(folder / file) == bytesOf(packageFolder() / file));
    }
    EXPECT_TRUE(std::filesystem::exists(folder / "uninstall.exe"));
    EXPECT_TRUE(std::filesystem::exists(startMenuShortcut())) << startMenuShortcut().string();
    EXPECT_EQ(uninstallValue(L"DisplayName"), L"Quorvel");
    EXPECT_EQ(uninstallValue(L"DisplayVersion"), toWide(quorvelVersion));
    EXPECT_EQ(uninstallValue(L"InstallLocation"), folder.wstring());
    EXPECT_EQ(uninstallValue(L"UninstallString"),
              L"\"" + (folder / "uninstall.exe").wstring() + L"\"");

    enterDrawsTheWorkedExampleIn2DAndClosingWritesTheSettings(defaultClass);

    // The uninstaller runs a copy of itself elsewhere and ends at once; the copy removes the
    // files, the uninstaller itself and, last, the entry.
    {
        Process uninstall(folder / "uninstall.exe", L"/S");
        ASSERT_TRUE(uninstall.waitForExit(60000)) << "the uninstaller did not end";
    }
    ASSERT_TRUE(waitFor(
        [&] {
            return !uninstallEntryExists() && !std::filesystem::exists(folder / "uninstall.exe");
        },
        60s))
        << "the uninstall did not end";
    for (const auto& file : files) {
        EXPECT_FALSE(std::filesystem::exists(folder / file)) << file.string();
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "platforms"));
    EXPECT_FALSE(std::filesystem::exists(startMenuShortcut()));
    EXPECT_TRUE(std::filesystem::exists(folder / "quorvel.ini"));
    EXPECT_EQ(std::vector<std::filesystem::path>(std::filesystem::directory_iterator(folder),
                                                 std::filesystem::directory_iterator()),
              std::vector<std::filesystem::path>{folder / "quorvel.ini"});
}
#endif

} // namespace
