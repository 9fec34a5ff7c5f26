#pragma once
// Blocks and what hangs on them in the object model: the Blocks collection, each block's own
// definition (its entities and attribute definitions), block references with their attributes
// and extended data, and the registered applications that extended data belongs to.

#include "host/objects/drawing_names.h"
#include "host/objects/host_value.h"

#include <optional>
#include <string>

namespace cadhost {

// The longest block name and attribute tag, in bytes.
inline constexpr std::size_t maxBlockNameBytes = 255;
// How far from a picked point an entity may lie and still be picked, in drawing units.
inline constexpr double pickDistance = 1.0;

// "/Blocks/<handle>" and back.
ObjectRef blockRef(Handle handle);
std::optional<Handle> blockHandle(const std::string& path);

// The handle as the object model writes it: upper-case hexadecimal, "1F".
std::string handleText(Handle handle);
std::optional<Handle> parseHandleText(const std::string& text);

} // namespace cadhost
