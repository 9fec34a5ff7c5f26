#include "host/objects/object_model.h"

#include "cad/dbus/automation_protocol.h"
#include "host/objects/blocks.h"
#include "host/objects/call_checks.h"
#include "host/objects/layers.h"
#include "model/utf8_path.h"

#include <new>

namespace cadhost {

namespace {

std::string callText(const std::string& path, const std::string& member, std::int32_t kind,
                     const std::vector<HostValue>& args)
{
    std::string text =
        (path.empty() ? path : path.substr(1)) + '\t' + member + '\t' + std::to_string(kind) + '\t';
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
    m_failures[oneBasedIndex] = kind;
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
    // The call's text is made only for the log or a waiting pick: a polyline's vertex list can
    // be long.
    const auto call = [&] { return callText(path, member, kind, args); };
    ++m_callCount;
    InvokeResult result;
    try {
        if (const auto failure = m_failures.find(m_callCount); failure != m_failures.end()) {
            switch (failure->second) {
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
            m_pendingCall = call(); // logged when the pick is answered
            return result;
        }
        if (m_log.is_open()) {
            log(call(), "-> " + showValue(result.value));
        }
    } catch (const HostError& error) {
        if (m_log.is_open()) {
            log(call(), failureText(error));
        }
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
    HostValue value = std::vector<double>{point.x, point.y, 0.0};
    if (m_pendingEntity) {
        // GetEntity's out values: the object and the picked point (docs/design-notes.md).
        const std::optional<ObjectRef> picked = entityAt(point);
        if (!picked) {
            return std::nullopt; // pickTakes said no: the pick goes on waiting
        }
        value = std::vector<HostItem>{*picked, std::vector<double>{point.x, point.y, 0.0}};
    }
    log(*m_pendingCall, "-> " + showValue(value));
    m_pendingCall.reset();
    m_pendingEntity = false;
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
    m_pendingEntity = false;
    return error;
}

HostValue ObjectModel::dispatch(const std::string& path, const std::string& member,
                                std::int32_t kind, const std::vector<HostValue>& args,
                                InvokeResult& result)
{
    if (path == "/Application") {
        return application(member, kind, args);
    }
    if (path == "/Document" && (member == "Blocks" || member == "RegisteredApplications")) {
        return blockDocument(member, kind, args);
    }
    if (path == "/Document" && member == "HandleToObject") {
        return handleToObject(member, kind, args);
    }
    if (path == "/Document") {
        return document(member, kind, args);
    }
    if (path == "/Utility" && member == "GetEntity") {
        return getEntity(args, kind, result);
    }
    if (path == "/Utility") {
        return utility(member, kind, args, result);
    }
    if (path == "/Blocks") {
        return blocksCollection(member, kind, args);
    }
    if (const auto handle = blockHandle(path)) {
        return block(*handle, member, kind, args);
    }
    if (path == "/RegisteredApplications") {
        return applications(member, kind, args);
    }
    if (path.rfind("/Attributes/", 0) == 0) {
        return attribute(path, member, kind, args);
    }
    if (path == "/ModelSpace" && member == "InsertBlock") {
        return insertBlock(args, kind);
    }
    if (const auto handle = entityHandle(path)) {
        if (findInsert(*handle) != nullptr) {
            return blockReference(*handle, member, kind, args);
        }
        std::vector<Line>* list = nullptr;
        if (Line* found = findLine(*handle, &list)) {
            return line(*found, *list, member, kind, args);
        }
        // Every entity answers for its handle and its extended data, as in a CAD program;
        // only block references carry data here.
        if (member == "Handle" || member == "GetXData") {
            return entityData(*handle, member, kind, args);
        }
    }
    if (path == "/Layers") {
        return layers(member, kind, args);
    }
    if (const auto index = layerIndex(path, m_drawing.layers.size())) {
        return layer(*index, member, kind, args);
    }
    if (path == "/ModelSpace") {
        return container(modelSpace(), member, kind, args);
    }
    if (const auto handle = entityHandle(path)) {
        return entity(*handle, member, kind, args);
    }
    fail(ErrorKind::Failed, "No such object");
}

} // namespace cadhost
