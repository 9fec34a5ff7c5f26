#include "cad/com/com_running_objects.h"

#include "cad/com/com_dispatch_object.h"
#include "cad/com/com_error.h"
#include "cad/com/com_handles.h"
#include "cad/com/wide_text.h"

#include <objbase.h>
#include <oleauto.h>

ComRunningObjects::ComRunningObjects() : m_apartment(ComApartment::ofThisThread()) {}

OleObject ComRunningObjects::getActiveObject(std::string_view className)
{
    const std::wstring progId = toWide(className);
    CLSID classId{};
    HRESULT status = CLSIDFromProgID(progId.c_str(), &classId);
    if (FAILED(status)) {
        throwSysError("CLSIDFromProgID", status);
    }
    ComPtr<IUnknown> unknown;
    status = GetActiveObject(classId, nullptr, unknown.put());
    if (FAILED(status)) {
        throwSysError("GetActiveObject", status);
    }
    ComPtr<IDispatch> dispatch;
    status = unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.put()));
    if (FAILED(status)) {
        throwSysError("QueryInterface(IDispatch)", status);
    }
    return OleObject(std::make_shared<ComDispatchObject>(std::move(dispatch), m_apartment));
}
