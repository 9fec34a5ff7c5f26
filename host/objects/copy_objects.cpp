// Document.CopyObjects: copies of entities put into model space or a block's own definition, the
// way into a block for what cannot be made there (a solid: nothing inside a block is revolved).

#include "drawing/part/part_solid.h"
#include "host/objects/blocks.h"
#include "host/objects/call_checks.h"
#include "host/objects/entities.h"
#include "host/objects/object_model.h"

#include <variant>

namespace cadhost {

namespace {

// One entity to copy, wherever it is; the first kind that has it.
struct Source {
    const Polyline* polyline = nullptr;
    const Line* line = nullptr;
    const Region* region = nullptr;
    const Part* part = nullptr;

    // The elements a copy counts against the drawing's limit.
    std::size_t size() const
    {
        return polyline ? polyline->vertices.size()
               : line   ? 1
               : region ? region->loop.size()
                        : 1 + (part->solid ? part->solid->threadCount() : 0);
    }
};

} // namespace

HostValue ObjectModel::copyObjects(const std::vector<HostValue>& args, std::int32_t kind)
{
    // CopyObjects(objects, owner[, out id pairs]): the copies, in the order of the objects.
    const std::string member = "CopyObjects";
    useOf(member, methodMember, kind);
    expectCount(member, args, 2, 3);
    const auto* objects = std::get_if<std::vector<ObjectRef>>(&args[0]);
    if (objects == nullptr) {
        mismatch(member, 0);
    }
    const auto* owner = std::get_if<ObjectRef>(&args[1]);
    std::optional<EntityContainer> into;
    if (owner != nullptr && owner->path == "/ModelSpace") {
        into = modelSpace();
    } else if (const auto handle = owner ? blockHandle(owner->path) : std::nullopt) {
        if (Block* block = findBlock(*handle)) {
            into = blockContainer(*block);
        }
    }
    if (!into) {
        mismatch(member, 1);
    }
    if (objects->empty()) {
        fail(ErrorKind::Exception, "No objects to copy");
    }
    // Every object is found before anything is copied, so that a refusal copies nothing.
    std::vector<Source> sources;
    std::size_t size = 0;
    for (const ObjectRef& object : *objects) {
        const auto handle = entityHandle(object.path);
        Source source;
        for (const EntityContainer& in : entityContainers()) {
            if (handle && !source.polyline && !source.line && !source.region && !source.part) {
                source = {findIn(in.polylines, *handle).get(), findIn(in.lines, *handle).get(),
                          findIn(in.regions, *handle).get(), findIn(in.parts, *handle).get()};
            }
        }
        if (!source.polyline && !source.line && !source.region && !source.part) {
            fail(ErrorKind::Exception, "Cannot copy " + object.path);
        }
        sources.push_back(source);
        size += source.size();
    }
    m_drawing.grow(size);
    // The copies are taken before any goes in: a list they go to may hold later sources.
    std::vector<std::variant<Polyline, Line, Region, Part>> made;
    for (const Source& source : sources) {
        if (source.polyline) {
            made.emplace_back(*source.polyline);
        } else if (source.line) {
            made.emplace_back(*source.line);
        } else if (source.region) {
            made.emplace_back(*source.region);
        } else {
            made.emplace_back(*source.part);
        }
    }
    std::vector<ObjectRef> copies;
    for (auto& copy : made) {
        const Handle handle = m_drawing.newHandle();
        if (auto* polyline = std::get_if<Polyline>(&copy)) {
            polyline->handle = handle;
            into->polylines->push_back(std::move(*polyline));
        } else if (auto* line = std::get_if<Line>(&copy)) {
            line->handle = handle;
            into->lines->push_back(*line);
        } else if (auto* region = std::get_if<Region>(&copy)) {
            region->handle = handle;
            into->regions->push_back(std::move(*region));
        } else {
            Part& part = std::get<Part>(copy);
            part.name = "Solid " + std::to_string(handle);
            part.handle = handle;
            into->parts->push_back(std::move(part));
        }
        copies.push_back(entityRef(handle));
    }
    return copies;
}

} // namespace cadhost
