#pragma once
// The settings file BasePath + ".ini": window sizes, the 2D/3D choice and how 3D is built, the
// layer names of the 2D drawing and the class name of the CAD program to draw in, read once at
// start and written once at close.

#include "cad/quorvel_draw.h"

#include <optional>
#include <string>
#include <string_view>

struct Settings {
    int mainHeight = 250; // outer sizes in screen pixels
    int mainWidth = 455;
    int SelectHeight = 275;
    int SelectWidth = 645;
    bool is3D = false;
    // "Тело_3D": the 3D stud as a solid through the object model instead of the part commands.
    bool solid3D = false;
    // Key "Блок": a 2D stud is placed as a named block with parts-list attributes (any number but
    // 0, as for "Вид_3D") instead of loose lines (0, also when missing or unreadable).
    bool asBlock = false;
    LayerNames layers;
    // Section "CAD", key "Application": the class name (on Linux the bus name) under which the
    // running CAD program is looked up. Other CAD programs offer the same automation interface
    // under a class name of their own.
    std::string cadApplication = std::string(hostClassName);
};

// Fixed texts written under "Автор  " and "E-Mail " (never read back).
inline constexpr std::string_view authorText = "Разработчики Quorvel";
inline constexpr std::string_view authorEmail = "quorvel@example.org";

[[nodiscard]] std::string settingsPath(std::string_view basePath);

// Missing file, section or key: the defaults (an empty class name too). Values are not validated.
[[nodiscard]] Settings readSettings(const std::string& file);

// Writes every key in the fixed order, one call per value. Stops at the first key that cannot be
// written and then gives the "Unable to write to <file>" text.
[[nodiscard]] std::optional<std::string> writeSettings(const std::string& file,
                                                       const Settings& settings);
