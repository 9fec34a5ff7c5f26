#include "host/object_model.h"

#include "cad/dbus/automation_protocol.h"
#include "model/utf8_path.h"

#include <cmath>
#include <limits>
#include <new>

namespace cadhost {

namespace {

// How a member is used by one call.
enum class Use { Method, Get, Put };

struct Member {
    bool method;
    bool readable;
    bool writable;
};

constexpr Member methodMember{true, false, false};
constexpr Member readOnly{false, true, false};
constexpr Member writeOnly{false, false, true};
constexpr Member readWrite{false, true, true};

[[noreturn]] void fail(ErrorKind kind, std::string text)
{
    throw HostError{kind, std::move(text)};
}

// Sorts the kind of a call as a COM server does: a method needs bit 1 (3 is fine, as callers
// send method-or-get), a property is read with 2 or 3 and written with 4; anything else,
// including kinds with other bits, is not a way to reach that member.
Use useOf(const std::string& name, Member member, std::int32_t kind)
{
    const auto notFound = [&] {
        fail(ErrorKind::MemberNotFound,
             "Member not found: " + name + " with kind " + std::to_string(kind));
    };
    if (kind < 1 || kind > 4) {
        notFound();
    }
    if (member.method) {
        if ((kind & 1) == 0) {
            notFound();
        }
        return Use::Method;
    }
    if (kind == 4 && member.writable) {
        return Use::Put;
    }
    if ((kind & 2) != 0 && member.readable) {
        return Use::Get;
    }
    notFound();
    return Use::Method; // not reached
}

void expectCount(const std::string& name, const std::vector<HostValue>& args, std::size_t least,
                 std::size_t most)
{
    if (args.size() < least || args.size() > most) {
        const std::string wanted = least == most ? std::to_string(least)
                                                 : std::to_string(least) + " to " +
                                                       std::to_string(most);
        fail(ErrorKind::BadParamCount, "Wrong number of arguments: " + name + " takes " + wanted +
                                           ", got " + std::to_string(args.size()));
    }
}

// Arguments are counted from 1 in the messages, as a caller writes them.
[[noreturn]] void mismatch(const std::string& name, std::size_t index)
{
    fail(ErrorKind::TypeMismatch,
         "Type mismatch: argument " + std::to_string(index + 1) + " of " + name);
}

std::int32_t intArg(const std::string& name, const std::vector<HostValue>& args, std::size_t i)
{
    if (const auto* value = std::get_if<std::int32_t>(&args[i])) {
        return *value;
    }
    // A whole double in range is the same number; a fraction is not silently rounded.
    if (const auto* value = std::get_if<double>(&args[i])) {
        if (std::isfinite(*value) && *value == std::trunc(*value) &&
            *value >= std::numeric_limits<std::int32_t>::min() &&
            *value <= std::numeric_limits<std::int32_t>::max()) {
            return static_cast<std::int32_t>(*value);
        }
    }
    mismatch(name, i);
}

double doubleArg(const std::string& name, const std::vector<HostValue>& args, std::size_t i)
{
    if (const auto* value = std::get_if<double>(&args[i]); value && std::isfinite(*value)) {
        return *value;
    }
    if (const auto* value = std::get_if<std::int32_t>(&args[i])) {
        return *value;
    }
    mismatch(name, i);
}

const std::string& stringArg(const std::string& name, const std::vector<HostValue>& args,
                             std::size_t i)
{
    if (const auto* value = std::get_if<std::string>(&args[i])) {
        return *value;
    }
    mismatch(name, i);
}

// A point is three finite doubles.
std::vector<double> pointArg(const std::string& name, const std::vector<HostValue>& args,
                             std::size_t i)
{
    if (const auto* value = std::get_if<std::vector<double>>(&args[i]);
        value && value->size() == 3 && std::isfinite((*value)[0]) &&
        std::isfinite((*value)[1]) && std::isfinite((*value)[2])) {
        return *value;
    }
    mismatch(name, i);
}

void checkCoordinates(std::initializer_list<double> values)
{
    for (double value : values) {
        if (!(std::abs(value) <= coordinateLimit)) {
            fail(ErrorKind::Exception, "Coordinate out of range");
        }
    }
}

ObjectRef layerRef(std::size_t index)
{
    return {"/Layers/" + std::to_string(index)};
}

// The index of "/Layers/<n>", when the path names an existing layer.
std::optional<std::size_t> layerIndex(const std::string& path, std::size_t count)
{
    const std::string prefix = "/Layers/";
    if (path.rfind(prefix, 0) != 0 || path.size() == prefix.size() ||
        path.size() > prefix.size() + 9) {
        return std::nullopt;
    }
    std::size_t index = 0;
    for (std::size_t i = prefix.size(); i < path.size(); ++i) {
        if (path[i] < '0' || path[i] > '9') {
            return std::nullopt;
        }
        index = index * 10 + static_cast<std::size_t>(path[i] - '0');
    }
    if (index >= count) {
        return std::nullopt;
    }
    return index;
}

// A layer name the drawing and its DXF can hold: not empty, no control characters.
bool validLayerName(const std::string& name)
{
    if (name.empty() || name.size() > maxLayerNameBytes) {
        return false;
    }
    for (unsigned char ch : name) {
        if (ch < 0x20 || ch == 0x7F) {
            return false;
        }
    }
    return true;
}

std::string upper(std::string text)
{
    for (char& ch : text) {
        if (ch >= 'a' && ch <= 'z') {
            ch = static_cast<char>(ch - 'a' + 'A');
        }
    }
    return text;
}

std::string callText(const std::string& path, const std::string& member, std::int32_t kind,
                     const std::vector<HostValue>& args)
{
    std::string text = (path.empty() ? path : path.substr(1)) + '\t' + member + '\t' +
                       std::to_string(kind) + '\t';
    for (std::size_t i = 0; i < args.size(); ++i) {
        text += (i == 0 ? "" : "|") + showValue(args[i]);
    }
    return text;
}

std::string failureText(const HostError& error)
{
    return std::string("!! ") + errorName(error.kind) + ": " + error.text;
}

} // namespace

const char* errorName(ErrorKind kind)
{
    switch (kind) {
    case ErrorKind::Exception:
        return exceptionError;
    case ErrorKind::UnknownName:
        return unknownNameError;
    case ErrorKind::MemberNotFound:
        return memberNotFoundError;
    case ErrorKind::BadParamCount:
        return badParamCountError;
    case ErrorKind::TypeMismatch:
        return typeMismatchError;
    case ErrorKind::Failed:
        break;
    }
    return "org.quorvel.Automation.Failed";
}

ObjectModel::ObjectModel(CadDrawing& drawing) : m_drawing(drawing) {}

bool ObjectModel::setCallLog(const std::string& file)
{
    m_log.open(utf8Path(file), std::ios::out | std::ios::trunc | std::ios::binary);
    return m_log.is_open();
}

void ObjectModel::failCall(int oneBasedIndex, FailKind kind)
{
    m_failure = std::make_pair(oneBasedIndex, kind);
}

void ObjectModel::setScriptedPoints(std::deque<Vec2> points, bool headless, bool repeat)
{
    m_scriptedPoints = std::move(points);
    m_headless = headless;
    m_repeatPoints = repeat;
}

void ObjectModel::log(const std::string& call, const std::string& outcome)
{
    if (m_log.is_open()) {
        m_log << call << '\t' << outcome << '\n';
        m_log.flush();
    }
}

InvokeResult ObjectModel::invoke(const std::string& path, const std::string& member,
                                 std::int32_t kind, const std::vector<HostValue>& args)
{
    const std::string call = callText(path, member, kind, args);
    ++m_callCount;
    InvokeResult result;
    try {
        if (m_failure && m_failure->first == m_callCount) {
            switch (m_failure->second) {
            case FailKind::Exception:
                fail(ErrorKind::Exception, "Injected host exception");
            case FailKind::SysError:
                fail(ErrorKind::Failed, "Injected failure");
            case FailKind::UnknownName:
                fail(ErrorKind::UnknownName, "Unknown name: " + member);
            }
        }
        try {
            result.value = dispatch(path, member, kind, args, result);
        } catch (const DrawingError& error) {
            fail(ErrorKind::Exception, error.what());
        } catch (const std::bad_alloc&) {
            fail(ErrorKind::Exception, "Out of memory");
        }
        if (result.status == InvokeResult::Status::AwaitingPick) {
            m_pendingCall = call; // logged when the pick is answered
            return result;
        }
        log(call, "-> " + showValue(result.value));
    } catch (const HostError& error) {
        log(call, failureText(error));
        result.status = InvokeResult::Status::Failed;
        result.value = {};
        result.error = error;
    }
    return result;
}

std::optional<HostValue> ObjectModel::answerPick(Vec2 point)
{
    if (!m_pendingCall) {
        return std::nullopt;
    }
    const HostValue value = std::vector<double>{point.x, point.y, 0.0};
    log(*m_pendingCall, "-> " + showValue(value));
    m_pendingCall.reset();
    return value;
}

std::optional<HostError> ObjectModel::cancelPick(const std::string& reason)
{
    if (!m_pendingCall) {
        return std::nullopt;
    }
    const HostError error{ErrorKind::Exception, reason};
    log(*m_pendingCall, failureText(error));
    m_pendingCall.reset();
    return error;
}

HostValue ObjectModel::dispatch(const std::string& path, const std::string& member,
                                std::int32_t kind, const std::vector<HostValue>& args,
                                InvokeResult& result)
{
    if (path == "/Application") {
        return application(member, kind, args);
    }
    if (path == "/Document") {
        return document(member, kind, args);
    }
    if (path == "/Utility") {
        return utility(member, kind, args, result);
    }
    if (path == "/Layers") {
        return layers(member, kind, args);
    }
    if (const auto index = layerIndex(path, m_drawing.layers.size())) {
        return layer(*index, member, kind, args);
    }
    fail(ErrorKind::Failed, "No such object");
}

HostValue ObjectModel::application(const std::string& member, std::int32_t kind,
                                   const std::vector<HostValue>& args)
{
    if (member == "ActiveDocument") {
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        return ObjectRef{"/Document"};
    }
    if (member == "Visible") {
        useOf(member, writeOnly, kind);
        expectCount(member, args, 1, 1);
        if (!std::holds_alternative<bool>(args[0])) {
            mismatch(member, 0);
        }
        return {};
    }
    fail(ErrorKind::UnknownName, "Unknown name: " + member);
}

HostValue ObjectModel::document(const std::string& member, std::int32_t kind,
                                const std::vector<HostValue>& args)
{
    if (member == "GetVariable") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 1, 1);
        const std::string name = upper(stringArg(member, args, 0));
        if (name == "OSMODE") {
            return m_drawing.osmode;
        }
        if (name == "CMDDIA") {
            return m_drawing.cmddia;
        }
        fail(ErrorKind::Exception, "Unknown system variable");
    }
    if (member == "SetVariable") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 2, 2);
        const std::string name = upper(stringArg(member, args, 0));
        const std::int32_t value = intArg(member, args, 1);
        if (name == "OSMODE") {
            m_drawing.osmode = value;
        } else if (name == "CMDDIA") {
            m_drawing.cmddia = value;
        } else {
            fail(ErrorKind::Exception, "Unknown system variable");
        }
        return {};
    }
    if (member == "SendCommand") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 1, 1);
        m_drawing.run(stringArg(member, args, 0));
        return {};
    }
    if (member == "Utility" || member == "Layers") {
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        return ObjectRef{"/" + member};
    }
    if (member == "ActiveLayer") {
        if (useOf(member, readWrite, kind) == Use::Get) {
            expectCount(member, args, 0, 0);
            return layerRef(m_drawing.activeLayer);
        }
        expectCount(member, args, 1, 1);
        const auto* layer = std::get_if<ObjectRef>(&args[0]);
        if (layer == nullptr) {
            mismatch(member, 0);
        }
        const auto index = layerIndex(layer->path, m_drawing.layers.size());
        if (!index) {
            fail(ErrorKind::Exception, "Not a layer");
        }
        m_drawing.activeLayer = *index;
        return {};
    }
    fail(ErrorKind::UnknownName, "Unknown name: " + member);
}

HostValue ObjectModel::utility(const std::string& member, std::int32_t kind,
                               const std::vector<HostValue>& args, InvokeResult& result)
{
    if (member == "GetPoint") {
        // GetPoint([base point], [prompt]): both optional, the base point may be left empty.
        useOf(member, methodMember, kind);
        expectCount(member, args, 0, 2);
        if (!args.empty() && !std::holds_alternative<std::monostate>(args[0])) {
            const auto base = pointArg(member, args, 0);
            checkCoordinates({base[0], base[1], base[2]});
        }
        std::string prompt;
        if (args.size() == 2 && !std::holds_alternative<std::monostate>(args[1])) {
            prompt = stringArg(member, args, 1);
        }
        if (!m_scriptedPoints.empty()) {
            const Vec2 p = m_scriptedPoints.front();
            m_scriptedPoints.pop_front();
            if (m_repeatPoints) {
                m_scriptedPoints.push_back(p);
            }
            return std::vector<double>{p.x, p.y, 0.0};
        }
        if (m_headless) {
            fail(ErrorKind::Exception, "Point selection cancelled");
        }
        if (m_pendingCall) {
            fail(ErrorKind::Exception, "A point is already asked for");
        }
        result.status = InvokeResult::Status::AwaitingPick;
        result.prompt = prompt;
        return {};
    }
    if (member == "PolarPoint") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 3, 3);
        const auto from = pointArg(member, args, 0);
        const double angle = doubleArg(member, args, 1);
        const double distance = doubleArg(member, args, 2);
        checkCoordinates({from[0], from[1], from[2], distance});
        // Computed as a CAD program does, so cos(pi/2) leaves its rounding residue. At the
        // quarter turn the correctly rounded values are used: some C runtimes (MinGW's) differ
        // from them in the last bits, which the number texts would show.
        const bool quarterTurn = angle == 1.5707963267948966;
        const double cosine = quarterTurn ? 6.123233995736766e-17 : std::cos(angle);
        const double sine = quarterTurn ? 1.0 : std::sin(angle);
        const std::vector<double> to{from[0] + distance * cosine, from[1] + distance * sine,
                                     from[2]};
        checkCoordinates({to[0], to[1]});
        return to;
    }
    fail(ErrorKind::UnknownName, "Unknown name: " + member);
}

HostValue ObjectModel::layers(const std::string& member, std::int32_t kind,
                              const std::vector<HostValue>& args)
{
    if (member == "Count") {
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        return static_cast<std::int32_t>(m_drawing.layers.size());
    }
    if (member == "Item") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 1, 1);
        const std::int32_t index = intArg(member, args, 0);
        if (index < 0 || static_cast<std::size_t>(index) >= m_drawing.layers.size()) {
            fail(ErrorKind::Exception, "Index out of range");
        }
        return layerRef(static_cast<std::size_t>(index));
    }
    if (member == "Add") {
        useOf(member, methodMember, kind);
        expectCount(member, args, 1, 1);
        const std::string& name = stringArg(member, args, 0);
        if (!validLayerName(name)) {
            fail(ErrorKind::Exception, "Invalid layer name");
        }
        for (std::size_t i = 0; i < m_drawing.layers.size(); ++i) {
            if (m_drawing.layers[i].name == name) {
                return layerRef(i);
            }
        }
        return layerRef(m_drawing.addLayer(name));
    }
    fail(ErrorKind::UnknownName, "Unknown name: " + member);
}

HostValue ObjectModel::layer(std::size_t index, const std::string& member, std::int32_t kind,
                             const std::vector<HostValue>& args)
{
    Layer& layer = m_drawing.layers[index];
    if (member == "name") {
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        return layer.name;
    }
    if (member == "color") {
        if (useOf(member, readWrite, kind) == Use::Get) {
            expectCount(member, args, 0, 0);
            return layer.color;
        }
        expectCount(member, args, 1, 1);
        const std::int32_t color = intArg(member, args, 0);
        // A layer takes a colour index from 1 to 255.
        if (color < 1 || color > 255) {
            mismatch(member, 0);
        }
        layer.color = color;
        return {};
    }
    fail(ErrorKind::UnknownName, "Unknown name: " + member);
}

} // namespace cadhost
