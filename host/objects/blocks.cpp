#include "host/objects/blocks.h"

#include "drawing/part/part_solid.h"
#include "host/objects/call_checks.h"
#include "host/objects/entities.h"
#include "host/objects/layers.h"
#include "host/objects/object_model.h"

#include <algorithm>
#include <cmath>

namespace cadhost {

namespace {

constexpr const char* blockPrefix = "/Blocks/";
constexpr const char* attributePrefix = "/Attributes/";

// The digits of a path's part as a whole number; nothing for anything else.
std::optional<Handle> digitsOf(const std::string& text)
{
    if (text.empty() || text.size() > 18) {
        return std::nullopt;
    }
    Handle value = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<Handle>(ch - '0');
    }
    return value;
}

// A block name the drawing and its DXF can hold: as a layer name, and no longer.
void checkBlockName(const std::string& member, const std::vector<HostValue>& args, std::size_t i)
{
    const std::string& name = stringArg(member, args, i);
    if (!validLayerName(name) || name.size() > maxBlockNameBytes) {
        fail(ErrorKind::Exception, "Invalid block name");
    }
}

double distanceToSegment(Vec2 p, Vec2 a, Vec2 b)
{
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

bool near(Vec2 p, const std::vector<Line>& lines)
{
    return std::any_of(lines.begin(), lines.end(), [p](const Line& line) {
        return distanceToSegment(p, line.from, line.to) <= pickDistance;
    });
}

// Extended data as it arrives: type codes and values, item by item.
std::vector<ExtendedItem> extendedItems(const std::string& member,
                                        const std::vector<HostValue>& args)
{
    const auto* codes = std::get_if<std::vector<HostItem>>(&args[0]);
    const auto* values = std::get_if<std::vector<HostItem>>(&args[1]);
    if (codes == nullptr) {
        mismatch(member, 0);
    }
    if (values == nullptr) {
        mismatch(member, 1);
    }
    if (codes->size() != values->size() || codes->empty()) {
        fail(ErrorKind::Exception, "Invalid extended data");
    }
    std::vector<ExtendedItem> items;
    for (std::size_t i = 0; i < codes->size(); ++i) {
        const auto* code = std::get_if<std::int32_t>(&(*codes)[i].value);
        if (code == nullptr || *code < 1000 || *code > 1071) {
            fail(ErrorKind::Exception, "Invalid extended data");
        }
        const HostItem::Value& value = (*values)[i].value;
        ExtendedItem item{static_cast<std::int16_t>(*code), std::string()};
        if (const auto* text = std::get_if<std::string>(&value)) {
            item.value = *text;
        } else if (const auto* real = std::get_if<double>(&value); real && std::isfinite(*real)) {
            item.value = *real;
        } else if (const auto* whole = std::get_if<std::int32_t>(&value)) {
            item.value = *whole;
        } else {
            fail(ErrorKind::Exception, "Invalid extended data");
        }
        items.push_back(std::move(item));
    }
    if (items[0].code != 1001 || !std::holds_alternative<std::string>(items[0].value)) {
        fail(ErrorKind::Exception, "Invalid extended data");
    }
    return items;
}

HostItem itemOf(const std::variant<std::string, double, std::int32_t>& value)
{
    return std::visit([](const auto& v) -> HostItem { return v; }, value);
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
    return digitsOf(path.substr(prefix.size()));
}

std::string handleText(Handle handle)
{
    constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), digits[handle % 16]);
        handle /= 16;
    } while (handle != 0);
    return text;
}

std::optional<Handle> parseHandleText(const std::string& text)
{
    if (text.empty() || text.size() > 15) {
        return std::nullopt;
    }
    Handle value = 0;
    for (char ch : text) {
        const char up = ch >= 'a' && ch <= 'f' ? static_cast<char>(ch - 'a' + 'A') : ch;
        const char* digits = "0123456789ABCDEF";
        const char* at = std::find(digits, digits + 16, up);
        if (at == digits + 16) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<Handle>(at - digits);
    }
    return value;
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

Insert* ObjectModel::findInsert(Handle handle)
{
    for (Insert& insert : m_drawing.inserts) {
        if (insert.handle == handle && handle != 0) {
            return &insert;
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
    // HandleToObject(handle text): any entity or block reference of the drawing.
    useOf(member, methodMember, kind);
    expectCount(member, args, 1, 1);
    const auto handle = parseHandleText(stringArg(member, args, 0));
    if (handle && findInsert(*handle) != nullptr) {
        return entityRef(*handle);
    }
    if (handle && *handle != 0) {
        for (const EntityContainer& where : entityContainers()) {
            const auto has = [&](const auto* list) {
                return list != nullptr &&
                       std::any_of(list->begin(), list->end(),
                                   [&](const auto& e) { return e.handle == *handle; });
            };
            if (has(where.polylines) || has(where.lines) || has(where.regions) ||
                has(where.parts)) {
                return entityRef(*handle);
            }
        }
    }
    fail(ErrorKind::Exception, "Invalid handle");
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
    if (member == "AddLine") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 2, 2);
        const auto from = pointArg(member, args, 0);
        const auto to = pointArg(member, args, 1);
        checkCoordinates({from[0], from[1], to[0], to[1]});
        m_drawing.grow(1);
        const Handle made = m_drawing.newHandle();
        block->lines.push_back({m_drawing.activeLayer, {from[0], from[1]}, {to[0], to[1]}, made});
        return entityRef(made);
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
        m_drawing.shrink(1 + block->lines.size() + block->attributes.size());
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
    // AddLightWeightPolyline, AddRegion and AddRevolvedSolid as model space makes them.
    return container({&block->polylines, &block->lines, &block->regions, &block->parts}, member,
                     kind, args);
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
        std::vector<ExtendedItem> items = extendedItems(member, args);
        const std::string application = std::get<std::string>(items[0].value);
        if (std::find(m_drawing.applications.begin(), m_drawing.applications.end(), application) ==
            m_drawing.applications.end()) {
            fail(ErrorKind::Exception, "The application is not registered");
        }
        items.erase(items.begin());
        const auto same = [&](const ExtendedData& d) { return d.application == application; };
        insert.data.erase(std::remove_if(insert.data.begin(), insert.data.end(), same),
                          insert.data.end());
        insert.data.push_back({application, std::move(items)});
        return {};
    }
    if (member == "GetXData") {
        // GetXData(application, out codes, out values): the out values are the result, both
        // empty when the reference has no data of that application (docs/design-notes.md).
        useOf(member, methodMember, kind);
        expectCount(member, args, 1, 3);
        const std::string& application = stringArg(member, args, 0);
        std::vector<HostItem> codes;
        std::vector<HostItem> values;
        for (const ExtendedData& data : insert.data) {
            if (data.application == application) {
                codes.push_back(std::int32_t{1001});
                values.push_back(application);
                for (const ExtendedItem& item : data.items) {
                    codes.push_back(std::int32_t{item.code});
                    values.push_back(itemOf(item.value));
                }
            }
        }
        return std::vector<HostItem>{std::move(codes), std::move(values)};
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
    const auto handle = digitsOf(rest.substr(0, slash));
    // A plain index with a flag, not an optional: GCC 12 at -O3 takes an optional's value
    // read after its check for one that may be uninitialised.
    std::size_t at = 0;
    bool numbered = false;
    if (slash != std::string::npos) {
        if (const auto digits = digitsOf(rest.substr(slash + 1))) {
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

HostValue ObjectModel::applications(const std::string& member, std::int32_t kind,
                                    const std::vector<HostValue>& args)
{
    if (member == "Count") {
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        return static_cast<std::int32_t>(m_drawing.applications.size());
    }
    if (member == "Add") {
        // Adding a name that is there already gives that application, as a CAD program does.
        useOf(member, methodMember, kind);
        expectCount(member, args, 1, 1);
        const std::string& name = stringArg(member, args, 0);
        if (!validLayerName(name) || name.size() > maxBlockNameBytes) {
            fail(ErrorKind::Exception, "Invalid application name");
        }
        const auto at =
            std::find(m_drawing.applications.begin(), m_drawing.applications.end(), name);
        if (at == m_drawing.applications.end()) {
            m_drawing.applications.push_back(name);
        }
        return ObjectRef{"/RegisteredApplications"};
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
    if (member == "GetXData") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 1, 3);
        stringArg(member, args, 0);
        return std::vector<HostItem>{std::vector<HostItem>{}, std::vector<HostItem>{}};
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

HostValue ObjectModel::entityData(Handle handle, const std::string& member, std::int32_t kind,
                                  const std::vector<HostValue>& args)
{
    // Only for an entity that exists: "No such object" otherwise, as for its other members.
    bool exists = false;
    for (const EntityContainer& where : entityContainers()) {
        const auto has = [&](const auto* list) {
            return list != nullptr && std::any_of(list->begin(), list->end(), [&](const auto& e) {
                       return e.handle == handle;
                   });
        };
        exists = exists || has(where.polylines) || has(where.regions) || has(where.parts);
    }
    if (!exists) {
        fail(ErrorKind::Failed, "No such object");
    }
    if (member == "Handle") {
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        return handleText(handle);
    }
    useOf(member, methodMember, kind);
    expectCount(member, args, 1, 3);
    stringArg(member, args, 0);
    return std::vector<HostItem>{std::vector<HostItem>{}, std::vector<HostItem>{}};
}

std::optional<ObjectRef> ObjectModel::entityAt(Vec2 point)
{
    for (auto insert = m_drawing.inserts.rbegin(); insert != m_drawing.inserts.rend(); ++insert) {
        const Block* block = blockNamed(m_drawing.blocks, insert->block);
        if (block != nullptr && near(point, insertLines(*block, *insert))) {
            return entityRef(insert->handle);
        }
    }
    for (auto line = m_drawing.lines.rbegin(); line != m_drawing.lines.rend(); ++line) {
        if (distanceToSegment(point, line->from, line->to) <= pickDistance) {
            if (line->handle == 0) {
                line->handle = m_drawing.newHandle();
            }
            return entityRef(line->handle);
        }
    }
    for (auto polyline = m_drawing.polylines.rbegin(); polyline != m_drawing.polylines.rend();
         ++polyline) {
        const Block outline{"", 0, {*polyline}, {}, {}};
        if (near(point, insertLines(outline, Insert{"", 0, {0, 0}, 0, {}, {}, 0}))) {
            if (polyline->handle == 0) {
                polyline->handle = m_drawing.newHandle();
            }
            return entityRef(polyline->handle);
        }
    }
    return std::nullopt;
}

bool ObjectModel::pickTakes(Vec2 point)
{
    return !m_pendingEntity || entityAt(point).has_value();
}

HostValue ObjectModel::getEntity(const std::vector<HostValue>& args, std::int32_t kind,
                                 InvokeResult& result)
{
    // GetEntity(out object, out point, [prompt]): the out places arrive empty.
    const std::string member = "GetEntity";
    useOf(member, methodMember, kind);
    expectCount(member, args, 2, 3);
    for (std::size_t i = 0; i < 2; ++i) {
        if (!std::holds_alternative<std::monostate>(args[i])) {
            mismatch(member, i);
        }
    }
    std::string prompt;
    if (args.size() == 3 && !std::holds_alternative<std::monostate>(args[2])) {
        prompt = stringArg(member, args, 2);
    }
    if (!m_scriptedPoints.empty()) {
        const Vec2 p = m_scriptedPoints.front();
        m_scriptedPoints.pop_front();
        if (m_repeatPoints) {
            m_scriptedPoints.push_back(p);
        }
        const std::optional<ObjectRef> picked = entityAt(p);
        if (!picked) {
            fail(ErrorKind::Exception, "Nothing selected");
        }
        return std::vector<HostItem>{*picked, std::vector<double>{p.x, p.y, 0.0}};
    }
    if (m_headless) {
        fail(ErrorKind::Exception, "Selection cancelled");
    }
    if (m_pendingCall) {
        fail(ErrorKind::Exception, "A point is already asked for");
    }
    m_pendingEntity = true;
    result.status = InvokeResult::Status::AwaitingPick;
    result.prompt = prompt;
    return {};
}

} // namespace cadhost
