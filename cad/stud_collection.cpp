#include "cad/stud_collection.h"

#include "model/stud_designation.h"

#include <map>

namespace {

// The selection set this program fills and deletes again; one that a run cut short left behind
// is deleted first.
constexpr const char* setName = "QUORVEL_PARTS_LIST";
constexpr std::int32_t selectAll = 5; // acSelectionSetAll

std::string upper(std::string text)
{
    for (char& ch : text) {
        ch = ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch;
    }
    return text;
}

// The tags of the attributes of a block's references, in their order, by block name and number
// of attributes. A CAD program gives a reference the attributes of its block's definition in the
// definition's order and keeps them so when the definition changes, so the tags are read from the
// first reference of each block alone: five calls fewer for every further stud.
using TagOrders = std::map<std::string, std::vector<std::string>>;

// The stud a block reference is, read from its extended data and its attributes; none when it
// carries no data of this program.
std::optional<PlacedStud> readStud(const OleObject& reference, TagOrders& tagOrders)
{
    const Variants data =
        reference.call("GetXData", {studApplication, OutArgument{}, OutArgument{}}).toVariants();
    std::optional<StoredStud> stored;
    if (data.size() == 2) {
        stored = storedStud(data[0].toVariants(), data[1].toVariants());
    }
    if (!stored) {
        return std::nullopt;
    }
    PlacedStud stud{*stored, {}, {}, {}, {}, {}};
    const Objects attributes = reference.call("GetAttributes", {}).toObjects();
    const std::string key =
        reference.get("Name").toString() + '\n' + std::to_string(attributes.size());
    auto tags = tagOrders.find(key);
    if (tags == tagOrders.end()) {
        std::vector<std::string> read;
        for (const OleObject& attribute : attributes) {
            read.push_back(upper(attribute.get("TagString").toString()));
        }
        tags = tagOrders.emplace(key, std::move(read)).first;
    }
    for (std::size_t i = 0; i < attributes.size(); ++i) {
        const std::string& tag = tags->second[i];
        std::string* value = tag == "NAME"   ? &stud.name
                             : tag == "QTY"  ? &stud.quantity
                             : tag == "MASS" ? &stud.mass
                             : tag == "POS"  ? &stud.position
                                             : nullptr;
        if (value != nullptr) {
            *value = attributes[i].get("TextString").toString();
        }
    }
    if (stud.name.empty()) {
        // NAME deleted or emptied: the stud is still listed, by the designation of its sizes.
        const std::optional<double> P =
            stored->P > 0 ? std::optional<double>(stored->P) : std::nullopt;
        stud.name = designation({stored->standard, stored->d, stored->L, finePitch(stored->d, P)});
    }
    // The handle names a stud in the message about its quantity; no call for the others.
    if (!positiveQuantity(stud.quantity)) {
        stud.handle = reference.get("Handle").toString();
    }
    return stud;
}

std::vector<PlacedStud> walk(const OleObject& document)
{
    const OleObject modelSpace = document.get("ModelSpace").toObject();
    std::vector<PlacedStud> studs;
    TagOrders tagOrders;
    const std::int32_t count = modelSpace.get("Count").toInt32();
    for (std::int32_t i = 0; i < count; ++i) {
        const OleObject entity = modelSpace.call("Item", {i}).toObject();
        if (entity.get("ObjectName").toString() != "AcDbBlockReference") {
            continue;
        }
        if (std::optional<PlacedStud> stud = readStud(entity, tagOrders)) {
            studs.push_back(std::move(*stud));
        }
    }
    return studs;
}

void deleteQuietly(const OleObject& object)
{
    try {
        object.call("Delete", {});
    } catch (const EOleError&) {
    }
}

// The selection set of the studs, filled; throws where the host refuses it or its filter.
OleObject selectStuds(const OleObject& document)
{
    const OleObject sets = document.get("SelectionSets").toObject();
    try {
        deleteQuietly(sets.call("Item", {setName}).toObject());
    } catch (const EOleException&) {
        // No set of that name: the host answers Item with its exception.
    }
    const OleObject set = sets.call("Add", {setName}).toObject();
    try {
        // Block references with this program's data, in model space only.
        set.call("Select", {selectAll, Variant{}, Variant{}, Shorts{0, 1001, 410},
                            Variants{"INSERT", studApplication, "Model"}});
    } catch (...) {
        deleteQuietly(set);
        throw;
    }
    return set;
}

// The studs of the set, which is deleted again.
std::vector<PlacedStud> readSet(const OleObject& set)
{
    std::vector<PlacedStud> studs;
    TagOrders tagOrders;
    try {
        const std::int32_t count = set.get("Count").toInt32();
        for (std::int32_t i = 0; i < count; ++i) {
            const OleObject reference = set.call("Item", {i}).toObject();
            if (std::optional<PlacedStud> stud = readStud(reference, tagOrders)) {
                studs.push_back(std::move(*stud));
            }
        }
    } catch (...) {
        deleteQuietly(set);
        throw;
    }
    deleteQuietly(set);
    return studs;
}

} // namespace

std::vector<PlacedStud> collectStuds(const OleObject& document, CollectionWay way)
{
    return way == CollectionWay::Walk ? walk(document) : readSet(selectStuds(document));
}

std::vector<PlacedStud> collectStuds(const OleObject& document)
{
    // Only a refusal of the selection set itself turns to the walk; a failure while reading the
    // studs is the failure of the whole.
    OleObject set;
    try {
        set = selectStuds(document);
    } catch (const EOleError&) {
        return walk(document);
    }
    return readSet(set);
}
