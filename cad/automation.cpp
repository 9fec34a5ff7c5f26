#include "cad/automation.h"

#include <cmath>
#include <limits>

AutomationObject& OleObject::target() const
{
    if (!m_object) {
        throw EOleError("Variant does not reference an automation object");
    }
    return *m_object;
}

Variant OleObject::get(std::string_view member) const
{
    return target().invoke(member, InvokeKind::PropertyGet, {});
}

void OleObject::put(std::string_view member, const Variant& value) const
{
    target().invoke(member, InvokeKind::PropertyPut, {value});
}

Variant OleObject::call(std::string_view member, std::vector<Variant> args) const
{
    return target().invoke(member, InvokeKind::Method, args);
}

std::int32_t Variant::toInt32() const
{
    if (const auto* integer = std::get_if<std::int32_t>(&m_value)) {
        return *integer;
    }
    if (const auto* small = std::get_if<std::int16_t>(&m_value)) {
        return *small;
    }
    if (const auto* real = std::get_if<double>(&m_value)) {
        if (std::trunc(*real) == *real && *real >= std::numeric_limits<std::int32_t>::min() &&
            *real <= std::numeric_limits<std::int32_t>::max()) {
            return static_cast<std::int32_t>(*real);
        }
    }
    if (const auto* flag = std::get_if<bool>(&m_value)) {
        return *flag ? -1 : 0;
    }
    throw VariantTypeError("value is no 32-bit integer");
}

double Variant::toDouble() const
{
    if (const auto* real = std::get_if<double>(&m_value)) {
        return *real;
    }
    if (const auto* integer = std::get_if<std::int32_t>(&m_value)) {
        return *integer;
    }
    if (const auto* small = std::get_if<std::int16_t>(&m_value)) {
        return *small;
    }
    throw VariantTypeError("value is no number");
}

std::string Variant::toString() const
{
    if (const auto* text = std::get_if<std::string>(&m_value)) {
        return *text;
    }
    throw VariantTypeError("value is no string");
}

Point Variant::toPoint() const
{
    if (const auto* point = std::get_if<Point>(&m_value)) {
        return *point;
    }
    throw VariantTypeError("value is no point");
}

OleObject Variant::toObject() const
{
    if (const auto* object = std::get_if<OleObject>(&m_value)) {
        return *object;
    }
    if (isEmpty()) {
        return {}; // an empty reference: calls on it fail with EOleError, as on the host
    }
    throw VariantTypeError("value is no object reference");
}

Objects Variant::toObjects() const
{
    if (const auto* objects = std::get_if<Objects>(&m_value)) {
        return *objects;
    }
    throw VariantTypeError("value is no array of objects");
}

Variants Variant::toVariants() const
{
    if (const auto* values = std::get_if<Variants>(&m_value)) {
        return *values;
    }
    if (const auto* numbers = std::get_if<Shorts>(&m_value)) {
        return Variants(numbers->begin(), numbers->end());
    }
    // An empty array is one whatever its items' kind: over COM an empty array of VARIANTs also
    // reads as an empty array of objects (GetXData of an entity without that data).
    const auto* objects = std::get_if<Objects>(&m_value);
    const auto* doubles = std::get_if<Doubles>(&m_value);
    if (isEmpty() || (objects != nullptr && objects->empty()) ||
        (doubles != nullptr && doubles->empty())) {
        return {};
    }
    throw VariantTypeError("value is no array of values");
}

EOleException::EOleException(const std::string& description, std::string source,
                             std::string helpFile, std::int32_t helpContext, std::int32_t status)
    : EOleSysError(description, status), m_description(description), m_source(std::move(source)),
      m_helpFile(std::move(helpFile)), m_helpContext(helpContext)
{
}
