// Selection sets: the document's SelectionSets collection (Count, Item, Add) and each named set
// (Name, Count, Item, Select, Clear, Delete). Select takes the whole of model space (mode 5, "all")
// through a filter of group codes and values, as a program finds its own objects without walking
// every entity: 0 the entity's type ("INSERT"), 2 a block reference's block name, 8 the layer,
// 1001 the application of its extended data, 410 the layout ("Model"). A value may list names
// joined by commas; "*" matches any. Names compare without regard to case.

#include "host/objects/call_checks.h"
#include "host/objects/entities.h"
#include "host/objects/handles.h"
#include "host/objects/object_model.h"

#include <algorithm>

namespace cadhost {

namespace {

constexpr const char* setPrefix = "/SelectionSets/";
constexpr std::int32_t selectAll = 5; // acSelectionSetAll

struct FilterItem {
    std::int32_t code;
    std::vector<std::string> names; // upper case; "*" for any
};

bool matches(const FilterItem& item, const std::string& name)
{
    const std::string wanted = upper(name);
    return std::any_of(item.names.begin(), item.names.end(),
                       [&](const std::string& n) { return n == "*" || n == wanted; });
}

// The filter of Select's fourth and fifth arguments: group codes and values, item for item.
std::vector<FilterItem> filterArgs(const std::string& member, const std::vector<HostValue>& args)
{
    // Left out, or both empty (an empty array travels as an empty value on the bus): no filter.
    const auto leftOut = [&](std::size_t i) {
        return args.size() <= i || std::holds_alternative<std::monostate>(args[i]);
    };
    if (leftOut(3) && leftOut(4)) {
        return {};
    }
    const auto* codes = std::get_if<std::vector<HostItem>>(&args[3]);
    const auto* values = args.size() > 4 ? std::get_if<std::vector<HostItem>>(&args[4]) : nullptr;
    if (codes == nullptr) {
        mismatch(member, 3);
    }
    if (values == nullptr) {
        mismatch(member, 4);
    }
    if (codes->size() != values->size()) {
        fail(ErrorKind::Exception, "Invalid filter");
    }
    std::vector<FilterItem> filter;
    for (std::size_t i = 0; i < codes->size(); ++i) {
        // The codes are 16-bit integers as a CAD program takes them; a caller may send wider ones.
        const std::optional<std::int32_t> code = wholeOf(itemValue((*codes)[i]));
        const auto* value = std::get_if<std::string>(&(*values)[i].value);
        if (!code || value == nullptr) {
            fail(ErrorKind::Exception, "Invalid filter");
        }
        if (*code != 0 && *code != 2 && *code != 8 && *code != 1001 && *code != 410) {
            fail(ErrorKind::Exception, "Unsupported filter code " + std::to_string(*code));
        }
        FilterItem item{*code, {}};
        for (std::size_t start = 0;;) {
            const std::size_t comma = value->find(',', start);
            item.names.push_back(upper(value->substr(start, comma - start)));
            if (comma == std::string::npos) {
                break;
            }
            start = comma + 1;
        }
        filter.push_back(std::move(item));
    }
    return filter;
}

} // namespace

ObjectModel::SelectionSet* ObjectModel::findSelectionSet(std::size_t id)
{
    for (SelectionSet& set : m_selectionSets) {
        if (set.id == id) {
            return &set;
        }
    }
    return nullptr;
}

HostValue ObjectModel::selectionSets(const std::string& path, const std::string& member,
                                     std::int32_t kind, const std::vector<HostValue>& args)
{
    if (path == "/Document") { // the way in: Document.SelectionSets
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        return ObjectRef{"/SelectionSets"};
    }
    const auto refOf = [](const SelectionSet& set) {
        return ObjectRef{setPrefix + std::to_string(set.id)};
    };
    if (member == "Count") {
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        return static_cast<std::int32_t>(m_selectionSets.size());
    }
    if (member == "Item") {
        // By position (from 0) or by name.
        useOf(member, methodMember, kind);
        expectCount(member, args, 1, 1);
        if (const auto* name = std::get_if<std::string>(&args[0])) {
            for (const SelectionSet& set : m_selectionSets) {
                if (upper(set.name) == upper(*name)) {
                    return refOf(set);
                }
            }
            fail(ErrorKind::Exception, "Key not found");
        }
        const std::int32_t index = intArg(member, args, 0);
        if (index < 0 || static_cast<std::size_t>(index) >= m_selectionSets.size()) {
            fail(ErrorKind::Exception, "Index out of range");
        }
        return refOf(m_selectionSets[static_cast<std::size_t>(index)]);
    }
    if (member == "Add") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 1, 1);
        const std::string& name = stringArg(member, args, 0);
        if (name.empty() || name.size() > 255 ||
            name.find_first_of("<>/\\\":;?*|,=`") != std::string::npos) {
            fail(ErrorKind::Exception, "Invalid selection set name");
        }
        for (const SelectionSet& set : m_selectionSets) {
            if (upper(set.name) == upper(name)) {
                fail(ErrorKind::Exception, "Duplicate key");
            }
        }
        m_selectionSets.push_back({name, ++m_lastSelectionSet, {}});
        return refOf(m_selectionSets.back());
    }
    fail(ErrorKind::UnknownName, "Unknown name: " + member);
}

HostValue ObjectModel::selectionSet(const std::string& path, const std::string& member,
                                    std::int32_t kind, const std::vector<HostValue>& args)
{
    const auto id = pathDigits(path.substr(std::string(setPrefix).size()));
    SelectionSet* set = id ? findSelectionSet(static_cast<std::size_t>(*id)) : nullptr;
    if (set == nullptr) {
        fail(ErrorKind::Failed, "No such object");
    }
    if (member == "Name" || member == "Count") {
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        if (member == "Name") {
            return set->name;
        }
        return static_cast<std::int32_t>(set->items.size());
    }
    if (member == "Item") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 1, 1);
        const std::int32_t index = intArg(member, args, 0);
        if (index < 0 || static_cast<std::size_t>(index) >= set->items.size()) {
            fail(ErrorKind::Exception, "Index out of range");
        }
        return entityRef(set->items[static_cast<std::size_t>(index)]);
    }
    if (member == "Select") {
        // Select(mode, [corner 1], [corner 2], [filter codes], [filter values]): adds what the
        // filter takes to the set.
        useOf(member, methodMember, kind);
        expectCount(member, args, 1, 5);
        if (intArg(member, args, 0) != selectAll) {
            fail(ErrorKind::Exception, "Only the selection of all is supported");
        }
        for (std::size_t i = 1; i < std::min<std::size_t>(args.size(), 3); ++i) {
            if (!std::holds_alternative<std::monostate>(args[i])) {
                pointArg(member, args, i); // a corner, which "all" does not need
            }
        }
        const std::vector<FilterItem> filter = filterArgs(member, args);
        std::vector<Handle> taken;
        forEachEntity(modelSpace(), [&](const EntityView& entity) {
            const bool wanted = std::all_of(filter.begin(), filter.end(), [&](const auto& item) {
                switch (item.code) {
                case 0:
                    return matches(item, entity.dxfName);
                case 2:
                    return entity.insert != nullptr && matches(item, entity.insert->block);
                case 8:
                    return matches(item, m_drawing.layers[entity.layer].name);
                case 1001:
                    return entity.insert != nullptr &&
                           std::any_of(
                               entity.insert->data.begin(), entity.insert->data.end(),
                               [&](const auto& data) { return matches(item, data.application); });
                default: // 410: everything here is in model space
                    return matches(item, "Model");
                }
            });
            if (wanted) {
                taken.push_back(entity.handle);
            }
            return true;
        });
        for (Handle handle : taken) {
            if (std::find(set->items.begin(), set->items.end(), handle) == set->items.end()) {
                set->items.push_back(handle);
            }
        }
        return {};
    }
    if (member == "Clear" || member == "Delete") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 0, 0);
        if (member == "Clear") {
            set->items.clear();
        } else {
            m_selectionSets.erase(m_selectionSets.begin() + (set - m_selectionSets.data()));
        }
        return {};
    }
    fail(ErrorKind::UnknownName, "Unknown name: " + member);
}

} // namespace cadhost
