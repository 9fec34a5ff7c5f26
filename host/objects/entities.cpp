#include "host/objects/entities.h"

#include "drawing/part/part_profile.h"
#include "drawing/part/part_solid.h"
#include "host/objects/call_checks.h"
#include "host/objects/extended_data.h"
#include "host/objects/handles.h"
#include "host/objects/object_model.h"

#include <algorithm>
#include <cmath>

namespace cadhost {

namespace {

constexpr const char* entityPrefix = "/Entities/";

// The vertices of a lightweight polyline: x, y pairs of finite numbers.
std::vector<Vec2> verticesArg(const std::string& name, const std::vector<HostValue>& args,
                              std::size_t i)
{
    const auto* numbers = std::get_if<std::vector<double>>(&args[i]);
    if (numbers == nullptr || numbers->size() % 2 != 0 ||
        !std::all_of(numbers->begin(), numbers->end(), [](double v) { return std::isfinite(v); })) {
        mismatch(name, i);
    }
    if (numbers->size() < 4) {
        fail(ErrorKind::Exception, "A polyline needs at least two vertices");
    }
    if (numbers->size() / 2 > maxEntityVertices) {
        fail(ErrorKind::Exception, "Too many vertices");
    }
    std::vector<Vec2> vertices;
    vertices.reserve(numbers->size() / 2);
    for (std::size_t k = 0; k < numbers->size(); k += 2) {
        checkCoordinates({(*numbers)[k], (*numbers)[k + 1]});
        vertices.push_back({(*numbers)[k], (*numbers)[k + 1]});
    }
    return vertices;
}

constexpr double fullTurn = 6.283185307179586;

// The corners of the closed curve a region is made of; the host's exception when the curve is
// open or bounds no area.
std::vector<Vec2> loopOf(const Polyline& curve)
{
    if (!curve.closed) {
        fail(ErrorKind::Exception, "The curve is not closed");
    }
    try {
        std::vector<Vec2> corners = drawing::profileCorners(curve.vertices);
        drawing::checkSimpleLoop(corners);
        return corners;
    } catch (const drawing::ModelingError&) {
        fail(ErrorKind::Exception, "The curve bounds no area or crosses itself");
    }
}

} // namespace

ObjectRef entityRef(Handle handle)
{
    return {entityPrefix + std::to_string(handle)};
}

std::optional<Handle> entityHandle(const std::string& path)
{
    const std::string prefix = entityPrefix;
    if (path.rfind(prefix, 0) != 0 || path.size() == prefix.size() ||
        path.size() > prefix.size() + 18) {
        return std::nullopt;
    }
    Handle handle = 0;
    for (std::size_t i = prefix.size(); i < path.size(); ++i) {
        if (path[i] < '0' || path[i] > '9') {
            return std::nullopt;
        }
        handle = handle * 10 + static_cast<Handle>(path[i] - '0');
    }
    if (handle == 0) {
        return std::nullopt;
    }
    return handle;
}

EntityContainer blockContainer(Block& block)
{
    return {&block.polylines, &block.lines, &block.regions, &block.parts, &block.texts, nullptr};
}

EntityContainer ObjectModel::modelSpace()
{
    return {&m_drawing.polylines, &m_drawing.lines, &m_drawing.regions,
            &m_drawing.parts,     &m_drawing.texts, &m_drawing.inserts};
}

std::vector<EntityContainer> ObjectModel::entityContainers()
{
    std::vector<EntityContainer> containers{modelSpace()};
    for (Block& block : m_drawing.blocks) {
        containers.push_back(blockContainer(block));
    }
    return containers;
}

HostValue ObjectModel::container(const EntityContainer& where, const std::string& member,
                                 std::int32_t kind, const std::vector<HostValue>& args)
{
    if (member == "AddLine") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 2, 2);
        const auto from = pointArg(member, args, 0);
        const auto to = pointArg(member, args, 1);
        checkCoordinates({from[0], from[1], to[0], to[1]});
        m_drawing.grow(1);
        const Handle made = m_drawing.newHandle();
        where.lines->push_back({m_drawing.activeLayer, {from[0], from[1]}, {to[0], to[1]}, made});
        return entityRef(made);
    }
    if (member == "AddText") {
        return addText(where, member, kind, args);
    }
    if (member == "Count" || member == "Item") {
        return entityCollection(where, member, kind, args);
    }
    if (member == "AddLightWeightPolyline") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 1, 1);
        std::vector<Vec2> vertices = verticesArg(member, args, 0);
        m_drawing.grow(vertices.size());
        const Handle handle = m_drawing.newHandle();
        where.polylines->push_back({m_drawing.activeLayer, std::move(vertices), false, handle});
        return entityRef(handle);
    }
    if (member == "AddRegion" && where.regions != nullptr) {
        useOf(member, methodMember, kind);
        expectCount(member, args, 1, 1);
        const auto* curves = std::get_if<std::vector<ObjectRef>>(&args[0]);
        // An empty array of VARIANTs reads as an empty array of numbers.
        const auto* numbers = std::get_if<std::vector<double>>(&args[0]);
        if (curves == nullptr && (numbers == nullptr || !numbers->empty())) {
            mismatch(member, 0);
        }
        if (curves == nullptr || curves->empty()) {
            fail(ErrorKind::Exception, "No curves to make a region of");
        }
        // Every curve is checked before any region is made, so that a refusal makes none.
        std::vector<std::vector<Vec2>> loops;
        std::size_t size = 0;
        for (const ObjectRef& curve : *curves) {
            const auto handle = entityHandle(curve.path);
            const Polyline* polyline = nullptr;
            for (const EntityContainer& in : entityContainers()) {
                if (handle && polyline == nullptr) {
                    polyline = findIn(in.polylines, *handle).get();
                }
            }
            if (polyline == nullptr) {
                fail(ErrorKind::Exception, "Not a curve: " + curve.path);
            }
            loops.push_back(loopOf(*polyline));
            size += loops.back().size();
        }
        m_drawing.grow(size);
        std::vector<ObjectRef> regions;
        for (std::vector<Vec2>& loop : loops) {
            const Handle handle = m_drawing.newHandle();
            where.regions->push_back({m_drawing.activeLayer, std::move(loop), handle});
            regions.push_back(entityRef(handle));
        }
        if (m_delobj != 0) {
            // The curves are erased, as a CAD program does with DELOBJ set: later calls on them
            // find no such object.
            for (const ObjectRef& curve : *curves) {
                for (const EntityContainer& in : entityContainers()) {
                    const Found<Polyline> found = findIn(in.polylines, *entityHandle(curve.path));
                    if (found.list != nullptr) {
                        m_drawing.shrink(found.get()->vertices.size());
                        found.list->erase(found.list->begin() +
                                          static_cast<std::ptrdiff_t>(found.index));
                    }
                }
            }
        }
        return regions;
    }
    if (member == "AddRevolvedSolid" && where.parts != nullptr) {
        useOf(member, methodMember, kind);
        expectCount(member, args, 4, 4);
        const auto* profile = std::get_if<ObjectRef>(&args[0]);
        const auto handle = profile ? entityHandle(profile->path) : std::nullopt;
        const Region* region = nullptr;
        bool inBlock = false;
        for (const EntityContainer& in : entityContainers()) {
            if (handle && region == nullptr) {
                region = findIn(in.regions, *handle).get();
                inBlock = region != nullptr && in.regions != &m_drawing.regions;
            }
        }
        if (region == nullptr) {
            mismatch(member, 0);
        }
        // As a CAD program's object model has it: what a block contains cannot be revolved.
        if (inBlock) {
            fail(ErrorKind::Exception, "Objects contained within a block cannot be revolved");
        }
        const std::vector<double> at = pointArg(member, args, 1);
        const std::vector<double> direction = pointArg(member, args, 2);
        const double angle = doubleArg(member, args, 3);
        checkCoordinates({at[0], at[1], at[2]});
        if (at[2] != 0 || direction[2] != 0) {
            fail(ErrorKind::Exception, "The axis is not in the region's plane");
        }
        // The solids here are whole revolutions: their side view, STEP and the part commands
        // all take a part as turned about its axis once.
        if (std::abs(std::abs(angle) - fullTurn) > 1e-9 * fullTurn) {
            fail(ErrorKind::Exception, "Only a full turn can be revolved");
        }
        // Points along the axis, a step that keeps the direction's digits whatever its length.
        const double scale = std::max(std::abs(direction[0]), std::abs(direction[1]));
        if (scale == 0) {
            fail(ErrorKind::Exception, "The axis has no direction");
        }
        const Vec2 from{at[0], at[1]};
        const Vec2 to{at[0] + direction[0] / scale, at[1] + direction[1] / scale};
        std::shared_ptr<const drawing::PartSolid> solid;
        try {
            solid = std::make_shared<const drawing::PartSolid>(
                drawing::PartSolid::revolveAbout(region->loop, from, to));
        } catch (const drawing::ModelingError& error) {
            fail(ErrorKind::Exception,
                 std::string("The region cannot be revolved: ") + error.what());
        }
        m_drawing.grow(1);
        const Handle made = m_drawing.newHandle();
        where.parts->push_back({"Solid " + std::to_string(made), m_drawing.activeLayer,
                                region->loop, true, true, std::move(solid), made, true});
        return entityRef(made);
    }
    fail(ErrorKind::UnknownName, "Unknown name: " + member);
}

HostValue ObjectModel::entity(Handle handle, const std::string& member, std::int32_t kind,
                              const std::vector<HostValue>& args)
{
    Found<Polyline> polyline;
    Found<Region> region;
    Found<Part> part;
    for (const EntityContainer& where : entityContainers()) {
        if (!polyline.list && !region.list && !part.list) {
            polyline = findIn(where.polylines, handle);
            region = findIn(where.regions, handle);
            part = findIn(where.parts, handle);
        }
    }
    std::size_t* layer = polyline.list ? &polyline.get()->layer
                         : region.list ? &region.get()->layer
                         : part.list   ? &part.get()->layer
                                       : nullptr;
    if (layer == nullptr) {
        fail(ErrorKind::Failed, "No such object");
    }
    if (member == "ObjectName") {
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        return std::string(polyline.list ? "AcDbPolyline"
                           : region.list ? "AcDbRegion"
                                         : "AcDb3dSolid");
    }
    if (member == "Closed" && polyline.list) {
        if (useOf(member, readWrite, kind) == Use::Get) {
            expectCount(member, args, 0, 0);
            return polyline.get()->closed;
        }
        expectCount(member, args, 1, 1);
        if (const auto* flag = std::get_if<bool>(&args[0])) {
            polyline.get()->closed = *flag;
        } else if (const auto whole = wholeOf(args[0])) {
            polyline.get()->closed = *whole != 0; // as COM turns a number into a boolean
        } else {
            mismatch(member, 0);
        }
        return {};
    }
    if (member == "Volume" && part.list && part.get()->solid) {
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        return part.get()->solid->volume();
    }
    if (member == "Layer") {
        if (useOf(member, readWrite, kind) == Use::Get) {
            expectCount(member, args, 0, 0);
            return m_drawing.layers[*layer].name;
        }
        expectCount(member, args, 1, 1);
        const std::string& name = stringArg(member, args, 0);
        const auto named = std::find_if(m_drawing.layers.begin(), m_drawing.layers.end(),
                                        [&name](const Layer& l) { return l.name == name; });
        if (named == m_drawing.layers.end()) {
            fail(ErrorKind::Exception, "No layer named " + name);
        }
        *layer = static_cast<std::size_t>(named - m_drawing.layers.begin());
        return {};
    }
    if (member == "Delete") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 0, 0);
        if (polyline.list) {
            m_drawing.shrink(polyline.get()->vertices.size());
            polyline.list->erase(polyline.list->begin() +
                                 static_cast<std::ptrdiff_t>(polyline.index));
        } else if (region.list) {
            m_drawing.shrink(region.get()->loop.size());
            region.list->erase(region.list->begin() + static_cast<std::ptrdiff_t>(region.index));
        } else {
            m_drawing.shrink(1 + (part.get()->solid ? part.get()->solid->threadCount() : 0));
            part.list->erase(part.list->begin() + static_cast<std::ptrdiff_t>(part.index));
        }
        return {};
    }
    fail(ErrorKind::UnknownName, "Unknown name: " + member);
}

Line* ObjectModel::findLine(Handle handle, std::vector<Line>** list)
{
    for (const EntityContainer& where : entityContainers()) {
        for (Line& line : *where.lines) {
            if (line.handle == handle && handle != 0) {
                *list = where.lines;
                return &line;
            }
        }
    }
    return nullptr;
}

HostValue ObjectModel::line(Line& line, std::vector<Line>& list, const std::string& member,
                            std::int32_t kind, const std::vector<HostValue>& args)
{
    if (member == "Layer") {
        if (useOf(member, readWrite, kind) == Use::Get) {
            expectCount(member, args, 0, 0);
            return m_drawing.layers[line.layer].name;
        }
        expectCount(member, args, 1, 1);
        const std::string& name = stringArg(member, args, 0);
        for (std::size_t i = 0; i < m_drawing.layers.size(); ++i) {
            if (m_drawing.layers[i].name == name) {
                line.layer = i;
                return {};
            }
        }
        fail(ErrorKind::Exception, "No layer named " + name);
    }
    if (member == "Handle") {
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        return handleText(line.handle);
    }
    if (member == "ObjectName") {
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        return std::string("AcDbLine");
    }
    if (member == "GetXData") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 1, 3);
        return extendedDataReply({}, member, args);
    }
    if (member == "Delete") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 0, 0);
        m_drawing.shrink(1);
        list.erase(list.begin() + (&line - list.data()));
        return {};
    }
    fail(ErrorKind::UnknownName, "Unknown name: " + member);
}

} // namespace cadhost
