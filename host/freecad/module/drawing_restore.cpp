#include "host/freecad/module/drawing_restore.h"

#include "drawing/part/part_shape.h"
#include "host/objects/blocks.h"
#include "host/objects/layers.h"

#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <Standard_Failure.hxx>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <sstream>

namespace freecadhost {

namespace {

using drawing::Block;
using drawing::Insert;
using drawing::Line;
using drawing::Part;
using drawing::Polyline;
using drawing::Region;
using drawing::Text;
using Kind = MirrorRecord::Kind;

// The number after a key's letter ("E12" -> 12); nothing for any other key.
std::optional<Handle> keyNumber(const std::string& key, char letter)
{
    if (key.size() < 2 || key.size() > 19 || key[0] != letter) {
        return std::nullopt;
    }
    Handle number = 0;
    for (std::size_t i = 1; i < key.size(); ++i) {
        if (key[i] < '0' || key[i] > '9') {
            return std::nullopt;
        }
        number = number * 10 + static_cast<Handle>(key[i] - '0');
    }
    return number == 0 ? std::nullopt : std::optional<Handle>(number);
}

bool within(double value)
{
    return std::isfinite(value) && std::abs(value) <= drawing::coordinateLimit;
}

bool pointsWithin(const std::vector<Vec2>& points)
{
    return std::all_of(points.begin(), points.end(),
                       [](Vec2 p) { return within(p.x) && within(p.y); });
}

bool oneLineOfText(const std::string& text)
{
    const auto characters = std::count_if(text.begin(), text.end(), [](char ch) {
        return (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
    });
    return text.find_first_of("\r\n") == std::string::npos &&
           static_cast<std::size_t>(characters) <= drawing::maxTextCharacters;
}

bool validBlockName(const std::string& name)
{
    return cadhost::validLayerName(name) && name.size() <= cadhost::maxBlockNameBytes;
}

std::optional<drawing::PartSolid> solidOf(const SavedObject& saved)
{
    try {
        TopoDS_Shape shape;
        BRep_Builder builder;
        std::istringstream text(saved.brep);
        BRepTools::Read(shape, text, builder);
        const auto& a = saved.record.axis;
        if (shape.IsNull() || !std::all_of(a.begin(), a.end(), within)) {
            return std::nullopt;
        }
        return drawing::solidFromShape(shape, gp_Ax1({a[0], a[1], a[2]}, gp_Dir(a[3], a[4], a[5])),
                                       saved.record.threads);
    } catch (const Standard_Failure&) { // a direction of length 0, a broken text
        return std::nullopt;
    } catch (const drawing::ModelingError&) {
        return std::nullopt;
    }
}

// Where a restored thing went: its list (in model space or in the definition at `block`) and its
// place there. Addresses are taken once every list is whole.
struct Where {
    enum class List { Layer, Block, Polyline, Line, Region, Part, Text, Insert } list;
    std::size_t block;
    std::size_t index;
};
constexpr std::size_t inModelSpace = SIZE_MAX;

// Builds the drawing in the order its things depend on one another: layers, definitions, what
// they and model space hold, references.
class Restorer {
  public:
    Restorer(CadDrawing& drawing, const std::vector<SavedObject>& saved)
        : m_drawing(drawing), m_saved(saved), m_where(saved.size())
    {
    }

    // Where each object's thing is in the drawing; nullptr for one left out.
    std::vector<const void*> run()
    {
        keepHandles();
        layers();
        for (std::size_t i = 0; i < m_saved.size(); ++i) {
            if (m_saved[i].record.kind == Kind::Block) {
                block(i);
            }
        }
        for (std::size_t i = 0; i < m_saved.size(); ++i) {
            const Kind kind = m_saved[i].record.kind;
            if (kind != Kind::Layer && kind != Kind::Block && kind != Kind::Insert) {
                entity(i);
            }
        }
        for (std::size_t i = 0; i < m_saved.size(); ++i) {
            if (m_saved[i].record.kind == Kind::Insert) {
                insert(i);
            }
        }
        std::vector<const void*> addresses;
        for (const std::optional<Where>& where : m_where) {
            addresses.push_back(where ? addressOf(*where) : nullptr);
        }
        return addresses;
    }

  private:
    using Id = std::pair<std::string, std::string>; // (drawing, key)

    Id idOf(std::size_t i) const { return {m_saved[i].drawing, m_saved[i].record.key}; }

    // Each thing keeps the handle in its key unless an earlier one took it (another drawing of
    // the same document counted from 1 too): that one gets a handle no one has had.
    void keepHandles()
    {
        std::map<Handle, Id> taken;
        std::vector<Id> later;
        for (std::size_t i = 0; i < m_saved.size(); ++i) {
            const Id id = idOf(i);
            const char letter = m_saved[i].record.kind == Kind::Block ? 'B' : 'E';
            const auto number = keyNumber(id.second, letter);
            if (!number || m_handles.count(id) != 0) {
                continue;
            }
            if (taken.emplace(*number, id).second) {
                m_handles[id] = *number;
                m_drawing.reserveHandle(*number);
            } else {
                m_handles[id] = 0;
                later.push_back(id);
            }
        }
        for (const Id& id : later) {
            m_handles[id] = m_drawing.newHandle();
        }
    }

    // The handle of a handled thing (0 for one a command drew) once: a second object of the
    // same key gets none.
    std::optional<Handle> handleOf(std::size_t i)
    {
        const Id id = idOf(i);
        if (!m_placed.insert(id).second) {
            return std::nullopt;
        }
        const auto found = m_handles.find(id);
        if (found == m_handles.end()) {
            return id.second.rfind("C", 0) == 0 ? std::optional<Handle>(0) : std::nullopt;
        }
        return found->second;
    }

    // Layers in the order of their keys (their places in the drawing that made them), one per
    // name; layer "0" is the drawing's own.
    void layers()
    {
        std::vector<std::size_t> order;
        for (std::size_t i = 0; i < m_saved.size(); ++i) {
            if (m_saved[i].record.kind == Kind::Layer) {
                order.push_back(i);
            }
        }
        std::stable_sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
            return keyNumber(m_saved[a].record.key, 'L').value_or(0) <
                   keyNumber(m_saved[b].record.key, 'L').value_or(0);
        });
        std::set<std::size_t> given;
        for (const std::size_t i : order) {
            const MirrorRecord& record = m_saved[i].record;
            if (!cadhost::validLayerName(record.layer) || record.color < 1 || record.color > 255) {
                continue;
            }
            const std::size_t index = layerIndex(record.layer).value_or(m_drawing.layers.size());
            if (index == m_drawing.layers.size()) {
                m_drawing.addLayer(record.layer);
            }
            if (given.insert(index).second) {
                m_drawing.layers[index].color = record.color;
                m_where[i] = Where{Where::List::Layer, inModelSpace, index};
            }
        }
    }

    std::optional<std::size_t> layerIndex(const std::string& name) const
    {
        for (std::size_t i = 0; i < m_drawing.layers.size(); ++i) {
            if (m_drawing.layers[i].name == name) {
                return i;
            }
        }
        return std::nullopt;
    }

    // The layer a thing is on; one that no layer object showed is made (colour 7).
    std::optional<std::size_t> layerOf(const std::string& name)
    {
        if (const auto index = layerIndex(name)) {
            return index;
        }
        if (!cadhost::validLayerName(name)) {
            return std::nullopt;
        }
        return m_drawing.addLayer(name);
    }

    bool grow(std::size_t elements)
    {
        try {
            m_drawing.grow(elements);
            return true;
        } catch (const drawing::DrawingError&) {
            return false; // the drawing is full: the rest stays out
        }
    }

    void block(std::size_t i)
    {
        const MirrorRecord& record = m_saved[i].record;
        const auto handle = handleOf(i);
        if (!handle || *handle == 0 || !validBlockName(record.name) ||
            drawing::blockNamed(m_drawing.blocks, record.name) != nullptr) {
            return;
        }
        for (const drawing::AttributeDefinition& a : record.definitions) {
            if (a.tag.empty() || a.tag.size() > cadhost::maxBlockNameBytes ||
                a.tag.find_first_of(" \t\r\n") != std::string::npos || !within(a.at.x) ||
                !within(a.at.y) || !within(a.height) || !(a.height > 0)) {
                return;
            }
        }
        if (!grow(1 + record.definitions.size())) {
            return;
        }
        m_drawing.blocks.push_back({record.name, *handle, {}, {}, record.definitions});
        m_blocks[idOf(i)] = m_drawing.blocks.size() - 1;
        m_where[i] = Where{Where::List::Block, inModelSpace, m_drawing.blocks.size() - 1};
    }

    template <typename Thing>
    void place(std::size_t i, std::vector<Thing>& list, Thing thing, Where::List kind,
               std::size_t block)
    {
        list.push_back(std::move(thing));
        m_where[i] = Where{kind, block, list.size() - 1};
    }

    void entity(std::size_t i)
    {
        const SavedObject& saved = m_saved[i];
        const MirrorRecord& record = saved.record;
        std::size_t block = inModelSpace;
        if (!record.owner.empty()) {
            const auto owner = m_blocks.find({saved.drawing, record.owner});
            if (owner == m_blocks.end()) {
                return; // its definition is left out
            }
            block = owner->second;
        }
        Block* definition = block == inModelSpace ? nullptr : &m_drawing.blocks[block];
        const auto layer = layerOf(record.layer);
        const auto handle = handleOf(i);
        if (!layer || !handle || !pointsWithin(record.points)) {
            return;
        }
        const std::size_t count = record.points.size();
        switch (record.kind) {
        case Kind::Polyline:
            if (count >= 2 && count <= drawing::maxEntityVertices && grow(count)) {
                place(i, definition ? definition->polylines : m_drawing.polylines,
                      Polyline{*layer, record.points, record.closed, *handle},
                      Where::List::Polyline, block);
            }
            break;
        case Kind::Line:
            if (count == 2 && grow(1)) {
                place(i, definition ? definition->lines : m_drawing.lines,
                      Line{*layer, record.points[0], record.points[1], *handle}, Where::List::Line,
                      block);
            }
            break;
        case Kind::Region:
            if (count >= 3 && count <= drawing::maxEntityVertices && grow(count)) {
                place(i, definition ? definition->regions : m_drawing.regions,
                      Region{*layer, record.points, *handle}, Where::List::Region, block);
            }
            break;
        case Kind::Text:
            if (oneLineOfText(record.name) && within(record.x) && within(record.y) &&
                within(record.height) && record.height > 0 && std::isfinite(record.rotation) &&
                grow(1)) {
                place(i, definition ? definition->texts : m_drawing.texts,
                      Text{*layer,
                           record.name,
                           {record.x, record.y},
                           record.height,
                           record.rotation,
                           *handle},
                      Where::List::Text, block);
            }
            break;
        case Kind::Solid:
            if (auto solid = solidOf(saved); solid &&
                                             record.name.size() <= drawing::maxPartNameBytes &&
                                             grow(1 + solid->threadCount())) {
                // Closed (modelled): the part commands start a part of their own.
                Part part{record.name, *layer, {}, false, false, nullptr, *handle, true};
                part.solid = std::make_shared<const drawing::PartSolid>(std::move(*solid));
                place(i, definition ? definition->parts : m_drawing.parts, std::move(part),
                      Where::List::Part, block);
            }
            break;
        default: // a kind this drawing does not know
            break;
        }
    }

    void insert(std::size_t i)
    {
        const MirrorRecord& record = m_saved[i].record;
        const Block* block = drawing::blockNamed(m_drawing.blocks, record.name);
        const auto layer = layerOf(record.layer);
        const auto handle = handleOf(i);
        if (block == nullptr || !layer || !handle || *handle == 0 || !within(record.x) ||
            !within(record.y) || !within(record.z)) {
            return;
        }
        // The values in the order of the definitions: each tag's value, else its default.
        Insert insert{record.name, *layer, {record.x, record.y}, record.z, {}, {}, *handle};
        std::vector<bool> used(record.attributes.size(), false);
        for (const drawing::AttributeDefinition& definition : block->attributes) {
            std::string value = definition.value;
            for (std::size_t k = 0; k < record.attributes.size(); ++k) {
                if (!used[k] && record.attributes[k].first == definition.tag) {
                    used[k] = true;
                    value = record.attributes[k].second;
                    break;
                }
            }
            insert.values.push_back(std::move(value));
        }
        for (const ExtendedData& data : record.data) {
            const bool takes = !data.application.empty() &&
                               std::none_of(data.items.begin(), data.items.end(), [](auto& item) {
                                   return item.code < 1000 || item.code > 1071 || item.code == 1001;
                               });
            if (!takes) {
                continue; // not data the object model could have been given
            }
            insert.data.push_back(data);
            auto& applications = m_drawing.applications;
            if (std::find(applications.begin(), applications.end(), data.application) ==
                applications.end()) {
                applications.push_back(data.application);
            }
        }
        if (grow(1 + insert.values.size())) {
            place(i, m_drawing.inserts, std::move(insert), Where::List::Insert, inModelSpace);
        }
    }

    const void* addressOf(const Where& where)
    {
        const auto entity = [&where](auto& container) -> const void* {
            switch (where.list) {
            case Where::List::Polyline:
                return &container.polylines[where.index];
            case Where::List::Line:
                return &container.lines[where.index];
            case Where::List::Region:
                return &container.regions[where.index];
            case Where::List::Part:
                return &container.parts[where.index];
            default:
                return &container.texts[where.index];
            }
        };
        switch (where.list) {
        case Where::List::Layer:
            return &m_drawing.layers[where.index];
        case Where::List::Block:
            return &m_drawing.blocks[where.index];
        case Where::List::Insert:
            return &m_drawing.inserts[where.index];
        default:
            return where.block == inModelSpace ? entity(m_drawing)
                                               : entity(m_drawing.blocks[where.block]);
        }
    }

    CadDrawing& m_drawing;
    const std::vector<SavedObject>& m_saved;
    std::vector<std::optional<Where>> m_where; // by object
    std::map<Id, Handle> m_handles;
    std::set<Id> m_placed;
    std::map<Id, std::size_t> m_blocks; // the places of the definitions restored
};

} // namespace

std::vector<std::optional<MirrorRecord>> restoreDrawing(CadDrawing& drawing, DrawingMirror& mirror,
                                                        const std::vector<SavedObject>& saved)
{
    const std::vector<const void*> at = Restorer(drawing, saved).run();
    std::map<const void*, MirrorRecord> shown;
    for (auto& [address, record] : mirror.addressedRecords(drawing)) {
        shown.emplace(address, std::move(record));
    }
    std::vector<std::optional<MirrorRecord>> records;
    for (const void* address : at) {
        const auto found = address != nullptr ? shown.find(address) : shown.end();
        records.push_back(found != shown.end() ? std::optional<MirrorRecord>(found->second)
                                               : std::nullopt);
    }
    return records;
}

} // namespace freecadhost
