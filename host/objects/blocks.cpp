#include "host/objects/blocks.h"

#include "drawing/part/part_solid.h"
#include "host/objects/call_checks.h"
#include "host/objects/entities.h"
#include "host/objects/handles.h"
#include "host/objects/layers.h"
#include "host/objects/object_model.h"

#include <algorithm>

namespace cadhost {

namespace {

constexpr const char* blockPrefix = "/Blocks/";

// A block name the drawing and its DXF can hold: as a layer name, and no longer.
void checkBlockName(const std::string& member, const std::vector<HostValue>& args, std::size_t i)
{
    const std::string& name = stringArg(member, args, i);
    if (!validLayerName(name) || name.size() > maxBlockNameBytes) {
        fail(ErrorKind::Exception, "Invalid block name");
    }
}

} // namespace

ObjectRef blockRef(Handle handle)
{
    return {blockPrefix + std::to_string(handle)};
}

std::optional<Handle> blockHandle(const std::string& path)
{
    const std::string prefix = blockPrefix;
    if (path.rfind(prefix, 0) != 0) {
        return std::nullopt;
    }
    return pathDigits(path.substr(prefix.size()));
}

Block* ObjectModel::findBlock(Handle handle)
{
    for (Block& block : m_drawing.blocks) {
        if (block.handle == handle) {
            return &block;
        }
    }
    return nullptr;
}

HostValue ObjectModel::blockDocument(const std::string& member, std::int32_t kind,
                                     const std::vector<HostValue>& args)
{
    if (member == "Blocks" || member == "RegisteredApplications") {
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        return ObjectRef{"/" + member};
    }
    fail(ErrorKind::UnknownName, "Unknown name: " + member);
}

HostValue ObjectModel::blocksCollection(const std::string& member, std::int32_t kind,
                                        const std::vector<HostValue>& args)
{
    if (member == "Count") {
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        return static_cast<std::int32_t>(m_drawing.blocks.size());
    }
    if (member == "Item") {
        // By position (from 0) or by name, as the collections of a CAD program take it.
        useOf(member, methodMember, kind);
        expectCount(member, args, 1, 1);
        if (const auto* name = std::get_if<std::string>(&args[0])) {
            if (const Block* block = blockNamed(m_drawing.blocks, *name)) {
                return blockRef(block->handle);
            }
            fail(ErrorKind::Exception, "Key not found");
        }
        const std::int32_t index = intArg(member, args, 0);
        if (index < 0 || static_cast<std::size_t>(index) >= m_drawing.blocks.size()) {
            fail(ErrorKind::Exception, "Index out of range");
        }
        return blockRef(m_drawing.blocks[static_cast<std::size_t>(index)].handle);
    }
    if (member == "Add") {
        // Add(base point, name); the base is the origin of the block's own coordinates.
        useOf(member, methodMember, kind);
        expectCount(member, args, 2, 2);
        const auto base = pointArg(member, args, 0);
        checkCoordinates({base[0], base[1], base[2]});
        checkBlockName(member, args, 1);
        const std::string& name = std::get<std::string>(args[1]);
        if (base[0] != 0 || base[1] != 0) {
            fail(ErrorKind::Exception, "Only blocks based at the origin are supported");
        }
        if (blockNamed(m_drawing.blocks, name) != nullptr) {
            fail(ErrorKind::Exception, "Duplicate key");
        }
        m_drawing.grow(1);
        m_drawing.blocks.push_back({name, m_drawing.newHandle(), {}, {}, {}});
        return blockRef(m_drawing.blocks.back().handle);
    }
    fail(ErrorKind::UnknownName, "Unknown name: " + member);
}

HostValue ObjectModel::block(Handle handle, const std::string& member, std::int32_t kind,
                             const std::vector<HostValue>& args)
{
    Block* block = findBlock(handle);
    if (block == nullptr) {
        fail(ErrorKind::Failed, "No such object");
    }
    if (member == "Name") {
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        return block->name;
    }
    if (member == "AddAttribute") {
        // AddAttribute(height, mode, prompt, insertion point, tag, value); mode 1 is invisible.
        useOf(member, methodMember, kind);
        expectCount(member, args, 6, 6);
        const double height = doubleArg(member, args, 0);
        const std::int32_t mode = intArg(member, args, 1);
        const std::string& prompt = stringArg(member, args, 2);
        const auto at = pointArg(member, args, 3);
        const std::string& tag = stringArg(member, args, 4);
        const std::string& value = stringArg(member, args, 5);
        checkCoordinates({at[0], at[1], height});
        if (!(height > 0) || mode < 0 || mode > 15) {
            fail(ErrorKind::Exception, "Invalid input");
        }
        if (tag.empty() || tag.size() > maxBlockNameBytes ||
            tag.find_first_of(" \t\r\n") != std::string::npos) {
            fail(ErrorKind::Exception, "Invalid attribute tag");
        }
        m_drawing.grow(1);
        block->attributes.push_back({tag, prompt, value, {at[0], at[1]}, height, (mode & 1) != 0});
        return {};
    }
    if (member == "Delete") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 0, 0);
        const bool referenced =
            std::any_of(m_drawing.inserts.begin(), m_drawing.inserts.end(),
                        [block](const Insert& insert) { return insert.block == block->name; });
        if (referenced) {
            fail(ErrorKind::Exception, "The block is referenced");
        }
        m_drawing.shrink(1 + block->lines.size() + block->attributes.size() + block->texts.size());
        for (const Polyline& polyline : block->polylines) {
            m_drawing.shrink(polyline.vertices.size());
        }
        for (const Region& region : block->regions) {
            m_drawing.shrink(region.loop.size());
        }
        for (const Part& part : block->parts) {
            m_drawing.shrink(1 + (part.solid ? part.solid->threadCount() : 0));
        }
        m_drawing.blocks.erase(m_drawing.blocks.begin() + (block - m_drawing.blocks.data()));
        return {};
    }
    // The entities as model space makes them, and the definition as a collection of them.
    return container(blockContainer(*block), member, kind, args);
}

} // namespace cadhost
