#pragma once
// The one rule for a layer name, wherever one is set: the exporter's --layers, the layer names of
// the settings file, and the layers the stand-in host creates. A name must come through a DXF
// file whole: readers refuse some characters in it, and its code page, Windows-1251, must hold it.

#include <optional>
#include <string>
#include <string_view>

// What is wrong with the name (UTF-8), or none: "is empty", "is longer than 255 bytes", "holds
// the character '<'" (one of < > / \ " : ; ? * | = `), "holds a control character", "holds a
// character that Windows-1251 does not have".
[[nodiscard]] std::optional<std::string> layerNameFault(std::string_view name);
