#include "cad/com/com_value.h"

#include "cad/com/wide_text.h"

#include <windows.h>

#include <oleauto.h>

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

std::optional<std::vector<double>> numbersOf(const VARIANT& array)
{
    SAFEARRAY* elements = array.parray;
    const VARTYPE elementType = array.vt & VT_TYPEMASK;
    LONG lower = 0;
    LONG upper = -1;
    if ((array.vt & VT_ARRAY) == 0 || (array.vt & VT_BYREF) != 0 || elements == nullptr ||
        SafeArrayGetDim(elements) != 1 || FAILED(SafeArrayGetLBound(elements, 1, &lower)) ||
        FAILED(SafeArrayGetUBound(elements, 1, &upper)) ||
        (elementType != VT_R8 && elementType != VT_VARIANT)) {
        return std::nullopt;
    }
    std::vector<double> numbers;
    for (LONG index = lower; index <= upper; ++index) {
        VARIANT item;
        VariantInit(&item);
        HRESULT status = S_OK;
        if (elementType == VT_VARIANT) {
            status = SafeArrayGetElement(elements, &index, &item);
        } else {
            item.vt = VT_R8;
            status = SafeArrayGetElement(elements, &index, &item.dblVal);
        }
        const std::optional<double> number = SUCCEEDED(status) ? numberOf(item) : std::nullopt;
        VariantClear(&item);
        if (!number) {
            return std::nullopt;
        }
        numbers.push_back(number.value_or(0.0)); // value_or: GCC sees *number as uninitialised
    }
    return numbers;
}

HRESULT setNumberArray(const std::vector<double>& numbers, bool asVariants, VARIANT& result)
{
    SAFEARRAY* array = SafeArrayCreateVector(asVariants ? VT_VARIANT : VT_R8, 0,
                                             static_cast<ULONG>(numbers.size()));
    if (array == nullptr) {
        return E_OUTOFMEMORY;
    }
    for (LONG index = 0; index < static_cast<LONG>(numbers.size()); ++index) {
        double number = numbers[static_cast<std::size_t>(index)];
        HRESULT status = S_OK;
        if (asVariants) {
            VARIANT item;
            VariantInit(&item);
            item.vt = VT_R8;
            item.dblVal = number;
            status = SafeArrayPutElement(array, &index, &item);
        } else {
            status = SafeArrayPutElement(array, &index, &number);
        }
        if (FAILED(status)) {
            SafeArrayDestroy(array);
            return status;
        }
    }
    VariantInit(&result);
    result.vt = VT_ARRAY | (asVariants ? VT_VARIANT : VT_R8);
    result.parray = array;
    return S_OK;
}

namespace {

// The IDispatch of an element: an object asked for it, null kept as null.
std::optional<ComPtr<IDispatch>> dispatchOf(IUnknown* unknown)
{
    ComPtr<IDispatch> dispatch;
    if (unknown != nullptr &&
        FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.put())))) {
        return std::nullopt;
    }
    return dispatch;
}

} // namespace

std::optional<std::vector<ComPtr<IDispatch>>> dispatchesOf(const VARIANT& array)
{
    SAFEARRAY* elements = array.parray;
    const VARTYPE elementType = array.vt & VT_TYPEMASK;
    LONG lower = 0;
    LONG upper = -1;
    if ((array.vt & VT_ARRAY) == 0 || (array.vt & VT_BYREF) != 0 || elements == nullptr ||
        SafeArrayGetDim(elements) != 1 || FAILED(SafeArrayGetLBound(elements, 1, &lower)) ||
        FAILED(SafeArrayGetUBound(elements, 1, &upper)) ||
        (elementType != VT_DISPATCH && elementType != VT_UNKNOWN && elementType != VT_VARIANT)) {
        return std::nullopt;
    }
    std::vector<ComPtr<IDispatch>> objects;
    for (LONG index = lower; index <= upper; ++index) {
        VARIANT item;
        VariantInit(&item);
        HRESULT status = S_OK;
        if (elementType == VT_VARIANT) {
            status = SafeArrayGetElement(elements, &index, &item);
        } else {
            item.vt = elementType; // the element's own reference goes into the item
            status = SafeArrayGetElement(elements, &index, &item.punkVal);
        }
        std::optional<ComPtr<IDispatch>> object;
        if (SUCCEEDED(status) && (item.vt == VT_DISPATCH || item.vt == VT_UNKNOWN)) {
            object = dispatchOf(item.vt == VT_DISPATCH ? item.pdispVal : item.punkVal);
        }
        VariantClear(&item);
        if (!object) {
            return std::nullopt;
        }
        objects.push_back(std::move(*object));
    }
    return objects;
}

HRESULT setDispatchArray(const std::vector<IDispatch*>& objects, bool asVariants, VARIANT& result)
{
    SAFEARRAY* array = SafeArrayCreateVector(asVariants ? VT_VARIANT : VT_DISPATCH, 0,
                                             static_cast<ULONG>(objects.size()));
    if (array == nullptr) {
        return E_OUTOFMEMORY;
    }
    for (LONG index = 0; index < static_cast<LONG>(objects.size()); ++index) {
        IDispatch* object = objects[static_cast<std::size_t>(index)];
        HRESULT status = S_OK;
        if (asVariants) {
            VARIANT item; // borrowed: the array copies it with a reference of its own
            VariantInit(&item);
            item.vt = VT_DISPATCH;
            item.pdispVal = object;
            status = SafeArrayPutElement(array, &index, &item);
        } else {
            status = SafeArrayPutElement(array, &index, object);
        }
        if (FAILED(status)) {
            SafeArrayDestroy(array);
            return status;
        }
    }
    VariantInit(&result);
    result.vt = VT_ARRAY | (asVariants ? VT_VARIANT : VT_DISPATCH);
    result.parray = array;
    return S_OK;
}

BSTR bstrOf(std::string_view text)
{
    const std::wstring wide = toWide(text);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}
