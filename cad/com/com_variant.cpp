#include "cad/com/com_variant.h"

#include "cad/com/com_dispatch_object.h"
#include "cad/com/com_error.h"
#include "cad/com/com_value.h"
#include "cad/com/wide_text.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace {

[[noreturn]] void throwTypeMismatch(VARTYPE type)
{
    throwSysError("value of VARIANT type " + std::to_string(type), DISP_E_TYPEMISMATCH);
}

VariantValue pointVariant(const Point& point)
{
    VariantValue result;
    const HRESULT status =
        setNumberArray(std::vector<double>(point.begin(), point.end()), false, result.get());
    if (FAILED(status)) {
        throwSysError("SafeArrayCreateVector", status);
    }
    return result;
}

Point pointOf(const VARIANT& value)
{
    const auto numbers = numbersOf(value);
    if (!numbers || numbers->size() != Point().size()) {
        throwTypeMismatch(value.vt);
    }
    Point point{};
    std::copy(numbers->begin(), numbers->end(), point.begin());
    return point;
}

Variant objectOf(IDispatch* dispatch, const std::shared_ptr<ComApartment>& apartment)
{
    if (dispatch == nullptr) {
        return OleObject(); // a null reference: calls on it fail with EOleError
    }
    return OleObject(
        std::make_shared<ComDispatchObject>(ComPtr<IDispatch>::share(dispatch), apartment));
}

} // namespace

VariantValue toComVariant(const Variant& value)
{
    struct Visitor {
        VariantValue operator()(std::monostate) const
        {
            VariantValue result;
            result.get().vt = VT_ERROR;
            result.get().scode = DISP_E_PARAMNOTFOUND;
            return result;
        }
        VariantValue operator()(bool flag) const
        {
            VariantValue result;
            result.get().vt = VT_BOOL;
            result.get().boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
            return result;
        }
        VariantValue operator()(std::int32_t whole) const
        {
            VariantValue result;
            result.get().vt = VT_I4;
            result.get().lVal = whole;
            return result;
        }
        VariantValue operator()(double real) const
        {
            VariantValue result;
            result.get().vt = VT_R8;
            result.get().dblVal = real;
            return result;
        }
        VariantValue operator()(const std::string& text) const
        {
            Bstr bstr(bstrOf(text));
            if (bstr.get() == nullptr) {
                throwSysError("SysAllocStringLen", E_OUTOFMEMORY);
            }
            VariantValue result;
            result.get().vt = VT_BSTR;
            result.get().bstrVal = bstr.detach();
            return result;
        }
        VariantValue operator()(const Point& point) const { return pointVariant(point); }
        VariantValue operator()(const Doubles& numbers) const
        {
            VariantValue result;
            const HRESULT status = setNumberArray(numbers, false, result.get());
            if (FAILED(status)) {
                throwSysError("SafeArrayCreateVector", status);
            }
            return result;
        }
        VariantValue operator()(const OleObject& object) const
        {
            VariantValue result;
            result.get().vt = VT_DISPATCH;
            result.get().pdispVal = ComPtr<IDispatch>::share(dispatchOf(object)).detach();
            return result;
        }
        // The object model's array of objects: a SAFEARRAY of VARIANTs, each an IDispatch.
        VariantValue operator()(const Objects& objects) const
        {
            std::vector<IDispatch*> dispatches;
            for (const OleObject& object : objects) {
                dispatches.push_back(dispatchOf(object));
            }
            VariantValue result;
            const HRESULT status = setDispatchArray(dispatches, true, result.get());
            if (FAILED(status)) {
                throwSysError("SafeArrayCreateVector", status);
            }
            return result;
        }
        static IDispatch* dispatchOf(const OleObject& object)
        {
            const auto* com = dynamic_cast<const ComDispatchObject*>(object.object());
            if (com == nullptr) {
                throw EOleError("Variant does not reference an automation object");
            }
            return com->dispatch();
        }
    };
    return std::visit(Visitor{}, value.value());
}

Variant fromComVariant(const VARIANT& value, const std::shared_ptr<ComApartment>& apartment)
{
    if ((value.vt & VT_BYREF) != 0) {
        VariantValue direct;
        // VariantCopyInd only reads its source, though declared non-const.
        const HRESULT status = VariantCopyInd(direct.put(), const_cast<VARIANT*>(&value));
        if (FAILED(status)) {
            throwSysError("VariantCopyInd", status);
        }
        return fromComVariant(direct.get(), apartment);
    }
    if ((value.vt & VT_ARRAY) != 0) {
        // Hosts differ in how they return objects: VARIANTs holding IDispatch, or IDispatch.
        if (auto dispatches = dispatchesOf(value)) {
            Objects objects;
            for (const ComPtr<IDispatch>& dispatch : *dispatches) {
                objects.push_back(objectOf(dispatch.get(), apartment).toObject());
            }
            return objects;
        }
        return pointOf(value);
    }
    if (const auto whole = integerOf(value)) {
        if (*whole >= std::numeric_limits<std::int32_t>::min() &&
            *whole <= std::numeric_limits<std::int32_t>::max()) {
            return static_cast<std::int32_t>(*whole);
        }
        return static_cast<double>(*whole);
    }
    switch (value.vt) {
    case VT_EMPTY:
    case VT_NULL:
        return {};
    case VT_BOOL:
        return value.boolVal != VARIANT_FALSE;
    case VT_UI8:
        if (value.ullVal <= static_cast<ULONGLONG>(std::numeric_limits<std::int32_t>::max())) {
            return static_cast<std::int32_t>(value.ullVal);
        }
        return static_cast<double>(value.ullVal);
    case VT_R8:
        return value.dblVal;
    case VT_R4:
        return static_cast<double>(value.fltVal);
    case VT_BSTR:
        return fromBstr(value.bstrVal);
    case VT_DISPATCH:
        return objectOf(value.pdispVal, apartment);
    case VT_UNKNOWN: {
        if (value.punkVal == nullptr) {
            return OleObject();
        }
        ComPtr<IDispatch> dispatch;
        if (FAILED(value.punkVal->QueryInterface(IID_IDispatch,
                                                 reinterpret_cast<void**>(dispatch.put())))) {
            throwTypeMismatch(value.vt);
        }
        return objectOf(dispatch.get(), apartment);
    }
    default:
        throwTypeMismatch(value.vt);
    }
}
