#include "host/com/client_fronts.h"

#include <objbase.h>
#include <rpc.h>

#include <cstring>

namespace cadhost {

namespace {

// Forwards every call to the object it stands for, recording the calling client meanwhile.
class Front : public IDispatch {
  public:
    Front(ClientFronts& fronts, DWORD object) : m_fronts(fronts), m_object(object) {}
    virtual ~Front() = default;
    Front(const Front&) = delete;
    Front& operator=(const Front&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_references); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = InterlockedDecrement(&m_references);
        if (left == 0) {
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        return forward([&](IDispatch* object) { return object->GetTypeInfoCount(count); });
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override
    {
        return forward([&](IDispatch* object) { return object->GetTypeInfo(index, locale, info); });
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override
    {
        return forward([&](IDispatch* object) {
            return object->GetIDsOfNames(iid, names, count, locale, ids);
        });
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override
    {
        return forward([&](IDispatch* object) {
            return object->Invoke(id, iid, locale, flags, parameters, result, exception,
                                  argumentError);
        });
    }

  private:
    template <typename Call> HRESULT forward(Call call)
    {
        unsigned long client = 0;
        if (I_RpcBindingInqLocalClientPID(nullptr, &client) != RPC_S_OK) {
            client = 0; // not a call from another process
        }
        const ClientFronts::CallScope scope(m_fronts, client);
        IDispatch* object = nullptr;
        const HRESULT found = m_fronts.table()->GetInterfaceFromGlobal(
            m_object, IID_IDispatch, reinterpret_cast<void**>(&object));
        if (FAILED(found)) {
            return found;
        }
        const HRESULT status = call(object);
        object->Release();
        return status;
    }

    ClientFronts& m_fronts;
    DWORD m_object; // in the global interface table
    LONG m_references = 1;
};

} // namespace

bool ClientFronts::GuidLess::operator()(const GUID& a, const GUID& b) const
{
    return std::memcmp(&a, &b, sizeof(GUID)) < 0;
}

ClientFronts::ClientFronts()
{
    CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                     IID_IGlobalInterfaceTable, reinterpret_cast<void**>(&m_table));
    m_apartment = std::thread([this] {
        const HRESULT joined = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        std::unique_lock<std::mutex> lock(m_stateMutex);
        m_joined = true;
        m_state.notify_all();
        m_state.wait(lock, [this] { return m_stop; });
        if (SUCCEEDED(joined)) {
            CoUninitialize();
        }
    });
    // A front made before this thread is in the apartment could leave it empty, and so gone.
    std::unique_lock<std::mutex> lock(m_stateMutex);
    m_state.wait(lock, [this] { return m_joined; });
}

ClientFronts::~ClientFronts()
{
    if (m_table != nullptr) {
        for (DWORD cookie : m_cookies) {
            m_table->RevokeInterfaceFromGlobal(cookie);
        }
    }
    {
        const std::lock_guard<std::mutex> lock(m_stateMutex);
        m_stop = true;
    }
    m_state.notify_all();
    m_apartment.join();
    if (m_table != nullptr) {
        m_table->Release();
    }
}

IDispatch* ClientFronts::frontFor(IDispatch* object)
{
    DWORD objectCookie = 0;
    if (m_table == nullptr ||
        FAILED(m_table->RegisterInterfaceInGlobal(object, IID_IDispatch, &objectCookie))) {
        return nullptr;
    }
    m_cookies.push_back(objectCookie);
    // The front is made and first marshalled on a thread of the multithreaded apartment, so that
    // its calls are received there.
    DWORD frontCookie = 0;
    HRESULT registered = E_FAIL;
    std::thread([&] {
        if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {
            return;
        }
        Front* front = new Front(*this, objectCookie);
        registered = m_table->RegisterInterfaceInGlobal(front, IID_IDispatch, &frontCookie);
        front->Release();
        CoUninitialize();
    }).join();
    if (FAILED(registered)) {
        return nullptr;
    }
    m_cookies.push_back(frontCookie);
    IDispatch* front = nullptr;
    if (FAILED(m_table->GetInterfaceFromGlobal(frontCookie, IID_IDispatch,
                                               reinterpret_cast<void**>(&front)))) {
        return nullptr;
    }
    return front;
}

std::optional<DWORD> ClientFronts::clientOfCurrentCall() const
{
    GUID call{};
    if (FAILED(CoGetCurrentLogicalThreadId(&call))) {
        return std::nullopt;
    }
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_clients.find(call);
    if (found == m_clients.end()) {
        return std::nullopt;
    }
    return found->second;
}

ClientFronts::CallScope::CallScope(ClientFronts& fronts, DWORD client) : m_fronts(fronts)
{
    if (client == 0 || client == GetCurrentProcessId() ||
        FAILED(CoGetCurrentLogicalThreadId(&m_call))) {
        return;
    }
    const std::lock_guard<std::mutex> lock(m_fronts.m_mutex);
    m_recorded = m_fronts.m_clients.emplace(m_call, client).second;
}

ClientFronts::CallScope::~CallScope()
{
    if (m_recorded) {
        const std::lock_guard<std::mutex> lock(m_fronts.m_mutex);
        m_fronts.m_clients.erase(m_call);
    }
}

} // namespace cadhost
