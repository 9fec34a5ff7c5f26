#include "host/objects/host_value.h"

#include "model/number_text.h"

#include <cmath>

namespace cadhost {

namespace {

// Non-finite doubles have no number text; the log still shows what arrived.
std::string showDouble(double value)
{
    if (std::isnan(value)) {
        return "nan";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-inf" : "inf";
    }
    return numberText(value);
}

struct Shown {
    std::string operator()(std::monostate) const { return "<empty>"; }
    std::string operator()(bool value) const { return value ? "true" : "false"; }
    std::string operator()(std::int32_t value) const { return std::to_string(value); }
    std::string operator()(std::int16_t value) const { return std::to_string(value); }
    std::string operator()(double value) const { return showDouble(value); }
    std::string operator()(const std::string& value) const
    {
        std::string text;
        text.reserve(value.size());
        for (char ch : value) {
            if (ch == '\r') {
                text += "\\r";
            } else {
                text += ch;
            }
        }
        return text;
    }
    std::string operator()(const std::vector<double>& values) const
    {
        std::string text = "(";
        for (std::size_t i = 0; i < values.size(); ++i) {
            text += (i == 0 ? "" : ",") + showDouble(values[i]);
        }
        return text + ")";
    }
    std::string operator()(const ObjectRef& object) const { return object.path; }
    std::string operator()(const std::vector<ObjectRef>& objects) const
    {
        std::string text = "[";
        for (std::size_t i = 0; i < objects.size(); ++i) {
            text += (i == 0 ? "" : ",") + objects[i].path;
        }
        return text + "]";
    }
    std::string operator()(const std::vector<HostItem>& items) const
    {
        std::string text = "{";
        for (std::size_t i = 0; i < items.size(); ++i) {
            text += (i == 0 ? "" : ",") + std::visit(*this, itemValue(items[i]));
        }
        return text + "}";
    }
    std::string operator()(const Unsupported& value) const { return value.shown; }
};

} // namespace

HostValue itemValue(const HostItem& item)
{
    return std::visit([](const auto& v) -> HostValue { return v; }, item.value);
}

std::optional<std::int32_t> wholeOf(const HostValue& value)
{
    if (const auto* whole = std::get_if<std::int32_t>(&value)) {
        return *whole;
    }
    if (const auto* small = std::get_if<std::int16_t>(&value)) {
        return *small;
    }
    return std::nullopt;
}

std::string showValue(const HostValue& value)
{
    return std::visit(Shown{}, value);
}

} // namespace cadhost
