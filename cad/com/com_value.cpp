#include "cad/com/com_value.h"

#include "cad/com/wide_text.h"

#include <windows.h>

#include <oleauto.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <utility>

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

namespace {

// The bounds of a one-dimensional array (not by reference) whose elements are of one of the
// types; nothing otherwise.
std::optional<std::pair<LONG, LONG>> boundsOf(const VARIANT& array,
                                              std::initializer_list<VARTYPE> elementTypes)
{
    SAFEARRAY* elements = array.parray;
    const auto elementType = static_cast<VARTYPE>(array.vt & VT_TYPEMASK);
    LONG lower = 0;
    LONG upper = -1;
    if ((array.vt & VT_ARRAY) == 0 || (array.vt & VT_BYREF) != 0 || elements == nullptr ||
        SafeArrayGetDim(elements) != 1 || FAILED(SafeArrayGetLBound(elements, 1, &lower)) ||
        FAILED(SafeArrayGetUBound(elements, 1, &upper)) ||
        std::find(elementTypes.begin(), elementTypes.end(), elementType) == elementTypes.end()) {
        return std::nullopt;
    }
    return std::make_pair(lower, upper);
}

// Each element of the array as a VARIANT of its own (a copy, cleared after read(item)); false as
// soon as one cannot be read or read() refuses it.
template <typename Read>
bool readEach(const VARIANT& array, std::pair<LONG, LONG> bounds, Read read)
{
    const auto elementType = static_cast<VARTYPE>(array.vt & VT_TYPEMASK);
    for (LONG index = bounds.first; index <= bounds.second; ++index) {
        VariantValue item;
        HRESULT status = S_OK;
        if (elementType == VT_VARIANT) {
            status = SafeArrayGetElement(array.parray, &index, item.put());
        } else {
            // The element's own value (a reference of its own for an interface) goes into the item.
            item.get().vt = elementType;
            status = SafeArrayGetElement(array.parray, &index, &item.get().llVal);
        }
        if (FAILED(status) || !read(item.get())) {
            return false;
        }
    }
    return true;
}

// How each kind of element goes into an array: its VARTYPE, the pointer SafeArrayPutElement takes
// for it (the interface itself for an object, the value's address otherwise), and the same
// element borrowed in a VARIANT (its value where every member of the VARIANT's union starts),
// which an array of VT_VARIANT copies with a reference of its own.
struct Element {
    static VARTYPE type(double) { return VT_R8; }
    static VARTYPE type(SHORT) { return VT_I2; }
    static VARTYPE type(IDispatch*) { return VT_DISPATCH; }
    static void* pointer(double& number) { return &number; }
    static void* pointer(SHORT& number) { return &number; }
    static void* pointer(IDispatch*& object) { return object; }
    template <typename Item> static VARIANT borrowed(Item item)
    {
        VARIANT variant;
        VariantInit(&variant);
        variant.vt = type(item);
        std::memcpy(&variant.llVal, &item, sizeof item);
        return variant;
    }
};

// The one way an array is made: from lower bound 0, of the items' own type or of VARIANTs each
// holding one.
template <typename Item>
HRESULT setArray(const std::vector<Item>& items, bool asVariants, VARIANT& result)
{
    const VARTYPE elementType = asVariants ? VARTYPE{VT_VARIANT} : Element::type(Item{});
    SafeArray array(SafeArrayCreateVector(elementType, 0, static_cast<ULONG>(items.size())));
    if (array.get() == nullptr) {
        return E_OUTOFMEMORY;
    }
    for (LONG index = 0; index < static_cast<LONG>(items.size()); ++index) {
        Item item = items[static_cast<std::size_t>(index)];
        VARIANT borrowed = Element::borrowed(item);
        const HRESULT status = SafeArrayPutElement(array.get(), &index,
                                                   asVariants ? static_cast<void*>(&borrowed)
                                                              : Element::pointer(item));
        if (FAILED(status)) {
            return status;
        }
    }
    VariantInit(&result);
    result.vt = VT_ARRAY | elementType;
    result.parray = array.detach();
    return S_OK;
}

} // namespace

std::optional<std::vector<double>> numbersOf(const VARIANT& array)
{
    const auto bounds = boundsOf(array, {VT_R8, VT_VARIANT});
    std::vector<double> numbers;
    if (!bounds || !readEach(array, *bounds, [&numbers](const VARIANT& item) {
            const std::optional<double> number = numberOf(item);
            numbers.push_back(number.value_or(0.0)); // value_or: GCC sees *number uninitialised
            return number.has_value();
        })) {
        return std::nullopt;
    }
    return numbers;
}

std::optional<std::vector<long long>> integersOf(const VARIANT& array)
{
    const auto bounds =
        boundsOf(array, {VT_I1, VT_UI1, VT_I2, VT_UI2, VT_I4, VT_UI4, VT_INT, VT_UINT, VT_I8});
    std::vector<long long> numbers;
    if (!bounds || !readEach(array, *bounds, [&numbers](const VARIANT& item) {
            const std::optional<long long> number = integerOf(item);
            numbers.push_back(number.value_or(0));
            return number.has_value();
        })) {
        return std::nullopt;
    }
    return numbers;
}

HRESULT setNumberArray(const std::vector<double>& numbers, bool asVariants, VARIANT& result)
{
    return setArray(numbers, asVariants, result);
}

HRESULT setShortArray(const std::vector<SHORT>& numbers, VARIANT& result)
{
    return setArray(numbers, false, result);
}

std::optional<std::vector<ComPtr<IDispatch>>> dispatchesOf(const VARIANT& array)
{
    const auto bounds = boundsOf(array, {VT_DISPATCH, VT_UNKNOWN, VT_VARIANT});
    std::vector<ComPtr<IDispatch>> objects;
    if (!bounds || !readEach(array, *bounds, [&objects](const VARIANT& item) {
            if (item.vt != VT_DISPATCH && item.vt != VT_UNKNOWN) {
                return false;
            }
            // Each object asked for IDispatch, a null one kept as null.
            IUnknown* unknown = item.vt == VT_DISPATCH ? item.pdispVal : item.punkVal;
            ComPtr<IDispatch> dispatch;
            if (unknown != nullptr &&
                FAILED(unknown->QueryInterface(IID_IDispatch,
                                               reinterpret_cast<void**>(dispatch.put())))) {
                return false;
            }
            objects.push_back(std::move(dispatch));
            return true;
        })) {
        return std::nullopt;
    }
    return objects;
}

HRESULT setDispatchArray(const std::vector<IDispatch*>& objects, bool asVariants, VARIANT& result)
{
    return setArray(objects, asVariants, result);
}

BSTR bstrOf(std::string_view text)
{
    const std::wstring wide = toWide(text);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}
