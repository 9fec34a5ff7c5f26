#pragma once
// Late-bound automation of a running CAD program: object references whose members are called by
// name, the values they exchange, and the three nested kinds of automation failure. The transport
// (D-Bus on Linux, COM on Windows, a recorder in tests) implements AutomationObject and
// RunningObjects.

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// COM-style invoke flags: a property read is sent as method-or-get.
enum class InvokeKind : std::int32_t {
    Method = 1,
    PropertyGet = 3,
    PropertyPut = 4,
};

// x, y, z in drawing units; exchanged with the host as an array of three doubles.
using Point = std::array<double, 3>;

class AutomationObject;
class Variant;

// A reference to an object of the host; empty when it holds none (calls then throw EOleError).
class OleObject {
  public:
    OleObject() = default;
    explicit OleObject(std::shared_ptr<AutomationObject> object) : m_object(std::move(object)) {}

    Variant get(std::string_view member) const;
    void put(std::string_view member, const Variant& value) const;
    Variant call(std::string_view member, std::vector<Variant> args) const;

    explicit operator bool() const { return m_object != nullptr; }
    const AutomationObject* object() const { return m_object.get(); }
    void release() { m_object.reset(); }

  private:
    AutomationObject& target() const; // throws EOleError for an empty reference

    std::shared_ptr<AutomationObject> m_object;
};

// An array of doubles of any length (a lightweight polyline's vertices: x, y pairs).
using Doubles = std::vector<double>;
// An array of objects (the curves a region is made of, the regions made).
using Objects = std::vector<OleObject>;
// An array of 16-bit integers (the type codes of extended data).
using Shorts = std::vector<std::int16_t>;
// An array of values of mixed kinds (extended data's values; the out parameters' values).
using Variants = std::vector<Variant>;

// The place of an out parameter among a call's arguments (Utility.GetEntity's object and point,
// GetXData's arrays). Over COM the transport passes a by-reference VARIANT there; over D-Bus an
// empty value travels in its place. A call with out parameters gives back Variants: the out
// values in the order of their places (such methods have no result of their own).
struct OutArgument {
    bool operator==(const OutArgument&) const = default;
};

// Empty (no result, or an optional argument left out), boolean, 32-bit integer, double, UTF-8
// string, point, array of doubles, object reference, array of objects, array of 16-bit
// integers, array of values, out parameter, 16-bit integer (extended data's group 1070, which
// a host following the object model's reference takes as nothing wider).
class Variant {
  public:
    using Value =
        std::variant<std::monostate, bool, std::int32_t, double, std::string, Point, Doubles,
                     OleObject, Objects, Shorts, Variants, OutArgument, std::int16_t>;

    Variant() = default;
    Variant(bool value) : m_value(value) {}
    Variant(std::int32_t value) : m_value(value) {}
    Variant(std::int16_t value) : m_value(value) {}
    Variant(double value) : m_value(value) {}
    Variant(std::string value) : m_value(std::move(value)) {}
    Variant(const char* value) : m_value(std::string(value)) {}
    Variant(const Point& value) : m_value(value) {}
    Variant(Doubles value) : m_value(std::move(value)) {}
    Variant(OleObject value) : m_value(std::move(value)) {}
    Variant(Objects value) : m_value(std::move(value)) {}
    Variant(Shorts value) : m_value(std::move(value)) {}
    Variant(Variants value) : m_value(std::move(value)) {}
    Variant(OutArgument value) : m_value(value) {}

    const Value& value() const { return m_value; }
    bool isEmpty() const { return std::holds_alternative<std::monostate>(m_value); }

    // Conversions a caller relies on; a value of another kind throws VariantTypeError.
    std::int32_t
    toInt32() const; // integer of either width, or a double with a whole value in range
    double toDouble() const;
    std::string toString() const;
    Point toPoint() const;
    OleObject toObject() const;
    Objects toObjects() const; // an array of objects; a single object is not one
    // An array of values; an array of integers of any width gives its numbers one by one, empty
    // or an empty array of any kind gives none (a host answers so where an array has no items).
    Variants toVariants() const;

  private:
    Value m_value;
};

// A value of an unexpected kind came back; not an automation failure.
class VariantTypeError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Base kind: no member of that name, or a call on a reference that holds no object.
class EOleError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A transport step failed with a status (COM HRESULT; on D-Bus the error name is in what()).
class EOleSysError : public EOleError {
  public:
    EOleSysError(const std::string& message, std::int32_t status)
        : EOleError(message), m_status(status)
    {
    }
    std::int32_t status() const { return m_status; }

  private:
    std::int32_t m_status;
};

// The host answered the call with an exception of its own.
class EOleException : public EOleSysError {
  public:
    EOleException(const std::string& description, std::string source, std::string helpFile,
                  std::int32_t helpContext, std::int32_t status);
    const std::string& description() const { return m_description; }
    const std::string& source() const { return m_source; }
    const std::string& helpFile() const { return m_helpFile; }
    std::int32_t helpContext() const { return m_helpContext; }

  private:
    std::string m_description;
    std::string m_source;
    std::string m_helpFile;
    std::int32_t m_helpContext;
};

// HRESULTs used where a transport has no status of its own.
inline constexpr std::int32_t statusFail = static_cast<std::int32_t>(0x80004005);
inline constexpr std::int32_t statusException = static_cast<std::int32_t>(0x80020009);
inline constexpr std::int32_t statusUnavailable = static_cast<std::int32_t>(0x800401E3);

// One object of the host, as the transport reaches it.
class AutomationObject {
  public:
    virtual ~AutomationObject() = default;
    // Throws one of the three EOle kinds on failure.
    virtual Variant invoke(std::string_view member, InvokeKind kind,
                           const std::vector<Variant>& args) = 0;
};

// Look-up of a running object by its class name ("AutoCAD.Application").
class RunningObjects {
  public:
    virtual ~RunningObjects() = default;
    // Only an instance that is already running; throws EOleSysError when there is none.
    virtual OleObject getActiveObject(std::string_view className) = 0;
};
