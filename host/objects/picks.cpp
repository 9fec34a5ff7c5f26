// Picking an entity: which entity lies under a point, and Utility.GetEntity, answered from the
// scripted points or left waiting for a click.

#include "host/objects/call_checks.h"
#include "host/objects/entities.h"
#include "host/objects/object_model.h"

#include <algorithm>
#include <cmath>

namespace cadhost {

namespace {

// How far from a picked point an entity may lie and still be picked, in drawing units.
constexpr double pickDistance = 1.0;

double distanceToSegment(Vec2 p, Vec2 a, Vec2 b)
{
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

bool near(Vec2 p, const std::vector<Line>& lines)
{
    return std::any_of(lines.begin(), lines.end(), [p](const Line& line) {
        return distanceToSegment(p, line.from, line.to) <= pickDistance;
    });
}

} // namespace

std::optional<ObjectRef> ObjectModel::entityAt(Vec2 point)
{
    for (auto insert = m_drawing.inserts.rbegin(); insert != m_drawing.inserts.rend(); ++insert) {
        const Block* block = blockNamed(m_drawing.blocks, insert->block);
        if (block != nullptr && near(point, insertLines(*block, *insert))) {
            return entityRef(insert->handle);
        }
    }
    for (auto line = m_drawing.lines.rbegin(); line != m_drawing.lines.rend(); ++line) {
        if (distanceToSegment(point, line->from, line->to) <= pickDistance) {
            if (line->handle == 0) {
                line->handle = m_drawing.newHandle();
            }
            return entityRef(line->handle);
        }
    }
    for (auto polyline = m_drawing.polylines.rbegin(); polyline != m_drawing.polylines.rend();
         ++polyline) {
        const Block outline{"", 0, {*polyline}, {}, {}};
        if (near(point, insertLines(outline, Insert{"", 0, {0, 0}, 0, {}, {}, 0}))) {
            if (polyline->handle == 0) {
                polyline->handle = m_drawing.newHandle();
            }
            return entityRef(polyline->handle);
        }
    }
    return std::nullopt;
}

std::optional<HostValue> ObjectModel::answerEntityPick(const ObjectRef& entity, Vec2 point)
{
    if (!m_pendingCall || !m_pendingEntity) {
        return std::nullopt;
    }
    HostValue value = std::vector<HostItem>{entity, std::vector<double>{point.x, point.y, 0.0}};
    log(*m_pendingCall, "-> " + showValue(value));
    m_pendingCall.reset();
    m_pendingEntity = false;
    return value;
}

bool ObjectModel::pickTakes(Vec2 point)
{
    return !m_pendingEntity || entityAt(point).has_value();
}

HostValue ObjectModel::getEntity(const std::vector<HostValue>& args, std::int32_t kind,
                                 InvokeResult& result)
{
    // GetEntity(out object, out point, [prompt]): the out places arrive empty.
    const std::string member = "GetEntity";
    useOf(member, methodMember, kind);
    expectCount(member, args, 2, 3);
    for (std::size_t i = 0; i < 2; ++i) {
        if (!std::holds_alternative<std::monostate>(args[i])) {
            mismatch(member, i);
        }
    }
    std::string prompt;
    if (args.size() == 3 && !std::holds_alternative<std::monostate>(args[2])) {
        prompt = stringArg(member, args, 2);
    }
    if (!m_scriptedPoints.empty()) {
        const Vec2 p = m_scriptedPoints.front();
        m_scriptedPoints.pop_front();
        if (m_repeatPoints) {
            m_scriptedPoints.push_back(p);
        }
        const std::optional<ObjectRef> picked = entityAt(p);
        if (!picked) {
            fail(ErrorKind::Exception, "Nothing selected");
        }
        return std::vector<HostItem>{*picked, std::vector<double>{p.x, p.y, 0.0}};
    }
    if (m_headless) {
        fail(ErrorKind::Exception, "Selection cancelled");
    }
    if (m_pendingCall) {
        fail(ErrorKind::Exception, "A point is already asked for");
    }
    m_pendingEntity = true;
    result.status = InvokeResult::Status::AwaitingPick;
    result.prompt = prompt;
    return {};
}

} // namespace cadhost
