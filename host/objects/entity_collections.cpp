// Model space and a block's own definition as collections of their entities: Count, and Item by
// position from 0, as a program walks a drawing. The order is by kind (polylines, lines, regions,
// solids, block references, texts), each kind in the order made. An entity drawn by a command has
// no handle until it is first reached here, as a pick gives it one.

#include "host/objects/call_checks.h"
#include "host/objects/entities.h"
#include "host/objects/object_model.h"

namespace cadhost {

namespace {

template <typename Entity> std::size_t sizeOf(const std::vector<Entity>* list)
{
    return list == nullptr ? 0 : list->size();
}

std::size_t entityCount(const EntityContainer& where)
{
    return sizeOf(where.polylines) + sizeOf(where.lines) + sizeOf(where.regions) +
           sizeOf(where.parts) + sizeOf(where.inserts) + sizeOf(where.texts);
}

} // namespace

void ObjectModel::forEachEntity(const EntityContainer& where,
                                const std::function<bool(const EntityView&)>& visit,
                                std::size_t from)
{
    bool going = true;
    const auto each = [&](auto* list, const char* dxfName) {
        if (list == nullptr || !going) {
            return;
        }
        if (from >= list->size()) {
            from -= list->size();
            return;
        }
        for (std::size_t i = from; i < list->size() && going; ++i) {
            auto& entity = (*list)[i];
            if (entity.handle == 0) {
                entity.handle = m_drawing.newHandle();
            }
            const Insert* insert = nullptr;
            if constexpr (std::is_same_v<std::remove_reference_t<decltype(entity)>, Insert>) {
                insert = &entity;
            }
            going = visit({entity.handle, dxfName, entity.layer, insert});
        }
        from = 0;
    };
    each(where.polylines, "LWPOLYLINE");
    each(where.lines, "LINE");
    each(where.regions, "REGION");
    each(where.parts, "3DSOLID");
    each(where.inserts, "INSERT");
    each(where.texts, "TEXT");
}

HostValue ObjectModel::entityCollection(const EntityContainer& where, const std::string& member,
                                        std::int32_t kind, const std::vector<HostValue>& args)
{
    if (member == "Count") {
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        return static_cast<std::int32_t>(entityCount(where));
    }
    useOf(member, methodMember, kind);
    expectCount(member, args, 1, 1);
    const std::int32_t index = intArg(member, args, 0);
    if (index < 0 || static_cast<std::size_t>(index) >= entityCount(where)) {
        fail(ErrorKind::Exception, "Index out of range");
    }
    ObjectRef found;
    forEachEntity(
        where,
        [&found](const EntityView& entity) {
            found = entityRef(entity.handle);
            return false;
        },
        static_cast<std::size_t>(index));
    return found;
}

} // namespace cadhost
