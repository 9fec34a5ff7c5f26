#pragma once
// The entities the object model makes and serves: lightweight polylines, lines, regions and solids
// made in a container (model space; a block's own definition takes the same calls), and what every
// entity has: ObjectName, Closed (polylines), Layer, Delete. Texts are in texts.cpp, block
// references in block_references.cpp.

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
    std::vector<Text>* texts;
    std::vector<Insert>* inserts; // null: holds no block references (a block's definition)
};

// One entity of a container as a walk over it sees it (entity_collections.cpp).
struct EntityView {
    Handle handle;
    const char* dxfName; // "LWPOLYLINE", "LINE", "REGION", "3DSOLID", "INSERT", "TEXT"
    std::size_t layer;
    const Insert* insert; // the block reference; null for the other kinds
};

// A block's own definition as a container.
EntityContainer blockContainer(Block& block);
// Where an entity with a handle is: its list in its container and its place there.
template <typename Entity> struct Found {
    std::vector<Entity>* list = nullptr;
    std::size_t index = 0;
    Entity* get() const { return list == nullptr ? nullptr : &(*list)[index]; }
};

template <typename Entity> Found<Entity> findIn(std::vector<Entity>* list, Handle handle)
{
    if (list != nullptr) {
        for (std::size_t i = 0; i < list->size(); ++i) {
            if ((*list)[i].handle == handle) {
                return {list, i};
            }
        }
    }
    return {};
}

// "/Entities/<handle>".
ObjectRef entityRef(Handle handle);
// The handle named by "/Entities/<handle>"; nothing for any other path.
std::optional<Handle> entityHandle(const std::string& path);

} // namespace cadhost
