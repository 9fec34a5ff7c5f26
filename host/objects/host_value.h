#pragma once
// The values that cross the stand-in host's automation boundary, independent of the transport:
// what a D-Bus or COM adaptor hands to the object model and gets back from it.

#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace cadhost {

// An object of the host by its path: "/Application", "/Document", "/Layers/2", ...
struct ObjectRef {
    std::string path;
    bool operator==(const ObjectRef&) const = default;
};

// A value of a type the object model takes nowhere; kept with the text the call log shows.
struct Unsupported {
    std::string shown;
    bool operator==(const Unsupported&) const = default;
};

// One item of an array of mixed kinds: empty, boolean, 32-bit integer, 16-bit integer, double,
// string, array of doubles, object, array of items (extended data's codes and values in the
// result of GetXData).
struct HostItem {
    using Value = std::variant<std::monostate, bool, std::int32_t, std::int16_t, double,
                               std::string, std::vector<double>, ObjectRef, std::vector<HostItem>>;
    Value value;

    HostItem() = default;
    template <typename T>
    requires(!std::is_same_v<std::remove_cvref_t<T>, HostItem> &&
             std::is_constructible_v<Value, T&&>) HostItem(T&& item)
        : value(std::forward<T>(item))
    {
    }
    bool operator==(const HostItem&) const = default;
};

// Empty (a method without result, an optional argument left out), boolean, 32-bit integer,
// 16-bit integer (VT_I2, "n": extended data's codes and group 1070), double, string (UTF-8),
// array of doubles (a point when it has three), object, array of objects, array of mixed items
// (extended data's codes and values, out parameters' values), other.
using HostValue = std::variant<std::monostate, bool, std::int32_t, std::int16_t, double,
                               std::string, std::vector<double>, ObjectRef, std::vector<ObjectRef>,
                               std::vector<HostItem>, Unsupported>;

// An integer of either width; nothing for any other value.
std::optional<std::int32_t> wholeOf(const HostValue& value);

// The item as a value of its own.
HostValue itemValue(const HostItem& item);

// The call log's form of a value: <empty>, true, 42, 1.5, text with \r shown as "\r",
// (x,y,z), /Layers/1, [/Entities/1,/Entities/2], {1001,QUORVEL}.
std::string showValue(const HostValue& value);

} // namespace cadhost
