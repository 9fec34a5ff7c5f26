#include "cad/com/com_dispatch_object.h"

#include "cad/com/com_error.h"
#include "cad/com/com_variant.h"
#include "cad/com/wide_text.h"

#include <objidl.h>

#include <cassert>

namespace {

// Frees the BSTRs an Invoke may leave in its EXCEPINFO, on every path.
struct ExceptionInfo {
    EXCEPINFO fields{};
    ExceptionInfo() = default;
    ExceptionInfo(const ExceptionInfo&) = delete;
    ExceptionInfo& operator=(const ExceptionInfo&) = delete;
    ~ExceptionInfo()
    {
        SysFreeString(fields.bstrSource);
        SysFreeString(fields.bstrDescription);
        SysFreeString(fields.bstrHelpFile);
    }
};

WORD invokeFlags(InvokeKind kind)
{
    switch (kind) {
    case InvokeKind::Method:
        return DISPATCH_METHOD;
    case InvokeKind::PropertyGet:
        return DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    case InvokeKind::PropertyPut:
        return DISPATCH_PROPERTYPUT;
    }
    return DISPATCH_METHOD;
}

// COM's standard proxies answer for IClientSecurity; an object in this process does not.
bool isProxy(IDispatch* dispatch)
{
    ComPtr<IClientSecurity> security;
    return SUCCEEDED(
        dispatch->QueryInterface(IID_IClientSecurity, reinterpret_cast<void**>(security.put())));
}

} // namespace

ComDispatchObject::ComDispatchObject(ComPtr<IDispatch> dispatch,
                                     std::shared_ptr<ComApartment> apartment)
    : m_apartment(std::move(apartment)), m_dispatch(std::move(dispatch)),
      m_remote(isProxy(m_dispatch.get()))
{
    assert(m_dispatch);
}

Variant ComDispatchObject::invoke(std::string_view member, InvokeKind kind,
                                  const std::vector<Variant>& args)
{
    std::wstring name = toWide(member);
    LPOLESTR names[] = {name.data()};
    DISPID dispatchId = DISPID_UNKNOWN;
    const HRESULT lookup =
        m_dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispatchId);
    if (FAILED(lookup)) {
        throwNameLookupError(member, lookup);
    }

    // COM takes the arguments last to first. An out parameter's place gets a by-reference
    // VARIANT that points at its own holder; the holders do not move while the call runs.
    std::vector<VariantValue> outs(args.size());
    bool hasOut = false;
    std::vector<VariantValue> values;
    values.reserve(args.size());
    for (std::size_t i = args.size(); i-- > 0;) {
        if (std::holds_alternative<OutArgument>(args[i].value())) {
            VariantValue reference;
            reference.get().vt = VT_BYREF | VT_VARIANT;
            reference.get().pvarVal = &outs[i].get();
            values.push_back(std::move(reference));
            hasOut = true;
        } else {
            values.push_back(toComVariant(args[i]));
        }
    }
    static_assert(sizeof(VariantValue) == sizeof(VARIANT), "Invoke reads the values as VARIANTs");
    DISPPARAMS parameters{};
    parameters.rgvarg = values.empty() ? nullptr : &values.front().get();
    parameters.cArgs = static_cast<UINT>(values.size());
    DISPID putId = DISPID_PROPERTYPUT;
    if (kind == InvokeKind::PropertyPut) {
        parameters.rgdispidNamedArgs = &putId;
        parameters.cNamedArgs = 1;
    }

    VariantValue result;
    ExceptionInfo exception;
    UINT argumentError = 0;
    const HRESULT status =
        m_dispatch->Invoke(dispatchId, IID_NULL, LOCALE_USER_DEFAULT, invokeFlags(kind),
                           &parameters, result.put(), &exception.fields, &argumentError);
    if (FAILED(status)) {
        // In another process the fill-in is the server's to run (its marshaller does); the
        // pointer that arrives here is an address in that process and must not be called.
        if (status == DISP_E_EXCEPTION && !m_remote && exception.fields.pfnDeferredFillIn) {
            exception.fields.pfnDeferredFillIn(&exception.fields);
        }
        throwInvokeError(member, status, exception.fields);
    }
    if (kind == InvokeKind::PropertyPut) {
        return {};
    }
    if (hasOut) {
        // The out values in the order of their places, as over D-Bus.
        Variants gathered;
        for (std::size_t i = 0; i < args.size(); ++i) {
            if (std::holds_alternative<OutArgument>(args[i].value())) {
                gathered.push_back(fromComVariant(outs[i].get(), m_apartment));
            }
        }
        return gathered;
    }
    return fromComVariant(result.get(), m_apartment);
}
