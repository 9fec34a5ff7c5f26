#include "cad/com/com_apartment.h"

#include "cad/com/com_error.h"

#include <objbase.h>

ComApartment::ComApartment()
{
    const HRESULT status = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (status == RPC_E_CHANGED_MODE) {
        return; // the thread's owner chose a multi-threaded apartment; calls work there too
    }
    if (FAILED(status)) {
        throwSysError("CoInitializeEx", status);
    }
    m_mustUninitialize = true; // S_OK and S_FALSE both take a count that must be given back
}

ComApartment::~ComApartment()
{
    if (m_mustUninitialize) {
        CoUninitialize();
    }
}

std::shared_ptr<ComApartment> ComApartment::ofThisThread()
{
    thread_local std::weak_ptr<ComApartment> current;
    std::shared_ptr<ComApartment> apartment = current.lock();
    if (!apartment) {
        apartment = std::make_shared<ComApartment>();
        current = apartment;
    }
    return apartment;
}
