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

// The elements of a one-dimensional SAFEARRAY, any lower bound, each read by read(index).
template <typename Read> void forEachElement(const VARIANT& value, Read read)
{
    SAFEARRAY* array = (value.vt & VT_BYREF) != 0 ? *value.pparray : value.parray;
    if (array == nullptr || SafeArrayGetDim(array) != 1) {
        throwTypeMismatch(value.vt);
    }
    LONG lower = 0;
    LONG upper = -1;
    if (FAILED(SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(SafeArrayGetUBound(array, 1, &upper))) {
        throwTypeMismatch(value.vt);
    }
    for (LONG i = lower; i <= upper; ++i) {
        read(array, i);
    }
}

// A whole number as a 32-bit integer when it fits, as a double otherwise.
Variant wholeNumber(long long whole)
{
    if (whole >= std::numeric_limits<std::int32_t>::min() &&
        whole <= std::numeric_limits<std::int32_t>::max()) {
        return static_cast<std::int32_t>(whole);
    }
    return static_cast<double>(whole);
}

Shorts shortsOf(const VARIANT& value)
{
    Shorts numbers;
    forEachElement(value, [&](SAFEARRAY* array, LONG i) {
        SHORT number = 0;
        if (FAILED(SafeArrayGetElement(array, &i, &number))) {
            throwTypeMismatch(value.vt);
        }
        numbers.push_back(number);
    });
    return numbers;
}

Variants variantsOf(const VARIANT& value, const std::shared_ptr<ComApartment>& apartment)
{
    Variants values;
    forEachElement(value, [&](SAFEARRAY* array, LONG i) {
        VariantValue item;
        if (FAILED(SafeArrayGetElement(array, &i, item.put()))) {
            throwTypeMismatch(value.vt);
        }
        values.push_back(fromComVariant(item.get(), apartment));
    });
    return values;
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
        VariantValue operator()(std::int16_t whole) const
        {
            VariantValue result;
            result.get().vt = VT_I2;
            result.get().iVal = whole;
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
        // Extended data's type codes: a SAFEARRAY of VT_I2.
        VariantValue operator()(const Shorts& numbers) const
        {
            VariantValue result;
            const HRESULT status =
                setShortArray(std::vector<SHORT>(numbers.begin(), numbers.end()), result.get());
            if (FAILED(status)) {
                throwSysError("SafeArrayCreateVector", status);
            }
            return result;
        }
        // Values of mixed kinds: a SAFEARRAY of VT_VARIANT.
        VariantValue operator()(const Variants& values) const
        {
            SAFEARRAY* array =
                SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(values.size()));
            if (array == nullptr) {
                throwSysError("SafeArrayCreateVector", E_OUTOFMEMORY);
            }
            VariantValue result;
            result.get().vt = VT_ARRAY | VT_VARIANT;
            result.get().parray = array;
            for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i) {
                VariantValue item = toComVariant(values[static_cast<std::size_t>(i)]);
                const HRESULT status = SafeArrayPutElement(array, &i, &item.get()); // copies
                if (FAILED(status)) {
                    throwSysError("SafeArrayPutElement", status);
                }
            }
            return result;
        }
        // Only an Invoke can give an out parameter its place (com_dispatch_object.cpp).
        VariantValue operator()(OutArgument) const
        {
            throw EOleError("an out parameter outside a call");
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
        const VARTYPE element = static_cast<VARTYPE>(value.vt & VT_TYPEMASK);
        if (element == VT_I2) {
            return shortsOf(value);
        }
        // Other integer arrays (hosts differ in how they answer extended data's type codes).
        if (const auto numbers = integersOf(value)) {
            Variants values;
            for (const long long number : *numbers) {
                values.push_back(wholeNumber(number));
            }
            return values;
        }
        if (element == VT_VARIANT) {
            const auto numbers = numbersOf(value);
            if (!numbers || numbers->size() != Point().size()) {
                return variantsOf(value, apartment); // extended data, out values
            }
        }
        return pointOf(value);
    }
    if (value.vt == VT_I2) {
        return std::int16_t{value.iVal};
    }
    if (const auto whole = integerOf(value)) {
        return wholeNumber(*whole);
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
