// Block references: InsertBlock in model space, what a reference answers (its insertion point,
// name, handle, object name, layer, attributes and extended data, Delete) and each of its
// attributes.

#include "host/objects/blocks.h"
#include "host/objects/call_checks.h"
#include "host/objects/entities.h"
#include "host/objects/extended_data.h"
#include "host/objects/handles.h"
#include "host/objects/object_model.h"

#include <algorithm>

namespace cadhost {

namespace {

constexpr const char* attributePrefix = "/Attributes/";

} // namespace

Insert* ObjectModel::findInsert(Handle handle)
{
    for (Insert& insert : m_drawing.inserts) {
        if (insert.handle == handle && handle != 0) {
            return &insert;
        }
    }
    return nullptr;
}

HostValue ObjectModel::insertBlock(const std::vector<HostValue>& args, std::int32_t kind)
{
    // InsertBlock(point, name, x scale, y scale, z scale, rotation).
    const std::string member = "InsertBlock";
    useOf(member, methodMember, kind);
    expectCount(member, args, 6, 6);
    const auto at = pointArg(member, args, 0);
    checkCoordinates({at[0], at[1], at[2]});
    const std::string& name = stringArg(member, args, 1);
    const double scales[] = {doubleArg(member, args, 2), doubleArg(member, args, 3),
                             doubleArg(member, args, 4)};
    const double rotation = doubleArg(member, args, 5);
    const Block* block = blockNamed(m_drawing.blocks, name);
    if (block == nullptr) {
        fail(ErrorKind::Exception, "Key not found");
    }
    if (scales[0] != 1 || scales[1] != 1 || scales[2] != 1 || rotation != 0) {
        fail(ErrorKind::Exception, "Only unscaled, unrotated inserts are supported");
    }
    m_drawing.grow(1 + block->attributes.size());
    Insert insert{name, m_drawing.activeLayer, {at[0], at[1]}, at[2], {}, {}, 0};
    for (const AttributeDefinition& attribute : block->attributes) {
        insert.values.push_back(attribute.value);
    }
    insert.handle = m_drawing.newHandle();
    m_drawing.inserts.push_back(std::move(insert));
    return entityRef(m_drawing.inserts.back().handle);
}

HostValue ObjectModel::blockReference(Handle handle, const std::string& member, std::int32_t kind,
                                      const std::vector<HostValue>& args)
{
    Insert& insert = *findInsert(handle);
    if (member == "InsertionPoint") {
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        return std::vector<double>{insert.at.x, insert.at.y, insert.z};
    }
    if (member == "Name") {
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        return insert.block;
    }
    if (member == "Handle") {
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        return handleText(handle);
    }
    if (member == "ObjectName") {
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        return std::string("AcDbBlockReference");
    }
    if (member == "GetAttributes") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 0, 0);
        std::vector<ObjectRef> attributes;
        for (std::size_t i = 0; i < insert.values.size(); ++i) {
            attributes.push_back(
                {attributePrefix + std::to_string(handle) + "/" + std::to_string(i)});
        }
        return attributes;
    }
    if (member == "SetXData") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 2, 2);
        setExtendedData(insert.data, m_drawing.applications, member, args);
        return {};
    }
    if (member == "GetXData") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 1, 3);
        return extendedDataReply(insert.data, member, args);
    }
    if (member == "Layer") {
        if (useOf(member, readWrite, kind) == Use::Get) {
            expectCount(member, args, 0, 0);
            return m_drawing.layers[insert.layer].name;
        }
        expectCount(member, args, 1, 1);
        const std::string& name = stringArg(member, args, 0);
        for (std::size_t i = 0; i < m_drawing.layers.size(); ++i) {
            if (m_drawing.layers[i].name == name) {
                insert.layer = i;
                return {};
            }
        }
        fail(ErrorKind::Exception, "No layer named " + name);
    }
    if (member == "Delete") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 0, 0);
        m_drawing.shrink(1 + insert.values.size());
        m_drawing.inserts.erase(m_drawing.inserts.begin() + (&insert - m_drawing.inserts.data()));
        return {};
    }
    fail(ErrorKind::UnknownName, "Unknown name: " + member);
}

HostValue ObjectModel::attribute(const std::string& path, const std::string& member,
                                 std::int32_t kind, const std::vector<HostValue>& args)
{
    // "/Attributes/<insert handle>/<index>"
    const std::string rest = path.substr(std::string(attributePrefix).size());
    const std::size_t slash = rest.find('/');
    const auto handle = pathDigits(rest.substr(0, slash));
    // A plain index with a flag, not an optional: GCC 12 at -O3 takes an optional's value
    // read after its check for one that may be uninitialised.
    std::size_t at = 0;
    bool numbered = false;
    if (slash != std::string::npos) {
        if (const auto digits = pathDigits(rest.substr(slash + 1))) {
            at = static_cast<std::size_t>(*digits);
            numbered = true;
        }
    }
    Insert* insert = handle ? findInsert(*handle) : nullptr;
    const Block* block = insert ? blockNamed(m_drawing.blocks, insert->block) : nullptr;
    if (block == nullptr || !numbered || at >= insert->values.size() ||
        at >= block->attributes.size()) {
        fail(ErrorKind::Failed, "No such object");
    }
    if (member == "TagString") {
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        return block->attributes[at].tag;
    }
    if (member == "TextString") {
        if (useOf(member, readWrite, kind) == Use::Get) {
            expectCount(member, args, 0, 0);
            return insert->values[at];
        }
        expectCount(member, args, 1, 1);
        const std::string& text = stringArg(member, args, 0);
        if (text.find_first_of("\r\n") != std::string::npos) {
            fail(ErrorKind::Exception, "An attribute holds one line");
        }
        insert->values[at] = text;
        return {};
    }
    fail(ErrorKind::UnknownName, "Unknown name: " + member);
}

} // namespace cadhost
