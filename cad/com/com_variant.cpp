#include "cad/com/com_variant.h"

#include "cad/com/com_dispatch_object.h"
#include "cad/com/com_error.h"
#include "cad/com/wide_text.h"

#include <limits>
#include <optional>

namespace {

[[noreturn]] void throwTypeMismatch(VARTYPE type)
{
    throwSysError("value of VARIANT type " + std::to_string(type), DISP_E_TYPEMISMATCH);
}

VariantValue pointVariant(const Point& point)
{
    SafeArray array(SafeArrayCreateVector(VT_R8, 0, static_cast<ULONG>(point.size())));
    if (array.get() == nullptr) {
        throwSysError("SafeArrayCreateVector", E_OUTOFMEMORY);
    }
    for (LONG index = 0; index < static_cast<LONG>(point.size()); ++index) {
        double element = point[static_cast<std::size_t>(index)];
        const HRESULT status = SafeArrayPutElement(array.get(), &index, &element);
        if (FAILED(status)) {
            throwSysError("SafeArrayPutElement", status);
        }
    }
    VariantValue result;
    result.get().vt = VT_ARRAY | VT_R8;
    result.get().parray = array.detach();
    return result;
}

// A whole number of any COM integer type; nothing for other types.
std::optional<long long> integerOf(const VARIANT& value)
{
    switch (value.vt) {
    case VT_I1:
        return value.cVal;
    case VT_UI1:
        return value.bVal;
    case VT_I2:
        return value.iVal;
    case VT_UI2:
        return value.uiVal;
    case VT_I4:
        return value.lVal;
    case VT_UI4:
        return value.ulVal;
    case VT_INT:
        return value.intVal;
    case VT_UINT:
        return value.uintVal;
    case VT_I8:
        return value.llVal;
    default:
        return std::nullopt;
    }
}

// A number of any numeric type as a double (for the elements of a point).
std::optional<double> numberOf(const VARIANT& value)
{
    if (const auto whole = integerOf(value)) {
        return static_cast<double>(*whole);
    }
    switch (value.vt) {
    case VT_R8:
        return value.dblVal;
    case VT_R4:
        return value.fltVal;
    case VT_UI8:
        return static_cast<double>(value.ullVal);
    default:
        return std::nullopt;
    }
}

Point pointOf(const VARIANT& value)
{
    SAFEARRAY* array = value.parray;
    const VARTYPE elementType = value.vt & VT_TYPEMASK;
    LONG lower = 0;
    LONG upper = -1;
    if (array == nullptr || SafeArrayGetDim(array) != 1 ||
        FAILED(SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(SafeArrayGetUBound(array, 1, &upper)) || upper - lower + 1 != 3 ||
        (elementType != VT_R8 && elementType != VT_VARIANT)) {
        throwTypeMismatch(value.vt);
    }
    Point point{};
    for (LONG index = lower; index <= upper; ++index) {
        double& element = point[static_cast<std::size_t>(index - lower)];
        if (elementType == VT_R8) {
            const HRESULT status = SafeArrayGetElement(array, &index, &element);
            if (FAILED(status)) {
                throwSysError("SafeArrayGetElement", status);
            }
            continue;
        }
        VariantValue item;
        const HRESULT status = SafeArrayGetElement(array, &index, item.put());
        if (FAILED(status)) {
            throwSysError("SafeArrayGetElement", status);
        }
        const auto number = numberOf(item.get());
        if (!number) {
            throwTypeMismatch(item.get().vt);
        }
        element = *number;
    }
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
            const std::wstring wide = toWide(text);
            Bstr bstr(SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size())));
            if (bstr.get() == nullptr) {
                throwSysError("SysAllocStringLen", E_OUTOFMEMORY);
            }
            VariantValue result;
            result.get().vt = VT_BSTR;
            result.get().bstrVal = bstr.detach();
            return result;
        }
        VariantValue operator()(const Point& point) const { return pointVariant(point); }
        VariantValue operator()(const OleObject& object) const
        {
            const auto* com = dynamic_cast<const ComDispatchObject*>(object.object());
            if (com == nullptr) {
                throw EOleError("Variant does not reference an automation object");
            }
            VariantValue result;
            result.get().vt = VT_DISPATCH;
            result.get().pdispVal = ComPtr<IDispatch>::share(com->dispatch()).detach();
            return result;
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
