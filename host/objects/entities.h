#pragma once
// The entities the object model makes and serves: lightweight polylines, regions and solids made
// in a container (model space; a block's own definition takes the same calls), and what every
// entity has: Closed (polylines), Layer, Delete.

#include "host/objects/drawing_names.h"
#include "host/objects/host_value.h"

#include <optional>
#include <string>
#include <vector>

namespace cadhost {

// Where new entities go: model space or a block's own definition. A container without regions or
// parts answers AddRegion and AddRevolvedSolid as unknown names.
struct EntityContainer {
    std::vector<Polyline>* polylines;
    std::vector<Line>* lines;
    std::vector<Region>* regions; // null: holds no regions
    std::vector<Part>* parts;     // null: holds no solids
};

// "/Entities/<handle>".
ObjectRef entityRef(Handle handle);
// The handle named by "/Entities/<handle>"; nothing for any other path.
std::optional<Handle> entityHandle(const std::string& path);

} // namespace cadhost
