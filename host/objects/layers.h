#pragma once
// The Layers collection and each Layer: their object paths and the names a layer may take.

#include "host/objects/host_value.h"

#include <cstddef>
#include <optional>
#include <string>

namespace cadhost {

ObjectRef layerRef(std::size_t index);
// The index of "/Layers/<n>", when the path names an existing layer.
std::optional<std::size_t> layerIndex(const std::string& path, std::size_t count);
// A layer name the drawing and its DXF can hold (model/layer_name.h).
bool validLayerName(const std::string& name);

} // namespace cadhost
