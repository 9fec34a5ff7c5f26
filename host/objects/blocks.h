#pragma once
// Block definitions in the object model: the Blocks collection and each block's own definition
// (its entities and attribute definitions). References to blocks live in block_references.cpp,
// extended data in extended_data.cpp, the registered applications in registered_applications.cpp.

#include "host/objects/drawing_names.h"
#include "host/objects/host_value.h"

#include <optional>
#include <string>

namespace cadhost {

// The longest block name and attribute tag, in bytes.
inline constexpr std::size_t maxBlockNameBytes = 255;

// "/Blocks/<handle>" and back.
ObjectRef blockRef(Handle handle);
std::optional<Handle> blockHandle(const std::string& path);

} // namespace cadhost
