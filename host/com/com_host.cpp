#include "host/com/com_host.h"

#include "host/com/host_dispatch.h"

#include <windows.h>

namespace cadhost {

ComHost::ComHost(ObjectModel& model, ComHostFaults faults) : m_model(model), m_faults(faults) {}

IDispatch* ComHost::object(const std::string& path)
{
    return new HostDispatch(*this, path);
}

InvokeResult ComHost::awaitPick(const std::string& prompt)
{
    if (m_listener != nullptr) {
        return m_listener->awaitPick(prompt);
    }
    InvokeResult cancelled;
    cancelled.status = InvokeResult::Status::Failed;
    cancelled.error =
        m_model.cancelPick().value_or(HostError{ErrorKind::Exception, "Point selection cancelled"});
    return cancelled;
}

void ComHost::called() const
{
    if (m_listener != nullptr) {
        m_listener->called();
    }
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
