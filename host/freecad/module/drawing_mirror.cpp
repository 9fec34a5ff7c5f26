#include "host/freecad/module/drawing_mirror.h"

#include "drawing/part/part_shape.h"

#include <BRepTools.hxx>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <stdexcept>

namespace freecadhost {

namespace {

using drawing::Block;
using drawing::Insert;
using drawing::Layer;
using drawing::Line;
using drawing::Part;
using drawing::Polyline;
using drawing::Region;
using drawing::Text;
using Kind = MirrorRecord::Kind;

// FNV-1a over everything shown of a thing; texts with their lengths, so that no two different
// sequences of fields give the same bytes.
class Digest {
  public:
    Digest& add(std::uint64_t value)
    {
        for (int i = 0; i < 8; ++i) {
            m_hash = (m_hash ^ ((value >> (8 * i)) & 0xFF)) * 0x100000001B3ULL;
        }
        return *this;
    }
    Digest& add(double value)
    {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        return add(bits);
    }
    Digest& add(const std::string& text)
    {
        add(static_cast<std::uint64_t>(text.size()));
        for (const char ch : text) {
            m_hash = (m_hash ^ static_cast<unsigned char>(ch)) * 0x100000001B3ULL;
        }
        return *this;
    }
    std::string hex() const
    {
        static const char digits[] = "0123456789abcdef";
        std::string text(16, '0');
        for (int i = 0; i < 16; ++i) {
            text[static_cast<std::size_t>(15 - i)] = digits[(m_hash >> (4 * i)) & 0xF];
        }
        return text;
    }

  private:
    std::uint64_t m_hash = 0xCBF29CE484222325ULL;
};

std::string digestOf(const MirrorRecord& record, std::uint64_t solidSerial)
{
    Digest digest;
    digest.add(static_cast<std::uint64_t>(record.kind)).add(record.owner).add(record.layer);
    digest.add(static_cast<std::uint64_t>(static_cast<std::uint32_t>(record.color)));
    digest.add(static_cast<std::uint64_t>(record.points.size()));
    for (const Vec2& point : record.points) {
        digest.add(point.x).add(point.y);
    }
    digest.add(static_cast<std::uint64_t>(record.closed)).add(record.name).add(record.block);
    digest.add(record.x).add(record.y).add(record.z).add(record.height).add(record.rotation);
    digest.add(static_cast<std::uint64_t>(record.attributes.size()));
    for (const auto& [tag, value] : record.attributes) {
        digest.add(tag).add(value);
    }
    digest.add(static_cast<std::uint64_t>(record.definitions.size()));
    for (const drawing::AttributeDefinition& definition : record.definitions) {
        digest.add(definition.prompt).add(definition.at.x).add(definition.at.y);
        digest.add(definition.height).add(static_cast<std::uint64_t>(definition.invisible));
    }
    digest.add(static_cast<std::uint64_t>(record.data.size()));
    for (const ExtendedData& data : record.data) {
        digest.add(data.application).add(static_cast<std::uint64_t>(data.items.size()));
        for (const drawing::ExtendedItem& item : data.items) {
            digest.add(static_cast<std::uint64_t>(static_cast<std::uint16_t>(item.code)));
            digest.add(static_cast<std::uint64_t>(item.value.index()));
            std::visit(
                [&digest](const auto& v) {
                    if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::int32_t>) {
                        digest.add(static_cast<std::uint64_t>(static_cast<std::uint32_t>(v)));
                    } else {
                        digest.add(v);
                    }
                },
                item.value);
        }
    }
    return digest.add(solidSerial).hex();
}

MirrorRecord recordOf(Kind kind, const std::string& owner = {}, const std::string& layer = {})
{
    MirrorRecord record;
    record.kind = kind;
    record.owner = owner;
    record.layer = layer;
    return record;
}

std::string handleKey(char prefix, Handle handle)
{
    return prefix + std::to_string(handle);
}

std::string layerName(const CadDrawing& drawing, std::size_t layer)
{
    return layer < drawing.layers.size() ? drawing.layers[layer].name : std::string();
}

// How many of the drawing's elements a thing counts (CadDrawing::grow), as the object model
// counts them when it makes and deletes them.
std::size_t elementsOf(const Polyline& polyline)
{
    return polyline.vertices.size();
}
std::size_t elementsOf(const Line&)
{
    return 1;
}
std::size_t elementsOf(const Region& region)
{
    return region.loop.size();
}
std::size_t elementsOf(const Part& part)
{
    return 1 + (part.solid ? part.solid->threadCount() : 0);
}
std::size_t elementsOf(const Text&)
{
    return 1;
}
std::size_t elementsOf(const Insert& insert)
{
    return 1 + insert.values.size();
}
std::size_t elementsOf(const Block& block)
{
    std::size_t count = 1 + block.lines.size() + block.attributes.size() + block.texts.size();
    for (const Polyline& polyline : block.polylines) {
        count += elementsOf(polyline);
    }
    for (const Region& region : block.regions) {
        count += elementsOf(region);
    }
    for (const Part& part : block.parts) {
        count += elementsOf(part);
    }
    return count;
}

// The layers something is drawn on: only these are shown, so that a drawing's first layer, or a
// layer a failed run made, does not appear in the document (nor in its undo steps) empty.
std::set<std::size_t> usedLayers(const CadDrawing& drawing)
{
    std::set<std::size_t> used;
    const auto add = [&used](const auto& list) {
        for (const auto& thing : list) {
            used.insert(thing.layer);
        }
    };
    const auto entities = [&](const auto& where) {
        add(where.polylines);
        add(where.lines);
        add(where.regions);
        add(where.texts);
        for (const Part& part : where.parts) {
            if (part.solid) {
                used.insert(part.layer);
            }
        }
    };
    entities(drawing);
    for (const Block& block : drawing.blocks) {
        entities(block);
    }
    add(drawing.inserts);
    return used;
}

} // namespace

std::uint64_t DrawingMirror::solidSerial(const std::shared_ptr<const drawing::PartSolid>& solid)
{
    auto known = m_solids.find(solid.get());
    if (known != m_solids.end() && known->second.first.lock() == solid) {
        return known->second.second;
    }
    // A solid at an address seen before is another solid once the first is gone.
    m_solids[solid.get()] = {solid, ++m_lastSerial};
    return m_lastSerial;
}

std::vector<DrawingMirror::Located> DrawingMirror::locate(CadDrawing& drawing)
{
    std::vector<Located> found;
    std::map<std::string, int> equalOnes; // digests of command-drawn things seen so far
    // A thing's record once its fields are set: its digest, and its key from its handle or, for
    // a thing drawn by a command, from its digest and how many equal ones came before it.
    const auto add = [&](MirrorRecord record, Handle handle, char prefix, auto list,
                         std::size_t index, std::uint64_t serial = 0) {
        record.digest = digestOf(record, serial);
        record.key = handle != 0
                         ? handleKey(prefix, handle)
                         : "C" + record.digest + "#" + std::to_string(equalOnes[record.digest]++);
        found.push_back({std::move(record), list, index});
    };
    const auto entities = [&](const std::string& owner, std::vector<Polyline>& polylines,
                              std::vector<Line>& lines, std::vector<Region>& regions,
                              std::vector<Part>& parts, std::vector<Text>& texts) {
        for (std::size_t i = 0; i < polylines.size(); ++i) {
            const Polyline& polyline = polylines[i];
            MirrorRecord record =
                recordOf(Kind::Polyline, owner, layerName(drawing, polyline.layer));
            record.points = polyline.vertices;
            record.closed = polyline.closed;
            add(std::move(record), polyline.handle, 'E', &polylines, i);
        }
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const Line& line = lines[i];
            MirrorRecord record = recordOf(Kind::Line, owner, layerName(drawing, line.layer));
            record.points = {line.from, line.to};
            add(std::move(record), line.handle, 'E', &lines, i);
        }
        for (std::size_t i = 0; i < regions.size(); ++i) {
            const Region& region = regions[i];
            MirrorRecord record = recordOf(Kind::Region, owner, layerName(drawing, region.layer));
            record.points = region.loop;
            record.closed = true;
            add(std::move(record), region.handle, 'E', &regions, i);
        }
        for (std::size_t i = 0; i < parts.size(); ++i) {
            const Part& part = parts[i];
            if (!part.solid) {
                continue;
            }
            MirrorRecord record = recordOf(Kind::Solid, owner, layerName(drawing, part.layer));
            record.name = part.name;
            const gp_Ax1& axis = part.solid->body().axis;
            record.axis = {axis.Location().X(),  axis.Location().Y(),  axis.Location().Z(),
                           axis.Direction().X(), axis.Direction().Y(), axis.Direction().Z()};
            record.threads = part.solid->body().threads;
            add(std::move(record), part.handle, 'E', &parts, i, solidSerial(part.solid));
        }
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const Text& text = texts[i];
            MirrorRecord record = recordOf(Kind::Text, owner, layerName(drawing, text.layer));
            record.name = text.text;
            record.x = text.at.x;
            record.y = text.at.y;
            record.height = text.height;
            record.rotation = text.rotation;
            add(std::move(record), text.handle, 'E', &texts, i);
        }
    };

    const std::set<std::size_t> used = usedLayers(drawing);
    for (std::size_t i = 0; i < drawing.layers.size(); ++i) {
        if (used.count(i) == 0) {
            continue;
        }
        MirrorRecord record = recordOf(Kind::Layer, {}, drawing.layers[i].name);
        record.color = drawing.layers[i].color;
        record.digest = digestOf(record, 0);
        record.key = "L" + std::to_string(i);
        found.push_back({std::move(record), &drawing.layers, i});
    }
    for (std::size_t i = 0; i < drawing.blocks.size(); ++i) {
        const Block& block = drawing.blocks[i];
        MirrorRecord record = recordOf(Kind::Block);
        record.name = block.name;
        for (const drawing::AttributeDefinition& attribute : block.attributes) {
            record.attributes.emplace_back(attribute.tag, attribute.value);
        }
        record.definitions = block.attributes;
        add(std::move(record), block.handle, 'B', &drawing.blocks, i);
    }
    for (Block& block : drawing.blocks) {
        entities(handleKey('B', block.handle), block.polylines, block.lines, block.regions,
                 block.parts, block.texts);
    }
    entities("", drawing.polylines, drawing.lines, drawing.regions, drawing.parts, drawing.texts);
    for (std::size_t i = 0; i < drawing.inserts.size(); ++i) {
        const Insert& insert = drawing.inserts[i];
        MirrorRecord record = recordOf(Kind::Insert, {}, layerName(drawing, insert.layer));
        record.name = insert.block;
        const Block* block = drawing::blockNamed(drawing.blocks, insert.block);
        record.block = block != nullptr ? handleKey('B', block->handle) : std::string();
        record.x = insert.at.x;
        record.y = insert.at.y;
        record.z = insert.z;
        for (std::size_t k = 0; k < insert.values.size(); ++k) {
            const bool defined = block != nullptr && k < block->attributes.size();
            record.attributes.emplace_back(defined ? block->attributes[k].tag : std::string(),
                                           insert.values[k]);
        }
        record.data = insert.data;
        add(std::move(record), insert.handle, 'E', &drawing.inserts, i);
    }
    // The solids no part holds any more are forgotten: their numbers are never given again.
    std::erase_if(m_solids, [](const auto& entry) { return entry.second.first.expired(); });
    return found;
}

std::vector<MirrorRecord> DrawingMirror::records(CadDrawing& drawing)
{
    std::vector<MirrorRecord> records;
    for (Located& located : locate(drawing)) {
        records.push_back(std::move(located.record));
    }
    return records;
}

std::vector<std::pair<const void*, MirrorRecord>>
DrawingMirror::addressedRecords(CadDrawing& drawing)
{
    std::vector<std::pair<const void*, MirrorRecord>> records;
    for (Located& located : locate(drawing)) {
        const void* address = std::visit(
            [&](auto* list) -> const void* { return &(*list)[located.index]; }, located.list);
        records.emplace_back(address, std::move(located.record));
    }
    return records;
}

DrawingMirror::Withdrawn DrawingMirror::copyOf(const Located& thing)
{
    return std::visit(
        [&](auto* list) -> Withdrawn {
            using Thing = typename std::remove_pointer_t<decltype(list)>::value_type;
            if constexpr (std::is_same_v<Thing, Layer>) {
                throw std::logic_error("layers stay in the drawing");
            } else {
                return {thing.record.key, thing.record.owner, (*list)[thing.index]};
            }
        },
        thing.list);
}

bool DrawingMirror::putBack(CadDrawing& drawing, const Withdrawn& withdrawn)
{
    Block* owner = nullptr;
    for (Block& block : drawing.blocks) {
        if (handleKey('B', block.handle) == withdrawn.owner) {
            owner = &block;
        }
    }
    if (!withdrawn.owner.empty() && owner == nullptr) {
        return false; // its definition is not back (yet)
    }
    return std::visit(
        [&](const auto& thing) {
            using Thing = std::decay_t<decltype(thing)>;
            if constexpr (std::is_same_v<Thing, Block>) {
                // A definition of the same name made since takes its place.
                if (drawing::blockNamed(drawing.blocks, thing.name) != nullptr) {
                    return false;
                }
            }
            try {
                drawing.grow(elementsOf(thing));
            } catch (const drawing::DrawingError&) {
                return false; // the drawing is full: it stays out
            }
            if constexpr (std::is_same_v<Thing, Polyline>) {
                (owner ? owner->polylines : drawing.polylines).push_back(thing);
            } else if constexpr (std::is_same_v<Thing, Line>) {
                (owner ? owner->lines : drawing.lines).push_back(thing);
            } else if constexpr (std::is_same_v<Thing, Region>) {
                (owner ? owner->regions : drawing.regions).push_back(thing);
            } else if constexpr (std::is_same_v<Thing, Part>) {
                (owner ? owner->parts : drawing.parts).push_back(thing);
            } else if constexpr (std::is_same_v<Thing, Text>) {
                (owner ? owner->texts : drawing.texts).push_back(thing);
            } else if constexpr (std::is_same_v<Thing, Insert>) {
                drawing.inserts.push_back(thing);
            } else {
                drawing.blocks.push_back(thing);
            }
            return true;
        },
        withdrawn.thing);
}

void DrawingMirror::setMirrored(CadDrawing& drawing, const std::set<std::string>& keys)
{
    std::map<std::string, Withdrawn> shown;
    for (const Located& thing : locate(drawing)) {
        if (thing.record.kind != Kind::Layer && keys.count(thing.record.key) != 0) {
            shown.emplace(thing.record.key, copyOf(thing));
        }
    }
    // What the object model deleted since the last pass is kept aside too: an undo in the CAD
    // program brings its objects back.
    for (auto& [key, copy] : m_shown) {
        if (shown.count(key) == 0) {
            keepAside(std::move(copy));
        }
    }
    m_shown = std::move(shown);
    m_mirrored = keys;
}

void DrawingMirror::keepAside(Withdrawn withdrawn)
{
    m_aside.push_back(std::move(withdrawn));
    if (m_aside.size() > maxKeptAside) {
        m_aside.erase(m_aside.begin());
    }
}

DrawingMirror::Reconciled DrawingMirror::reconcile(CadDrawing& drawing,
                                                   const std::set<std::string>& present)
{
    Reconciled result;
    const std::vector<Located> located = locate(drawing);
    std::set<std::string> gone;
    for (const Located& thing : located) {
        if (thing.record.kind != Kind::Layer && m_mirrored.count(thing.record.key) != 0 &&
            present.count(thing.record.key) == 0) {
            gone.insert(thing.record.key);
        }
    }
    // Taken out last place first, so that the places of the others in the same list hold; what
    // a withdrawn definition holds goes with it.
    for (auto thing = located.rbegin(); thing != located.rend(); ++thing) {
        const MirrorRecord& record = thing->record;
        if (gone.count(record.key) == 0 || gone.count(record.owner) != 0) {
            continue;
        }
        Withdrawn taken = copyOf(*thing);
        std::visit(
            [&](auto* list) {
                list->erase(list->begin() + static_cast<std::ptrdiff_t>(thing->index));
            },
            thing->list);
        std::visit([&](const auto& t) { drawing.shrink(elementsOf(t)); }, taken.thing);
        m_shown.erase(record.key);
        m_mirrored.erase(record.key);
        keepAside(std::move(taken));
        result.withdrawn.push_back(record.key);
    }
    // Back what the document shows again and the drawing lacks: definitions first, so that what
    // was taken out of one finds it again.
    for (const bool blocks : {true, false}) {
        std::set<std::string> inDrawing;
        for (const Located& thing : locate(drawing)) {
            inDrawing.insert(thing.record.key);
        }
        for (auto w = m_aside.begin(); w != m_aside.end();) {
            if (std::holds_alternative<Block>(w->thing) != blocks || present.count(w->key) == 0) {
                ++w;
            } else if (inDrawing.count(w->key) != 0) {
                w = m_aside.erase(w); // back already, inside its definition
            } else if (putBack(drawing, *w)) {
                result.reinstated.push_back(w->key);
                m_mirrored.insert(w->key);
                m_shown.insert_or_assign(w->key, *w);
                w = m_aside.erase(w);
            } else {
                ++w;
            }
        }
    }
    return result;
}

std::optional<std::string> DrawingMirror::solidBrep(CadDrawing& drawing, const std::string& key)
{
    for (Located& thing : locate(drawing)) {
        if (thing.record.key == key && thing.record.kind == Kind::Solid) {
            const Part& part = (*std::get<std::vector<Part>*>(thing.list))[thing.index];
            std::ostringstream text;
            BRepTools::Write(drawing::solidShape(*part.solid), text);
            return text.str();
        }
    }
    return std::nullopt;
}

std::optional<Handle> DrawingMirror::entityHandle(CadDrawing& drawing, const std::string& key)
{
    for (Located& thing : locate(drawing)) {
        if (thing.record.key != key) {
            continue;
        }
        return std::visit(
            [&](auto* list) -> std::optional<Handle> {
                using Thing = typename std::remove_pointer_t<decltype(list)>::value_type;
                if constexpr (std::is_same_v<Thing, Layer> || std::is_same_v<Thing, Block>) {
                    return std::nullopt;
                } else {
                    Thing& entity = (*list)[thing.index];
                    if constexpr (std::is_same_v<Thing, Part> || std::is_same_v<Thing, Region>) {
                        // The part commands' solids stay theirs; regions are helpers.
                        if (entity.handle == 0) {
                            return std::nullopt;
                        }
                    }
                    if (entity.handle == 0) {
                        entity.handle = drawing.newHandle();
                    }
                    return entity.handle;
                }
            },
            thing.list);
    }
    return std::nullopt;
}

} // namespace freecadhost
