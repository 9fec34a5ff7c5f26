#include "host/com/com_host.h"

#include "host/com/host_dispatch.h"

#include <windows.h>

namespace cadhost {

ComHost::ComHost(ObjectModel& model, ComHostFaults faults) : m_model(model), m_faults(faults) {}

IDispatch* ComHost::object(const std::string& path)
{
    return new HostDispatch(*this, path);
}

bool ComHost::beginCall()
{
    ++m_calls;
    return m_faults.unknownNameAt == m_calls;
}

void ComHost::crashIfDue() const
{
    if (m_faults.crashAt == m_calls) {
        // As a crash: no clean-up, no revoked registration, the caller's call left in flight.
        TerminateProcess(GetCurrentProcess(), 3);
    }
}

} // namespace cadhost
