// The package (target windows_package) as users get it, and the setup program (target
// windows_installer) as careful, careless and hostile users run it: updates over a copy with
// edited tables, folders it must refuse, a second folder or a second setup at once, installs cut
// short, folders moved or deleted by hand, files held open by other programs, a downgrade, and
// updating or uninstalling while Quorvel runs. Each refusal must end with a non-zero status and
// leave no trace: no files, no uninstall entry, no Start-menu shortcut; a refused update or
// uninstall leaves the installed copy byte for byte as it was. Read back through the install
// folder, the registry, the shortcut and the uninstaller's status (run in place with _?=, so that
// it is the one that does the work).
#include "temp_dir.h"
#include "windows_process.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>

namespace {

std::filesystem::path setupProgram()
{
    return packageFolder().parent_path() / INSTALLER_NAME;
}

// The exit status of a program run to its end, or -1 when it did not end within two minutes.
long runToEnd(const std::filesystem::path& program, const std::wstring& arguments)
{
    Process process(program, arguments);
    if (!process.waitForExit(120000)) {
        return -1;
    }
    return static_cast<long>(process.exitCode());
}

long runSetup(const std::wstring& arguments)
{
    return runToEnd(setupProgram(), arguments);
}

// _?= must come last and takes the folder unquoted, blanks and all.
long runUninstaller(const std::filesystem::path& folder)
{
    return runToEnd(folder / "uninstall.exe", L"/S _?=" + folder.wstring());
}

// The uninstaller that the entry names, as Windows starts it (Apps & features); "" without one.
std::filesystem::path entryUninstaller()
{
    std::wstring program = uninstallValue(L"UninstallString");
    if (program.size() >= 2 && program.front() == L'"' && program.back() == L'"') {
        program = program.substr(1, program.size() - 2);
    }
    return program;
}

// What the setup records of a table it installed: the length and the FNV-1a hash of the bytes.
std::wstring fingerprint(const std::string& bytes)
{
    std::uint32_t hash = 0x811C9DC5u;
    for (const char byte : bytes) {
        hash = (hash ^ static_cast<unsigned char>(byte)) * 16777619u;
    }
    wchar_t text[32];
    std::swprintf(text, 32, L"%zu:%08X", bytes.size(), hash);
    return text;
}

// A value corrected in a table, as a user corrects it in an editor: one digit changed.
std::string corrected(std::string table)
{
    const auto digit = table.find_first_of("123456789");
    table[digit] = table[digit] == '9' ? '8' : static_cast<char>(table[digit] + 1);
    return table;
}

void writeBytes(const std::filesystem::path& file, const std::string& bytes)
{
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<std::filesystem::path> folderContents(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Every file under folder with its bytes (a subfolder as "<folder>"), to tell that nothing changed.
using Snapshot = std::map<std::filesystem::path, std::string>;
Snapshot snapshotOf(const std::filesystem::path& folder)
{
    Snapshot files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const auto name = std::filesystem::relative(entry.path(), folder);
        files[name] = entry.is_directory() ? std::string("<folder>") : bytesOf(entry.path());
    }
    return files;
}

// The names whose content differs between two snapshots (or that only one has).
std::vector<std::filesystem::path> changedFiles(const Snapshot& before, const Snapshot& after)
{
    std::vector<std::filesystem::path> names;
    for (const auto& [name, bytes] : before) {
        if (after.count(name) == 0 || after.at(name) != bytes) {
            names.push_back(name);
        }
    }
    for (const auto& entry : after) {
        if (before.count(entry.first) == 0) {
            names.push_back(entry.first);
        }
    }
    return names;
}

std::filesystem::path defaultFolder()
{
    wchar_t local[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local);
    return std::filesystem::path(local) / L"Programs" / L"Quorvel";
}

std::filesystem::path windowsFolder()
{
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    return windows;
}

bool registered()
{
    return keyExists(HKEY_CURRENT_USER, uninstallKey);
}

void setUninstallValue(const wchar_t* name, const std::wstring& value)
{
    RegSetKeyValueW(HKEY_CURRENT_USER, uninstallKey, name, REG_SZ, value.c_str(),
                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

DWORD uninstallNumber(const wchar_t* name)
{
    DWORD value = 0;
    DWORD bytes = sizeof(value);
    RegGetValueW(HKEY_CURRENT_USER, uninstallKey, name, RRF_RT_REG_DWORD, nullptr, &value, &bytes);
    return value;
}

// A value of the setup's record beside the uninstaller.
void setRecordValue(const std::filesystem::path& folder, const wchar_t* section, const wchar_t* key,
                    const std::wstring& value)
{
    WritePrivateProfileStringW(section, key, value.c_str(), (folder / "uninstall.ini").c_str());
}

// The file the Start-menu shortcut starts, as the shortcut holds it; empty without a shortcut.
std::wstring shortcutTarget()
{
    std::wstring target;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            wchar_t path[MAX_PATH] = {};
            if (SUCCEEDED(file->Load(startMenuShortcut().c_str(), STGM_READ)) &&
                SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH))) {
                target = path;
            }
            file->Release();
        }
        link->Release();
    }
    CoUninitialize();
    return target;
}

// Whether two names (a long and a short one, say) name the same existing file.
bool sameFile(const std::filesystem::path& one, const std::filesystem::path& other)
{
    const auto identity = [](const std::filesystem::path& file) {
        BY_HANDLE_FILE_INFORMATION information{};
        const HANDLE handle =
            CreateFileW(file.c_str(), FILE_READ_ATTRIBUTES,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, 0, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            return std::string();
        }
        GetFileInformationByHandle(handle, &information);
        CloseHandle(handle);
        return std::to_string(information.dwVolumeSerialNumber) + ":" +
               std::to_string(information.nFileIndexHigh) + ":" +
               std::to_string(information.nFileIndexLow);
    };
    return !identity(one).empty() && identity(one) == identity(other);
}

// A file held open by another program, as an editor or a viewer holds it, for its lifetime.
class HeldFile {
  public:
    HeldFile(const std::filesystem::path& file, DWORD sharing)
        : m_handle(CreateFileW(file.c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0,
                               nullptr))
    {
    }
    ~HeldFile()
    {
        if (held()) {
            CloseHandle(m_handle);
        }
    }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    bool held() const { return m_handle != INVALID_HANDLE_VALUE; }

  private:
    HANDLE m_handle;
};

// The texts of a window's controls, one a line (a message box's text and buttons).
std::wstring controlTexts(HWND window)
{
    std::wstring texts;
    EnumChildWindows(
        window,
        [](HWND child, LPARAM data) -> BOOL {
            wchar_t text[1024] = {};
            GetWindowTextW(child, text, 1023);
            *reinterpret_cast<std::wstring*>(data) += std::wstring(text) + L"\n";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
}

class Setup : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(std::filesystem::exists(setupProgram()))
            << "build the target windows_installer first";
        forgetInstallation(); // of a run that ended half-way
        defaultFolderExisted = std::filesystem::exists(defaultFolder());
    }
    void TearDown() override { forgetInstallation(); }

    static void forgetInstallation()
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, uninstallKey);
        std::error_code ignored;
        std::filesystem::remove(startMenuShortcut(), ignored);
    }

    static void install(const std::filesystem::path& folder)
    {
        ASSERT_EQ(runSetup(L"/S /D=" + folder.wstring()), 0);
        ASSERT_EQ(uninstallValue(L"InstallLocation"), folder.wstring());
    }

    // Every file of the package in folder, as shipped.
    static void expectPackageIn(const std::filesystem::path& folder)
    {
        for (const auto& file : packageFiles()) {
            SCOPED_TRACE(file.string());
            EXPECT_TRUE(bytesOf(folder / file) == bytesOf(packageFolder() / file));
        }
    }

    // The copy in folder registered, whole; uninstalled, none of the package's files stay.
    static void expectInstalledThenUninstall(const std::filesystem::path& folder)
    {
        EXPECT_EQ(uninstallValue(L"InstallLocation"), folder.wstring());
        expectPackageIn(folder);
        ASSERT_EQ(runUninstaller(folder), 0);
        EXPECT_FALSE(registered());
        for (const auto& file : packageFiles()) {
            EXPECT_FALSE(std::filesystem::exists(folder / file)) << file.string();
        }
    }

    // The machine as it was before a refused setup: nothing registered, no shortcut, nothing in
    // the default folder.
    void expectNoTrace() const
    {
        EXPECT_FALSE(registered());
        EXPECT_FALSE(std::filesystem::exists(startMenuShortcut()));
        if (!defaultFolderExisted) {
            EXPECT_FALSE(std::filesystem::exists(defaultFolder()));
        }
    }

    TempDir app;
    bool defaultFolderExisted = false;
};

TEST_F(Setup, AnUpdateKeepsTablesTheUserChangedAndUninstallKeepsThemWithTheSettings)
{
    // Quoted, as Windows quotes a folder with blanks.
    const std::filesystem::path folder = app.path() / utf8Path("Мои программы") / "Quorvel";
    ASSERT_EQ(runSetup(L"/S /D=\"" + folder.wstring() + L"\""), 0);
    ASSERT_EQ(uninstallValue(L"InstallLocation"), folder.wstring());
    expectPackageIn(folder);

    // A value corrected in place, the table then made read-only; and a table as an earlier
    // version shipped it, which the update replaces.
    const std::string shipped = bytesOf(packageFolder() / "quorvel_22032-76.dat");
    const std::string changed = corrected(shipped);
    writeBytes(folder / "quorvel_22032-76.dat", changed);
    SetFileAttributesW((folder / "quorvel_22032-76.dat").c_str(), FILE_ATTRIBUTE_READONLY);
    const std::string earlier = corrected(bytesOf(packageFolder() / "quorvel_22033-76.dat"));
    writeBytes(folder / "quorvel_22033-76.dat", earlier);
    setRecordValue(folder, L"Tables", L"quorvel_22033-76.dat", fingerprint(earlier));
    writeBytes(folder / "quorvel.ini", "[Общая]\r\n");

    // The update goes where the installed copy is.
    ASSERT_EQ(runSetup(L"/S"), 0);
    EXPECT_TRUE(bytesOf(folder / "quorvel_22032-76.dat") == changed);
    EXPECT_TRUE(bytesOf(folder / "quorvel_22032-76.new.dat") == shipped);
    EXPECT_FALSE(std::filesystem::exists(folder / "quorvel_22033-76.new.dat"));
    for (const auto& file : packageFiles()) {
        if (file != "quorvel_22032-76.dat") {
            SCOPED_TRACE(file.string());
            EXPECT_TRUE(bytesOf(folder / file) == bytesOf(packageFolder() / file));
        }
    }

    ASSERT_EQ(runUninstaller(folder), 0);
    EXPECT_FALSE(registered());
    // The uninstaller ran in place: it stays; the changed table and the settings stay with it.
    EXPECT_EQ(folderContents(folder), (std::vector<std::filesystem::path>{
                                          "quorvel.ini", "quorvel_22032-76.dat", "uninstall.exe"}));
    EXPECT_TRUE(bytesOf(folder / "quorvel_22032-76.dat") == changed);
}

// A new shipped table goes beside a table the user changed; it never takes the place of a file of
// the user's there: the user's own <name>.new.dat, or a folder of that name. One that an earlier
// update wrote is replaced. The uninstaller removes only the tables the setup wrote.
TEST_F(Setup, ANewTableBesideAChangedOneNeverReplacesTheUsersFiles)
{
    const std::filesystem::path folder = app.path() / "Quorvel";
    install(folder);
    const struct {
        const char* label;
        std::string table;
        // Makes <table>.new.dat as the user or an earlier update left it.
        std::function<void(const std::filesystem::path& beside, const std::string& table)> leave;
        // The name the new shipped table is expected under, and whether <table>.new.dat stays.
        std::string expectedName;
        bool besideStays;
    } rows[] = {
        {"the user's own .new.dat", "quorvel_ris_1",
         [](const std::filesystem::path& beside, const std::string&) {
             writeBytes(beside, "the user's own merge of the two tables");
         },
         "quorvel_ris_1.new-2.dat", true},
        {"a folder named .new.dat", "quorvel_22034-76",
         [](const std::filesystem::path& beside, const std::string&) {
             std::filesystem::create_directory(beside);
         },
         "quorvel_22034-76.new-2.dat", true},
        {"the .new.dat an earlier update wrote", "quorvel_22035-76",
         [&](const std::filesystem::path& beside, const std::string& table) {
             const std::string earlier = corrected(corrected(bytesOf(packageFolder() / table)));
             writeBytes(beside, earlier);
             setRecordValue(folder, L"Tables", utf8Path(table).c_str(), fingerprint(earlier));
         },
         "quorvel_22035-76.new.dat", false},
    };
    // What the user left: the changed table and <table>.new.dat, by label.
    std::map<std::string, std::pair<std::string, std::string>> left;
    for (const auto& row : rows) {
        const std::filesystem::path table = folder / (row.table + ".dat");
        const std::filesystem::path beside = folder / (row.table + ".new.dat");
        writeBytes(table, corrected(bytesOf(packageFolder() / (row.table + ".dat"))));
        row.leave(beside, row.table + ".dat");
        left[row.label] = {bytesOf(table), bytesOf(beside)};
    }

    ASSERT_EQ(runSetup(L"/S"), 0);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const std::string shipped = bytesOf(packageFolder() / (row.table + ".dat"));
        EXPECT_TRUE(bytesOf(folder / (row.table + ".dat")) == left[row.label].first);
        EXPECT_TRUE(bytesOf(folder / row.expectedName) == shipped);
        if (row.besideStays) {
            EXPECT_TRUE(bytesOf(folder / (row.table + ".new.dat")) == left[row.label].second);
        }
    }

    ASSERT_EQ(runUninstaller(folder), 0);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_TRUE(std::filesystem::exists(folder / (row.table + ".dat")));
        EXPECT_FALSE(std::filesystem::exists(folder / row.expectedName));
        EXPECT_EQ(std::filesystem::exists(folder / (row.table + ".new.dat")), row.besideStays);
    }
}

// A folder the setup must not use ends it with a non-zero status and no trace, rather than an
// install into the default folder or a registered install without its files.
TEST_F(Setup, AFolderItCannotUseIsRefused)
{
    const std::filesystem::path file = app.path() / "notes.txt";
    writeBytes(file, "notes");
    // Another program's folder, holding a library of the same name as one of Quorvel's.
    const std::filesystem::path shared = app.path() / "Tools";
    std::filesystem::create_directories(shared);
    writeBytes(shared / "Qt6Core.dll", "another program's library");
    std::wstring missingDrive = L"Q:\\Quorvel";
    for (wchar_t drive = L'Q'; drive <= L'Y'; ++drive) {
        if ((GetLogicalDrives() & (1u << (drive - L'A'))) == 0) {
            missingDrive[0] = drive;
            break;
        }
    }
    const std::wstring systemDrive = windowsFolder().root_path().wstring();
    const struct {
        const char* label;
        std::wstring option;
    } rows[] = {
        {"a relative folder", L"/D=Quorvel"},
        {"a drive that does not exist", L"/D=" + missingDrive},
        {"a file", L"/D=" + file.wstring()},
        {"an opening quote without its end", L"/D=\"" + (app.path() / "Quorvel").wstring()},
        {"a quoted option without its end", L"\"/D=" + (app.path() / "Quorvel").wstring()},
        {"a name no folder may have", L"/D=" + (app.path() / "Quorvel?").wstring()},
        // Under Wine, Z: is the machine's root: /proc cannot be written, not even by root.
        {"a folder that cannot be written", L"/D=Z:\\proc"},
        {"another program's folder", L"/D=" + shared.wstring()},
        {"a drive's root", L"/D=" + systemDrive},
        {"the Windows folder", L"/D=" + windowsFolder().wstring()},
        {"a folder in the Windows folder", L"/D=" + (windowsFolder() / "Quorvel").wstring()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const long status = runSetup(L"/S " + row.option);
        EXPECT_NE(status, 0);
        EXPECT_NE(status, -1) << "the setup did not end";
        expectNoTrace();
        forgetInstallation();
    }
    EXPECT_EQ(folderContents(shared), std::vector<std::filesystem::path>{"Qt6Core.dll"});
    EXPECT_EQ(bytesOf(shared / "Qt6Core.dll"), "another program's library");
    EXPECT_EQ(bytesOf(file), "notes");
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(systemDrive) / "quorvel.exe"));
    EXPECT_FALSE(std::filesystem::exists(windowsFolder() / "quorvel.exe"));
    EXPECT_FALSE(std::filesystem::exists(windowsFolder() / "Quorvel"));
}

// /D= as scripts and shells pass it: the setup installs into that folder or refuses, never into
// the default folder instead.
TEST_F(Setup, TheFolderOptionIsTakenHoweverItIsQuoted)
{
    const struct {
        const char* label;
        std::filesystem::path folder;
        std::wstring option;
    } rows[] = {
        // As PowerShell quotes an argument with blanks.
        {"the whole option quoted", app.path() / "My Tools" / "Quorvel",
         L"\"/D=" + (app.path() / "My Tools" / "Quorvel").wstring() + L"\""},
        {"in small letters", app.path() / "Tools" / "Quorvel",
         L"/d=" + (app.path() / "Tools" / "Quorvel").wstring()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        ASSERT_EQ(runSetup(L"/S " + row.option), 0);
        if (!defaultFolderExisted) {
            EXPECT_FALSE(std::filesystem::exists(defaultFolder()));
        }
        expectInstalledThenUninstall(row.folder);
    }
}

// The same setup run twice at once into two folders: the second waits for the first, then finds
// Quorvel installed in the other folder and refuses; one copy, one entry.
TEST_F(Setup, TwoSetupsAtOnceInstallOneCopy)
{
    const std::filesystem::path folders[] = {app.path() / "First", app.path() / "Second"};
    long statuses[2] = {};
    {
        Process first(setupProgram(), L"/S /D=" + folders[0].wstring());
        Process second(setupProgram(), L"/S /D=" + folders[1].wstring());
        ASSERT_TRUE(first.waitForExit(240000) && second.waitForExit(240000));
        statuses[0] = static_cast<long>(first.exitCode());
        statuses[1] = static_cast<long>(second.exitCode());
    }
    ASSERT_EQ(std::min(statuses[0], statuses[1]), 0);
    ASSERT_EQ(std::max(statuses[0], statuses[1]), 2);
    const std::filesystem::path& installed = folders[statuses[0] == 0 ? 0 : 1];
    const std::filesystem::path& refused = folders[statuses[0] == 0 ? 1 : 0];
    EXPECT_FALSE(std::filesystem::exists(refused / "quorvel.exe"));
    EXPECT_FALSE(std::filesystem::exists(refused / "uninstall.exe"));
    expectInstalledThenUninstall(installed);
}

// One installation per user: a second folder would take over the one uninstall entry.
TEST_F(Setup, ASecondFolderIsRefusedWhileOneIsInstalled)
{
    const std::filesystem::path first = app.path() / "First";
    const std::filesystem::path second = app.path() / "Second";
    install(first);
    EXPECT_NE(runSetup(L"/S /D=" + second.wstring()), 0);
    // The same folder written otherwise is an update.
    EXPECT_EQ(runSetup(L"/S /D=" + first.wstring() + L"\\"), 0);
    EXPECT_EQ(uninstallValue(L"InstallLocation"), first.wstring());
    EXPECT_FALSE(std::filesystem::exists(second / "quorvel.exe"));
    EXPECT_EQ(runUninstaller(first), 0);
    EXPECT_FALSE(registered());
}

// Quorvel's own files without a working registration are an earlier copy of Quorvel, not another
// program's: the setup installs over them, and the uninstaller then removes them.
TEST_F(Setup, AnInstallCutShortOrUnregisteredIsInstalledOver)
{
    const auto copyPackage = [](const std::filesystem::path& folder) {
        std::filesystem::create_directories(folder);
        std::filesystem::copy(packageFolder(), folder, std::filesystem::copy_options::recursive);
    };
    const struct {
        const char* label;
        std::function<void(const std::filesystem::path& folder)> leave;
    } rows[] = {
        {"a first install killed as soon as its first program file was written",
         [](const std::filesystem::path& folder) {
             Process setup(setupProgram(), L"/S /D=" + folder.wstring());
             ASSERT_TRUE(waitFor(
                 [&] {
                     return std::filesystem::exists(folder / "Qt6Core.dll") ||
                            std::filesystem::exists(folder / "quorvel.exe") ||
                            std::filesystem::exists(folder / "platforms");
                 },
                 std::chrono::seconds(60)));
             ASSERT_TRUE(setup.running()) << "the setup ended before it was killed";
         }}, // the setup is killed here
        {"a first install of an earlier setup cut short by a full disk",
         [](const std::filesystem::path& folder) {
             std::filesystem::create_directories(folder);
             std::filesystem::copy_file(packageFolder() / "Qt6Core.dll", folder / "Qt6Core.dll");
             const std::string gui = bytesOf(packageFolder() / "Qt6Gui.dll");
             writeBytes(folder / "Qt6Gui.dll", gui.substr(0, gui.size() / 2));
         }},
        {"the package unpacked by hand", copyPackage},
        {"an installation whose entry was deleted",
         [](const std::filesystem::path& folder) {
             install(folder);
             RegDeleteTreeW(HKEY_CURRENT_USER, uninstallKey);
         }},
        {"an installation whose uninstaller was deleted",
         [](const std::filesystem::path& folder) {
             install(folder);
             std::filesystem::remove(folder / "uninstall.exe");
         }},
    };
    int index = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const std::filesystem::path folder = app.path() / ("Quorvel" + std::to_string(++index));
        row.leave(folder);
        const long status = runSetup(L"/S /D=" + folder.wstring());
        EXPECT_EQ(status, 0);
        if (status == 0) {
            expectInstalledThenUninstall(folder);
        }
        forgetInstallation();
    }
}

// The uninstaller removes only what the record beside it lists, from that record's folder: given
// a folder without one (a wrong _?=), it refuses and deletes nothing.
TEST_F(Setup, TheUninstallerRefusesAFolderWithoutItsRecord)
{
    const std::filesystem::path tools = app.path() / "Tools";
    const std::filesystem::path folder = tools / "Quorvel";
    install(folder);
    writeBytes(tools / "Qt6Core.dll", "another program's library");
    writeBytes(tools / "libgcc_s_seh-1.dll", "another program's run-time library");
    writeBytes(tools / "other.exe", "another program");
    const std::filesystem::path unpacked = app.path() / "Unpacked";
    std::filesystem::copy(packageFolder(), unpacked, std::filesystem::copy_options::recursive);
    const struct {
        const char* label;
        std::filesystem::path folder;
    } rows[] = {
        {"the folder above the installation, holding another program's files", tools},
        {"a folder where the package was unpacked by hand", unpacked},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const Snapshot before = snapshotOf(row.folder);
        EXPECT_EQ(runToEnd(folder / "uninstall.exe", L"/S _?=" + row.folder.wstring()), 2);
        EXPECT_EQ(changedFiles(before, snapshotOf(row.folder)),
                  std::vector<std::filesystem::path>{});
        EXPECT_TRUE(registered());
        expectPackageIn(folder);
    }
    expectInstalledThenUninstall(folder);
}

// What another program holds open, and a table that cannot be read, stop an update before its
// first file is written (not left half old and half new, nor the unread table counted as changed
// by the user) and an uninstall before it deletes anything (not a status of 0 with files left
// behind). Closed, both go through.
TEST_F(Setup, AFileHeldOpenStopsAnUpdateOrAnUninstallBeforeItChangesAnything)
{
    const std::filesystem::path folder = app.path() / "Quorvel";
    install(folder);
    // The copy as an earlier version left it, with a table the user changed and the new table an
    // earlier update put beside it.
    writeBytes(folder / "quorvel-export.exe", "an earlier version of the program");
    setUninstallValue(L"DisplayVersion", L"1.0.0");
    setRecordValue(folder, L"Setup", L"Version", L"1.0.0");
    const std::string changed = corrected(bytesOf(packageFolder() / "quorvel_22032-76.dat"));
    writeBytes(folder / "quorvel_22032-76.dat", changed);
    writeBytes(folder / "quorvel_22032-76.new.dat",
               bytesOf(packageFolder() / "quorvel_22032-76.dat"));
    const struct {
        const char* label;
        bool update; // else the uninstaller
        std::filesystem::path file;
        DWORD sharing;
    } rows[] = {
        {"update: the new table beside a changed one, held against writing", true,
         "quorvel_22032-76.new.dat", FILE_SHARE_READ},
        {"update: a table it replaces, held against writing", true, "quorvel_22034-76.dat",
         FILE_SHARE_READ},
        {"update: a table that cannot be read", true, "quorvel_22033-76.dat", 0},
        {"uninstall: a table held against deleting", false, "quorvel_22036-76.dat",
         FILE_SHARE_READ | FILE_SHARE_WRITE},
        {"uninstall: a table that cannot be read", false, "quorvel_22037-76.dat", 0},
        {"uninstall: a library held against deleting", false, "Qt6Widgets.dll",
         FILE_SHARE_READ | FILE_SHARE_WRITE},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const Snapshot before = snapshotOf(folder);
        {
            const HeldFile held(folder / row.file, row.sharing);
            ASSERT_TRUE(held.held());
            EXPECT_EQ(row.update ? runSetup(L"/S") : runUninstaller(folder), 2);
        }
        EXPECT_EQ(changedFiles(before, snapshotOf(folder)), std::vector<std::filesystem::path>{});
        EXPECT_EQ(uninstallValue(L"DisplayVersion"), L"1.0.0");
        EXPECT_TRUE(std::filesystem::exists(startMenuShortcut()));
    }

    ASSERT_EQ(runSetup(L"/S"), 0);
    EXPECT_EQ(uninstallValue(L"DisplayVersion"), L"" SETUP_VERSION);
    EXPECT_TRUE(bytesOf(folder / "quorvel_22032-76.dat") == changed);
    for (const auto& file : packageFiles()) {
        if (file != "quorvel_22032-76.dat") {
            SCOPED_TRACE(file.string());
            EXPECT_TRUE(bytesOf(folder / file) == bytesOf(packageFolder() / file));
        }
    }
    EXPECT_EQ(runUninstaller(folder), 0);
    EXPECT_FALSE(registered());
    EXPECT_EQ(folderContents(folder), (std::vector<std::filesystem::path>{
                                          "quorvel_22032-76.dat", "uninstall.exe"}));
}

// The entry and the shortcut belong to the installation wherever its folder went: the uninstaller
// of a moved folder removes them, that of a copy leaves the original's; a setup into the moved
// folder replaces the stale entry.
TEST_F(Setup, TheEntryAndTheShortcutFollowAFolderMovedByHand)
{
    const std::filesystem::path first = app.path() / "Quorvel";
    const std::filesystem::path moved = app.path() / "Moved" / "Quorvel";
    const struct {
        const char* label;
        bool copy;         // copied rather than moved
        bool installAgain; // the setup run for the new folder before it is uninstalled
    } rows[] = {
        {"uninstalled from the folder it was moved to", false, false},
        {"installed again into the folder it was moved to", false, true},
        {"a copy of the folder uninstalled", true, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        install(first);
        std::filesystem::create_directories(moved.parent_path());
        if (row.copy) {
            std::filesystem::copy(first, moved, std::filesystem::copy_options::recursive);
        } else {
            ASSERT_TRUE(MoveFileW(first.c_str(), moved.c_str()));
        }
        if (row.installAgain) {
            EXPECT_EQ(runSetup(L"/S /D=" + moved.wstring()), 0);
            EXPECT_EQ(uninstallValue(L"InstallLocation"), moved.wstring());
            EXPECT_TRUE(sameFile(shortcutTarget(), moved / "quorvel.exe"));
        }
        ASSERT_EQ(runUninstaller(moved), 0);
        EXPECT_FALSE(std::filesystem::exists(moved / "quorvel.exe"));
        EXPECT_EQ(registered(), row.copy);
        EXPECT_EQ(std::filesystem::exists(startMenuShortcut()), row.copy);
        if (row.copy) {
            EXPECT_EQ(uninstallValue(L"InstallLocation"), first.wstring());
            EXPECT_TRUE(sameFile(shortcutTarget(), first / "quorvel.exe"));
            ASSERT_EQ(runUninstaller(first), 0);
            EXPECT_FALSE(registered());
        }
        std::filesystem::remove_all(first);
        std::filesystem::remove_all(moved);
        forgetInstallation();
    }
}

// A folder too long for a shortcut's target gets a shortcut through its short name, which starts
// the installed program; the entry's size counts the installed files, not the user's files beside
// them.
TEST_F(Setup, ALongFolderGetsAWorkingShortcutAndTheEntryCountsOnlyTheInstalledFiles)
{
    std::filesystem::path folder = app.path();
    while (folder.wstring().size() < 270) {
        folder /= L"Очень длинное имя папки для программ";
    }
    folder /= L"Quorvel";
    std::filesystem::create_directories(folder);
    writeBytes(folder / "drawings.zip", std::string(8 * 1024 * 1024, 'x'));
    install(folder);
    EXPECT_TRUE(sameFile(shortcutTarget(), folder / "quorvel.exe")) << shortcutTarget();
    // Windows starts a program only by a path it can take: the uninstaller by its short name.
    const std::filesystem::path uninstaller = entryUninstaller();
    EXPECT_TRUE(sameFile(uninstaller, folder / "uninstall.exe")) << uninstaller;

    std::uintmax_t bytes = std::filesystem::file_size(folder / "uninstall.exe");
    for (const auto& file : packageFiles()) {
        bytes += std::filesystem::file_size(packageFolder() / file);
    }
    EXPECT_GE(uninstallNumber(L"EstimatedSize"), bytes / 1024);
    EXPECT_LE(uninstallNumber(L"EstimatedSize"), bytes / 1024 + 64);

    expectPackageIn(folder);
    ASSERT_EQ(runToEnd(uninstaller, L"/S _?=" + uninstaller.parent_path().wstring()), 0);
    EXPECT_FALSE(registered());
    EXPECT_FALSE(std::filesystem::exists(startMenuShortcut()));
    EXPECT_FALSE(std::filesystem::exists(folder / "quorvel.exe"));
    EXPECT_TRUE(std::filesystem::exists(folder / "drawings.zip"));
}

// A setup older than the installed copy asks before it replaces it (silently it does, as a script
// that runs it means to); No leaves the copy as it was.
TEST_F(Setup, ADowngradeIsAskedFor)
{
    const std::filesystem::path folder = app.path() / "Quorvel";
    install(folder);
    setUninstallValue(L"DisplayVersion", L"9.9.9");
    setRecordValue(folder, L"Setup", L"Version", L"9.9.9");
    const Snapshot before = snapshotOf(folder);
    {
        Process setup(setupProgram(), L"/D=" + folder.wstring());
        HWND question = nullptr;
        ASSERT_TRUE(waitFor([&] { return (question = setup.window(L"")) != nullptr; }));
        const std::wstring texts = controlTexts(question);
        EXPECT_NE(texts.find(L"9.9.9"), std::wstring::npos) << texts.size();
        EXPECT_NE(texts.find(L"" SETUP_VERSION), std::wstring::npos);
        PostMessageW(question, WM_COMMAND, IDNO, 0);
        ASSERT_TRUE(setup.waitForExit(30000));
        EXPECT_EQ(setup.exitCode(), 2u);
    }
    EXPECT_EQ(changedFiles(before, snapshotOf(folder)), std::vector<std::filesystem::path>{});
    EXPECT_EQ(uninstallValue(L"DisplayVersion"), L"9.9.9");

    ASSERT_EQ(runSetup(L"/S"), 0);
    EXPECT_EQ(uninstallValue(L"DisplayVersion"), L"" SETUP_VERSION);
    expectInstalledThenUninstall(folder);
}

// A running program holds its files: neither an update nor the uninstaller may leave a mix of
// old and new or a half-removed copy; silently they fail and change nothing.
TEST_F(Setup, WhileQuorvelRunsUpdateAndUninstallFailAndChangeNothing)
{
    const std::filesystem::path folder = app.path() / "Quorvel";
    install(folder);
    {
        Process program(folder / "quorvel.exe", L"");
        ASSERT_TRUE(waitFor([&] { return program.window(L"") != nullptr; }))
            << "the program did not start";
        EXPECT_NE(runSetup(L"/S"), 0);
        EXPECT_NE(runUninstaller(folder), 0);
        EXPECT_TRUE(registered());
        expectPackageIn(folder);
        EXPECT_TRUE(program.running());
    } // the program is ended
    EXPECT_EQ(runUninstaller(folder), 0);
    EXPECT_FALSE(registered());
    EXPECT_FALSE(std::filesystem::exists(folder / "quorvel.exe"));
}

// The programs and libraries of the package as a user gets them: without symbol tables or debug
// information, and the window programs without a console window of their own.
TEST(Package, ProgramsAreStrippedAndTheWindowProgramsOpenNoConsole)
{
    const std::map<std::filesystem::path, WORD> subsystems = {
        {"quorvel.exe", IMAGE_SUBSYSTEM_WINDOWS_GUI},
        {"quorvel-cadhost.exe", IMAGE_SUBSYSTEM_WINDOWS_GUI},
        {"quorvel-export.exe", IMAGE_SUBSYSTEM_WINDOWS_CUI},
    };
    int binaries = 0;
    for (const auto& file : packageFiles()) {
        if (file.extension() != ".exe" && file.extension() != ".dll") {
            continue;
        }
        SCOPED_TRACE(file.string());
        ++binaries;
        const std::string bytes = bytesOf(packageFolder() / file);
        IMAGE_DOS_HEADER dos{};
        IMAGE_NT_HEADERS64 nt{};
        ASSERT_GE(bytes.size(), sizeof(dos));
        std::memcpy(&dos, bytes.data(), sizeof(dos));
        ASSERT_GE(bytes.size(), dos.e_lfanew + sizeof(nt));
        std::memcpy(&nt, bytes.data() + dos.e_lfanew, sizeof(nt));
        // No symbols; a string table may stay, for long section names such as Qt's ".qtversion".
        EXPECT_EQ(nt.FileHeader.NumberOfSymbols, 0u);
        const std::size_t sections = dos.e_lfanew + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                                     nt.FileHeader.SizeOfOptionalHeader;
        for (int index = 0; index < nt.FileHeader.NumberOfSections; ++index) {
            IMAGE_SECTION_HEADER section{};
            ASSERT_GE(bytes.size(), sections + (index + 1) * sizeof(section));
            std::memcpy(&section, bytes.data() + sections + index * sizeof(section),
                        sizeof(section));
            // A long name is kept in the string table (after the symbols) as "/<offset>".
            std::string name(reinterpret_cast<const char*>(section.Name),
                             strnlen(reinterpret_cast<const char*>(section.Name), 8));
            if (name.rfind('/', 0) == 0) {
                const std::size_t text = nt.FileHeader.PointerToSymbolTable +
                                         nt.FileHeader.NumberOfSymbols * 18 +
                                         std::stoul(name.substr(1));
                ASSERT_LT(text, bytes.size()) << name;
                name = std::string(bytes.c_str() + text);
            }
            EXPECT_NE(name.rfind(".debug", 0), 0u) << name;
        }
        if (subsystems.count(file) != 0) {
            EXPECT_EQ(nt.OptionalHeader.Subsystem, subsystems.at(file));
        }
    }
    EXPECT_GE(binaries, 3);
}

} // namespace
