#include "ui/settings_file.h"

#include "ui/profile_file.h"

#include <utility>
#include <vector>

namespace {

constexpr std::string_view generalSection = "Общая";
constexpr std::string_view layerSection = "Слои";
constexpr std::string_view cadSection = "CAD";

} // namespace

std::string settingsPath(std::string_view basePath)
{
    return std::string(basePath) + ".ini";
}

Settings readSettings(const std::string& file)
{
    Settings settings;
    settings.mainHeight = GetPrivateProfileInt(generalSection, "Высота1", 250, file);
    settings.mainWidth = GetPrivateProfileInt(generalSection, "Ширина1", 455, file);
    settings.SelectHeight = GetPrivateProfileInt(generalSection, "Высота2", 275, file);
    settings.SelectWidth = GetPrivateProfileInt(generalSection, "Ширина2", 645, file);
    // The three switches read alike: an integer as the profile functions read it, on when not 0.
    const auto on = [&file](std::string_view key) {
        return GetPrivateProfileInt(generalSection, key, 0, file) != 0;
    };
    settings.is3D = on("Вид_3D");
    settings.solid3D = on("Тело_3D");
    settings.asBlock = on("Блок");
    settings.layers.LayerMain = GetPrivateProfileString(layerSection, "Основной", "2", file);
    settings.layers.LayerThin = GetPrivateProfileString(layerSection, "Тонкий", "1", file);
    settings.layers.LayerAxis = GetPrivateProfileString(layerSection, "Осевой", "7", file);
    // An empty class name can name no program: it counts as missing.
    settings.cadApplication =
        GetPrivateProfileString(cadSection, "Application", hostClassName, file);
    if (settings.cadApplication.empty()) {
        settings.cadApplication = hostClassName;
    }
    return settings;
}

std::optional<std::string> writeSettings(const std::string& file, const Settings& settings)
{
    // The key names "Автор  " and "E-Mail " keep their trailing blanks.
    const std::vector<std::pair<std::string_view, std::string>> general = {
        {"Автор  ", std::string(authorText)},
        {"E-Mail ", std::string(authorEmail)},
        {"Высота1", std::to_string(settings.mainHeight)},
        {"Ширина1", std::to_string(settings.mainWidth)},
        {"Высота2", std::to_string(settings.SelectHeight)},
        {"Ширина2", std::to_string(settings.SelectWidth)},
        {"Вид_3D", settings.is3D ? "1" : "0"},
        {"Тело_3D", settings.solid3D ? "1" : "0"},
        {"Блок", settings.asBlock ? "1" : "0"},
    };
    const std::vector<std::pair<std::string_view, std::string>> layers = {
        {"Основной", settings.layers.LayerMain},
        {"Тонкий", settings.layers.LayerThin},
        {"Осевой", settings.layers.LayerAxis},
    };
    const std::vector<std::pair<std::string_view, std::string>> cad = {
        {"Application", settings.cadApplication},
    };
    for (const auto& [section, values] :
         {std::pair{generalSection, &general}, std::pair{layerSection, &layers},
          std::pair{cadSection, &cad}}) {
        for (const auto& [key, value] : *values) {
            if (!WritePrivateProfileString(section, key, value, file)) {
                return "Unable to write to " + file;
            }
        }
    }
    return std::nullopt;
}
