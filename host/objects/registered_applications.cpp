// The registered applications: the names extended data may be filed under.

#include "host/objects/blocks.h"
#include "host/objects/call_checks.h"
#include "host/objects/layers.h"
#include "host/objects/object_model.h"

#include <algorithm>

namespace cadhost {

HostValue ObjectModel::applications(const std::string& member, std::int32_t kind,
                                    const std::vector<HostValue>& args)
{
    if (member == "Count") {
        useOf(member, readOnly, kind);
        expectCount(member, args, 0, 0);
        return static_cast<std::int32_t>(m_drawing.applications.size());
    }
    if (member == "Item") {
        // By position (from 0) or by name, as the Blocks collection takes it.
        useOf(member, methodMember, kind);
        expectCount(member, args, 1, 1);
        if (const auto* name = std::get_if<std::string>(&args[0])) {
            if (std::find(m_drawing.applications.begin(), m_drawing.applications.end(), *name) ==
                m_drawing.applications.end()) {
                fail(ErrorKind::Exception, "Key not found");
            }
            return ObjectRef{"/RegisteredApplications"};
        }
        const std::int32_t index = intArg(member, args, 0);
        if (index < 0 || static_cast<std::size_t>(index) >= m_drawing.applications.size()) {
            fail(ErrorKind::Exception, "Index out of range");
        }
        return ObjectRef{"/RegisteredApplications"};
    }
    if (member == "Add") {
        // Adding a name that is there already gives that application, as a CAD program does.
        useOf(member, methodMember, kind);
        expectCount(member, args, 1, 1);
        const std::string& name = stringArg(member, args, 0);
        if (!validLayerName(name) || name.size() > maxBlockNameBytes) {
            fail(ErrorKind::Exception, "Invalid application name");
        }
        const auto at =
            std::find(m_drawing.applications.begin(), m_drawing.applications.end(), name);
        if (at == m_drawing.applications.end()) {
            m_drawing.applications.push_back(name);
        }
        return ObjectRef{"/RegisteredApplications"};
    }
    fail(ErrorKind::UnknownName, "Unknown name: " + member);
}

} // namespace cadhost
