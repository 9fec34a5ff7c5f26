#include "host/objects/extended_data.h"

#include "host/objects/call_checks.h"
#include "host/objects/handles.h"
#include "host/objects/object_model.h"

#include <algorithm>
#include <cmath>

namespace cadhost {

namespace {

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

void setExtendedData(std::vector<ExtendedData>& data, const std::vector<std::string>& applications,
                     const std::string& member, const std::vector<HostValue>& args)
{
    std::vector<ExtendedItem> items = extendedItems(member, args);
    const std::string application = std::get<std::string>(items[0].value);
    if (std::find(applications.begin(), applications.end(), application) == applications.end()) {
        fail(ErrorKind::Exception, "The application is not registered");
    }
    items.erase(items.begin());
    const auto same = [&](const ExtendedData& d) { return d.application == application; };
    data.erase(std::remove_if(data.begin(), data.end(), same), data.end());
    data.push_back({application, std::move(items)});
}

HostValue extendedDataReply(const std::vector<ExtendedData>& data, const std::string& member,
                            const std::vector<HostValue>& args)
{
    const std::string& application = stringArg(member, args, 0);
    std::vector<HostItem> codes;
    std::vector<HostItem> values;
    for (const ExtendedData& each : data) {
        if (each.application == application) {
            codes.emplace_back(std::int32_t{1001});
            values.emplace_back(application);
            for (const ExtendedItem& item : each.items) {
                codes.emplace_back(std::int32_t{item.code});
                values.emplace_back(itemOf(item.value));
            }
        }
    }
    return std::vector<HostItem>{std::move(codes), std::move(values)};
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
    return extendedDataReply({}, member, args);
}

} // namespace cadhost
