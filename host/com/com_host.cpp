#include "host/com/com_host.h"

#include "host/com/host_dispatch.h"

#include <windows.h>

namespace cadhost {

ComHost::ComHost(ObjectModel& model, ComHostFaults faults) : m_model(model), m_faults(faults) {}

ComHost::~ComHost()
{
    for (const auto& entry : m_objects) {
        entry.second->Release();
    }
}

IDispatch* ComHost::object(const std::string& path)
{
    IDispatch*& object = m_objects[path];
    if (object == nullptr) {
        object = new HostDispatch(*this, path);
    }
    object->AddRef();
    return object;
}

void ComHost::serveThrough(const std::string& path, IDispatch* front)
{
    IDispatch*& object = m_objects[path];
    front->AddRef();
    if (object != nullptr) {
        object->Release();
    }
    object = front;
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
