#pragma once
// The values that cross the stand-in host's automation boundary, independent of the transport:
// what a D-Bus or COM adaptor hands to the object model and gets back from it.

#include <cstdint>
#include <string>
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

// Empty (a method without result, an optional argument left out), boolean, 32-bit integer,
// double, string (UTF-8), array of doubles (a point when it has three), object, array of
// objects, other.
using HostValue = std::variant<std::monostate, bool, std::int32_t, double, std::string,
                               std::vector<double>, ObjectRef, std::vector<ObjectRef>, Unsupported>;

// The call log's form of a value: <empty>, true, 42, 1.5, text with \r shown as "\r",
// (x,y,z), /Layers/1, [/Entities/1,/Entities/2].
std::string showValue(const HostValue& value);

} // namespace cadhost
