// The package (target windows_package) as users get it, and the setup program (target
// windows_installer) as careful and careless users run it, silently: updates over a copy with
// edited tables, folders it must refuse, a second folder, and updating or uninstalling while
// Quorvel runs. Each refusal must end with a non-zero status and leave no trace: no files, no
// uninstall entry, no Start-menu shortcut. Read back through the install folder, the registry and
// the uninstaller's status (run in place with _?=, so that it is the one that does the work).
#include "temp_dir.h"
#include "windows_process.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
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

std::filesystem::path defaultFolder()
{
    wchar_t local[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local);
    return std::filesystem::path(local) / L"Programs" / L"Quorvel";
}

bool registered()
{
    return keyExists(HKEY_CURRENT_USER, uninstallKey);
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

    // Every file of the package in folder, as shipped.
    static void expectPackageIn(const std::filesystem::path& folder)
    {
        for (const auto& file : packageFiles()) {
            SCOPED_TRACE(file.string());
            EXPECT_TRUE(bytesOf(folder / file) == bytesOf(packageFolder() / file));
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
    WritePrivateProfileStringW(L"Tables", L"quorvel_22033-76.dat", fingerprint(earlier).c_str(),
                               (folder / "uninstall.ini").c_str());
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
    const struct {
        const char* label;
        std::wstring folder;
    } rows[] = {
        {"a relative folder", L"Quorvel"},
        {"a drive that does not exist", missingDrive},
        {"a file", file.wstring()},
        {"an opening quote without its end", L"\"" + (app.path() / "Quorvel").wstring()},
        {"a name no folder may have", (app.path() / "Quorvel?").wstring()},
        // Under Wine, Z: is the machine's root: /proc cannot be written, not even by root.
        {"a folder that cannot be written", L"Z:\\proc"},
        {"another program's folder", shared.wstring()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const long status = runSetup(L"/S /D=" + row.folder);
        EXPECT_NE(status, 0);
        EXPECT_NE(status, -1) << "the setup did not end";
        expectNoTrace();
        forgetInstallation();
    }
    EXPECT_EQ(folderContents(shared), std::vector<std::filesystem::path>{"Qt6Core.dll"});
    EXPECT_EQ(bytesOf(shared / "Qt6Core.dll"), "another program's library");
    EXPECT_EQ(bytesOf(file), "notes");
}

// One installation per user: a second folder would take over the one uninstall entry.
TEST_F(Setup, ASecondFolderIsRefusedWhileOneIsInstalled)
{
    const std::filesystem::path first = app.path() / "First";
    const std::filesystem::path second = app.path() / "Second";
    ASSERT_EQ(runSetup(L"/S /D=" + first.wstring()), 0);
    EXPECT_NE(runSetup(L"/S /D=" + second.wstring()), 0);
    // The same folder written otherwise is an update.
    EXPECT_EQ(runSetup(L"/S /D=" + first.wstring() + L"\\"), 0);
    EXPECT_EQ(uninstallValue(L"InstallLocation"), first.wstring());
    EXPECT_FALSE(std::filesystem::exists(second / "quorvel.exe"));
    EXPECT_EQ(runUninstaller(first), 0);
    EXPECT_FALSE(registered());
}

// A running program holds its files: neither an update nor the uninstaller may leave a mix of
// old and new or a half-removed copy; silently they fail and change nothing.
TEST_F(Setup, WhileQuorvelRunsUpdateAndUninstallFailAndChangeNothing)
{
    const std::filesystem::path folder = app.path() / "Quorvel";
    ASSERT_EQ(runSetup(L"/S /D=" + folder.wstring()), 0);
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
