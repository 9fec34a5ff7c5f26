#include "model/cp1251.h"
#include "temp_dir.h"
#include "ui/profile_file.h"
#include "ui/settings_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <iterator>

#include <sys/resource.h>

namespace {

std::string bytesOf(const std::string& file)
{
    std::ifstream in(utf8Path(file), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Lets this process write no file beyond a size: a full disk as the writer sees it (the write
// fails part-way). The signal the kernel sends with the failure is ignored, as a failed write on a
// full disk sends none.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit m_saved{};
    void (*m_handler)(int) = nullptr;
};

std::size_t filesIn(const std::filesystem::path& folder)
{
    const std::filesystem::directory_iterator files(folder);
    return static_cast<std::size_t>(std::distance(begin(files), end(files)));
}

} // namespace

TEST(ProfileFile, ReadsSectionsAndKeysIgnoringCase)
{
    TempDir dir;
    const std::string file = dir.write(
        "a.ini", utf8ToCp1251("; comment\r\n[Другая]\r\nВысота1=1\r\n[ОБЩАЯ]\r\n высота1 = 300 \r\n"
                              "Пусто=\r\nHex=0x1F\r\nNeg=-7\r\nWord=abc\r\nBig=99999999999\r\n"
                              "Quoted=\" x \"\r\nTwoSigns=--5\r\nSignMix=+-5\r\n"
                              "HexSign=0x-1\r\nMinimum=--9223372036854775808\r\nPlus=+12\r\n"
                              "HexUpper=-0XfF\r\nHexOnly=0x\r\nIntMin=-2147483648\r\n"
                              "Over=2147483648\r\nBlankInside=- 5\r\n"
                              "[Слои]\r\nОсновной=Контур\r\n"));
    EXPECT_EQ(GetPrivateProfileInt("Общая", "Высота1", 250, file), 300);
    EXPECT_EQ(GetPrivateProfileString("общая", "ПУСТО", "dflt", file), "");
    EXPECT_EQ(GetPrivateProfileString("Общая", "Нет", "dflt", file), "dflt");
    EXPECT_EQ(GetPrivateProfileString("Нет", "Высота1", "dflt", file), "dflt");
    EXPECT_EQ(GetPrivateProfileString("Общая", "Quoted", "", file), " x ");
    EXPECT_EQ(GetPrivateProfileString("слои", "основной", "2", file), "Контур");
    const struct {
        const char* key;
        int value;
    } integers[] = {
        {"Hex", 31},     {"Neg", -7},
        {"Word", 5},     {"Пусто", 5},
        {"Big", 5},      {"Нет", 5},
        {"TwoSigns", 5}, {"SignMix", 5},
        {"HexSign", 5},  {"Minimum", 5},
        {"Plus", 12},    {"HexUpper", -255},
        {"HexOnly", 5},  {"IntMin", -2147483647 - 1},
        {"Over", 5},     {"BlankInside", 5},
    };
    for (const auto& row : integers) {
        SCOPED_TRACE(row.key);
        EXPECT_EQ(GetPrivateProfileInt("Общая", row.key, 5, file), row.value);
    }
    EXPECT_EQ(GetPrivateProfileString("Общая", "Высота1", "x", dir.file("none.ini")), "x");
}

TEST(ProfileFile, LongValuesAreCutAt2047Characters)
{
    TempDir dir;
    const std::string file = dir.write("a.ini", "[S]\r\nK=" + std::string(3000, 'v') + "\r\n");
    EXPECT_EQ(GetPrivateProfileString("S", "K", "", file).size(), 2047u);
}

TEST(ProfileFile, WritesKeepOtherLinesAndCreateTheFile)
{
    TempDir dir;
    const std::string file = dir.file("new.ini");
    ASSERT_TRUE(WritePrivateProfileString("Общая", "Высота1", "250", file));
    ASSERT_TRUE(WritePrivateProfileString("Общая", "Ширина1", "455", file));
    ASSERT_TRUE(WritePrivateProfileString("Слои", "Основной", "2", file));
    ASSERT_TRUE(WritePrivateProfileString("ОБЩАЯ", "высота1", "300", file));
    EXPECT_EQ(bytesOf(file), utf8ToCp1251("[Общая]\r\nвысота1=300\r\nШирина1=455\r\n[Слои]\r\n"
                                          "Основной=2\r\n"));

    const std::string kept = dir.write("kept.ini", "; mine\r\n[S]\r\nA=1\r\n\r\n[T]\r\nB=2\r\n");
    ASSERT_TRUE(WritePrivateProfileString("S", "C", "3", kept));
    EXPECT_EQ(bytesOf(kept), "; mine\r\n[S]\r\nA=1\r\nC=3\r\n\r\n[T]\r\nB=2\r\n");

    const std::filesystem::path blocked = dir.path() / "blocked.ini";
    std::filesystem::create_directory(blocked); // cannot be opened for writing, even by root
    EXPECT_FALSE(WritePrivateProfileString("S", "A", "1", blocked.string()));
}

TEST(ProfileFile, FailedWriteLeavesTheOldFileWhole)
{
    TempDir dir;
    const std::string value(1500, 'x');
    const std::string original = utf8ToCp1251("; мой\r\n[Мои]\r\nКлюч=") + value + "\r\n";
    const std::string file = dir.write("quorvel.ini", original);
    {
        const FileSizeLimit fullDisk(1024);
        EXPECT_FALSE(WritePrivateProfileString("Общая", "Высота1", "250", file));
        EXPECT_EQ(writeSettings(file, Settings{}), "Unable to write to " + file);
    }
    EXPECT_EQ(bytesOf(file), original);
    EXPECT_EQ(filesIn(dir.path()), 1u); // no temporary file left behind

    ASSERT_FALSE(writeSettings(file, Settings{}));
    EXPECT_EQ(GetPrivateProfileString("Мои", "Ключ", "", file), value.substr(0, profileValueLimit));
    EXPECT_EQ(readSettings(file).mainWidth, 455);
    EXPECT_EQ(filesIn(dir.path()), 1u);
}

// The file is replaced, not rewritten: its access mode and a link to it must survive that.
TEST(ProfileFile, ReplacedFileKeepsItsModeAndLink)
{
    namespace fs = std::filesystem;
    TempDir dir;
    const std::string real = dir.write("real.ini", "[S]\r\nA=1\r\n");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const fs::path link = dir.path() / "link.ini";
    fs::create_symlink(real, link);
    ASSERT_TRUE(WritePrivateProfileString("S", "B", "2", link.string()));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(bytesOf(real), "[S]\r\nA=1\r\nB=2\r\n");
    EXPECT_EQ(fs::status(real).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(SettingsFile, DefaultsThenEveryKeyWrittenInOrder)
{
    TempDir dir;
    const std::string file = settingsPath((dir.path() / "quorvel").string());
    const Settings defaults = readSettings(file);
    EXPECT_EQ(defaults.mainHeight, 250);
    EXPECT_EQ(defaults.mainWidth, 455);
    EXPECT_EQ(defaults.SelectHeight, 275);
    EXPECT_EQ(defaults.SelectWidth, 645);
    EXPECT_FALSE(defaults.is3D);
    EXPECT_EQ(defaults.layers.LayerMain + defaults.layers.LayerThin + defaults.layers.LayerAxis,
              "217");
    EXPECT_EQ(defaults.cadApplication, "AutoCAD.Application");

    Settings changed = defaults;
    changed.mainHeight = 300;
    changed.is3D = true;
    changed.layers.LayerAxis = "Осевые линии";
    ASSERT_FALSE(writeSettings(file, changed));
    EXPECT_EQ(
        bytesOf(file),
        utf8ToCp1251("[Общая]\r\nАвтор  =Разработчики Quorvel\r\nE-Mail =quorvel@example.org\r\n"
                     "Высота1=300\r\nШирина1=455\r\nВысота2=275\r\nШирина2=645\r\nВид_3D=1\r\n"
                     "Тело_3D=0\r\n"
                     "Блок=0\r\n"
                     "[Слои]\r\nОсновной=2\r\nТонкий=1\r\nОсевой=Осевые линии\r\n"
                     "[CAD]\r\nApplication=AutoCAD.Application\r\n"));
    const Settings back = readSettings(file);
    EXPECT_EQ(back.mainHeight, 300);
    EXPECT_TRUE(back.is3D);
    EXPECT_EQ(back.layers.LayerAxis, "Осевые линии");
}
