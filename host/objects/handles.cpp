#include "host/objects/handles.h"

#include "host/objects/call_checks.h"
#include "host/objects/entities.h"
#include "host/objects/object_model.h"

#include <algorithm>

namespace cadhost {

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

std::optional<Handle> pathDigits(const std::string& text)
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

HostValue ObjectModel::handleToObject(const std::string& member, std::int32_t kind,
                                      const std::vector<HostValue>& args)
{
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
                has(where.parts) || has(where.texts)) {
                return entityRef(*handle);
            }
        }
    }
    fail(ErrorKind::Exception, "Invalid handle");
}

} // namespace cadhost
