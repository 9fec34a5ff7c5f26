// The settings file through whichever profile functions the platform has: our own, or the
// system's on Windows.
#include "model/cp1251.h"
#include "temp_dir.h"
#include "ui/profile_file.h"
#include "ui/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

TEST(SettingsFile, UnwritableFileGivesTheMessage)
{
    TempDir dir;
    const std::string file = settingsPath((dir.path() / "quorvel").string());
    std::filesystem::create_directory(file);
    EXPECT_EQ(writeSettings(file, Settings{}), "Unable to write to " + file);
}

// In a folder with a Cyrillic name, in one with letters that Windows-1251 (the ANSI code page of a
// Russian Windows) cannot spell, as a user's own folder may have, and in one whose path is longer
// than MAX_PATH: every key reads back, and the file is Windows-1251.
TEST(SettingsFile, EveryKeyReadsBackWhateverTheFolderIsCalled)
{
    const std::string longFolder = std::string(120, 'a') + "/" + std::string(120, 'b');
    for (const std::string& folder :
         {std::string("Папка ГОСТ"), std::string("Müller Ωμέγα"), longFolder}) {
        SCOPED_TRACE(folder);
        TempDir dir;
        std::filesystem::create_directories(dir.path() / utf8Path(folder));
        const std::string file = settingsPath(dir.file(folder + "/quorvel"));
        Settings changed;
        changed.mainHeight = 0;
        changed.mainWidth = -5;
        changed.SelectHeight = 301;
        changed.SelectWidth = 702;
        changed.is3D = true;
        changed.solid3D = true;
        changed.asBlock = true;
        changed.layers = {"Контур", "Тонкие линии", ""};
        changed.cadApplication = "OtherCad.Application";
        ASSERT_EQ(writeSettings(file, changed), std::nullopt);
        ASSERT_TRUE(std::filesystem::exists(utf8Path(file)));
        std::ifstream in(utf8Path(file), std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
        EXPECT_NE(bytes.find(utf8ToCp1251("[Слои]\r\nОсновной=Контур\r\n")), std::string::npos);

        const Settings back = readSettings(file);
        EXPECT_EQ(back.mainHeight, 0);
        EXPECT_EQ(back.mainWidth, -5);
        EXPECT_EQ(back.SelectHeight, 301);
        EXPECT_EQ(back.SelectWidth, 702);
        EXPECT_TRUE(back.is3D);
        EXPECT_TRUE(back.solid3D);
        EXPECT_TRUE(back.asBlock);
        EXPECT_EQ(back.layers.LayerMain, "Контур");
        EXPECT_EQ(back.layers.LayerThin, "Тонкие линии");
        EXPECT_EQ(back.layers.LayerAxis, "");
        EXPECT_EQ(back.cadApplication, "OtherCad.Application");

        const struct {
            const char* section;
            const char* key;
            std::string value;
        } keys[] = {{"Общая", "Автор  ", std::string(authorText)},
                    {"Общая", "E-Mail ", std::string(authorEmail)},
                    {"Общая", "Высота1", "0"},
                    {"Общая", "Ширина1", "-5"},
                    {"Общая", "Высота2", "301"},
                    {"Общая", "Ширина2", "702"},
                    {"Общая", "Вид_3D", "1"},
                    {"Общая", "Тело_3D", "1"},
                    {"Общая", "Блок", "1"},
                    {"Слои", "Основной", "Контур"},
                    {"Слои", "Тонкий", "Тонкие линии"},
                    {"Слои", "Осевой", ""},
                    {"CAD", "Application", "OtherCad.Application"}};
        for (const auto& row : keys) {
            SCOPED_TRACE(row.key);
            EXPECT_EQ(GetPrivateProfileString(row.section, row.key, "missing", file), row.value);
        }
    }
}

TEST(SettingsFile, MissingFileAndMissingKeysGiveTheDefaults)
{
    TempDir dir;
    const Settings none = readSettings(settingsPath(dir.file("Нет/quorvel")));
    EXPECT_EQ(none.mainHeight, 250);
    EXPECT_EQ(none.SelectWidth, 645);
    EXPECT_EQ(none.layers.LayerAxis, "7");
    EXPECT_EQ(none.cadApplication, "AutoCAD.Application");

    const std::string file =
        dir.write("part.ini",
                  utf8ToCp1251("[Общая]\r\nШирина1=500\r\nВысота2=слово\r\nБлок=слово\r\n"
                                            "[Слои]\r\nТонкий=\r\n"));
    const Settings part = readSettings(file);
    EXPECT_EQ(part.mainHeight, 250);
    EXPECT_EQ(part.mainWidth, 500);
    EXPECT_EQ(part.SelectHeight, 275);
    EXPECT_FALSE(part.is3D);
    EXPECT_FALSE(part.solid3D);
    EXPECT_FALSE(part.asBlock);
    EXPECT_EQ(part.layers.LayerMain, "2");
    EXPECT_EQ(part.layers.LayerThin, ""); // present but empty: no default
    EXPECT_EQ(part.cadApplication, "AutoCAD.Application");

    // An empty class name could name no program: the default, unlike an empty layer name.
    const std::string empty =
        dir.write("empty.ini", utf8ToCp1251("[CAD]\r\nApplication=\r\n[Слои]\r\nТонкий=\r\n"));
    EXPECT_EQ(readSettings(empty).cadApplication, "AutoCAD.Application");
    EXPECT_EQ(readSettings(empty).layers.LayerThin, "");
}

// "Вид_3D", "Тело_3D" and "Блок" are switches read by one rule: an integer as the profile
// functions read it (decimal or 0x hexadecimal, one sign, blanks around trimmed), on when it is
// not 0; a missing key, an empty value or a text that is no integer leaves the switch off.
TEST(SettingsFile, TheThreeSwitchesReadByOneRule)
{
    const struct {
        const char* line; // the key's line after "<key>"
        bool on;
    } values[] = {
        {"=1", true},   {"=2", true},    {"=-1", true},  {"= 1 ", true}, {"=+1", true},
        {"=01", true},  {"=0x1", true},  {"=0XA", true}, {"=0", false},  {"=-0", false},
        {"=0x0", false}, {"=", false},   {"=да", false}, {"=1.5", false}, {"=1 1", false},
        {"=0x", false}, {"=+-1", false}, {"", false}, // no line: the key is missing
    };
    const auto read = [](const Settings& settings, int key) {
        return key == 0 ? settings.is3D : key == 1 ? settings.solid3D : settings.asBlock;
    };
    const char* keys[] = {"Вид_3D", "Тело_3D", "Блок"};
    TempDir dir;
    for (int key = 0; key < 3; ++key) {
        for (const auto& value : values) {
            const std::string line = *value.line ? keys[key] + std::string(value.line) : "";
            SCOPED_TRACE(keys[key] + std::string(" line \"") + line + "\"");
            const std::string ini =
                dir.write("switch.ini", utf8ToCp1251("[Общая]\r\n" + line + "\r\n"));
            const Settings settings = readSettings(ini);
            for (int other = 0; other < 3; ++other) {
                EXPECT_EQ(read(settings, other), other == key && value.on) << keys[other];
            }
        }
    }
}
