#include "host/com/host_variant.h"

#include "host/com/com_host.h"
#include "host/com/host_dispatch.h"

#include <windows.h>

#include <oleauto.h>

#include <limits>
#include <optional>

namespace cadhost {

namespace {

std::string utf8Of(BSTR text)
{
    const int length = static_cast<int>(SysStringLen(text));
    if (length == 0) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, result.data(), size, nullptr, nullptr);
    return result;
}

} // namespace

BSTR bstrOf(const std::string& text)
{
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(size));
    if (result != nullptr && size > 0) {
        MultiByteToWideChar(CP_UTF8, 0, text.data(), length, result, size);
    }
    return result;
}

namespace {

std::optional<double> numberOf(const VARIANT& value)
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
        return static_cast<double>(value.llVal);
    case VT_UI8:
        return static_cast<double>(value.ullVal);
    case VT_R4:
        return value.fltVal;
    case VT_R8:
        return value.dblVal;
    default:
        return std::nullopt;
    }
}

HostValue arrayOf(const VARIANT& value)
{
    const Unsupported unsupported{"<array " + std::to_string(value.vt) + ">"};
    SAFEARRAY* array = value.parray;
    const VARTYPE element = value.vt & VT_TYPEMASK;
    LONG lower = 0;
    LONG upper = -1;
    if (array == nullptr || SafeArrayGetDim(array) != 1 ||
        FAILED(SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(SafeArrayGetUBound(array, 1, &upper))) {
        return unsupported;
    }
    std::vector<double> numbers;
    for (LONG index = lower; index <= upper; ++index) {
        VARIANT item;
        VariantInit(&item);
        HRESULT status = S_OK;
        if (element == VT_VARIANT) {
            status = SafeArrayGetElement(array, &index, &item);
        } else if (element == VT_R8) {
            item.vt = VT_R8;
            status = SafeArrayGetElement(array, &index, &item.dblVal);
        } else {
            return unsupported;
        }
        const std::optional<double> number = numberOf(item);
        VariantClear(&item);
        if (FAILED(status) || !number.has_value()) {
            return unsupported;
        }
        numbers.push_back(number.value_or(0.0));
    }
    return numbers;
}

HostValue objectOf(IUnknown* unknown)
{
    HostDispatch* object = nullptr;
    if (unknown == nullptr ||
        FAILED(unknown->QueryInterface(IID_IHostObject, reinterpret_cast<void**>(&object)))) {
        return Unsupported{"<foreign object>"};
    }
    ObjectRef reference{object->path()};
    object->Release();
    return reference;
}

HRESULT pointVariant(const std::vector<double>& numbers, bool asVariants, VARIANT& result)
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
    result.vt = VT_ARRAY | (asVariants ? VT_VARIANT : VT_R8);
    result.parray = array;
    return S_OK;
}

} // namespace

HostValue fromVariant(const VARIANT& value)
{
    if ((value.vt & VT_BYREF) != 0) {
        VARIANT direct;
        VariantInit(&direct);
        if (FAILED(VariantCopyInd(&direct, const_cast<VARIANT*>(&value)))) {
            return Unsupported{"<reference>"};
        }
        HostValue result = fromVariant(direct);
        VariantClear(&direct);
        return result;
    }
    if ((value.vt & VT_ARRAY) != 0) {
        return arrayOf(value);
    }
    switch (value.vt) {
    case VT_EMPTY:
        return {};
    case VT_ERROR:
        if (value.scode == DISP_E_PARAMNOTFOUND) {
            return {};
        }
        return Unsupported{"<error>"};
    case VT_BOOL:
        return value.boolVal != VARIANT_FALSE;
    case VT_R4:
        return static_cast<double>(value.fltVal);
    case VT_R8:
        return value.dblVal;
    case VT_BSTR:
        return utf8Of(value.bstrVal);
    case VT_DISPATCH:
        return objectOf(value.pdispVal);
    case VT_UNKNOWN:
        return objectOf(value.punkVal);
    default:
        break;
    }
    if (const auto number = numberOf(value)) {
        if (*number >= std::numeric_limits<std::int32_t>::min() &&
            *number <= std::numeric_limits<std::int32_t>::max()) {
            return static_cast<std::int32_t>(*number);
        }
        return *number;
    }
    return Unsupported{"<VARIANT type " + std::to_string(value.vt) + ">"};
}

HRESULT toVariant(const HostValue& value, ComHost& host, VARIANT& result)
{
    VariantInit(&result);
    if (const auto* flag = std::get_if<bool>(&value)) {
        result.vt = VT_BOOL;
        result.boolVal = *flag ? VARIANT_TRUE : VARIANT_FALSE;
    } else if (const auto* whole = std::get_if<std::int32_t>(&value)) {
        result.vt = VT_I4;
        result.lVal = *whole;
    } else if (const auto* real = std::get_if<double>(&value)) {
        result.vt = VT_R8;
        result.dblVal = *real;
    } else if (const auto* text = std::get_if<std::string>(&value)) {
        result.bstrVal = bstrOf(*text);
        if (result.bstrVal == nullptr) {
            return E_OUTOFMEMORY;
        }
        result.vt = VT_BSTR;
    } else if (const auto* numbers = std::get_if<std::vector<double>>(&value)) {
        return pointVariant(*numbers, host.faults().variantPoints, result);
    } else if (const auto* object = std::get_if<ObjectRef>(&value)) {
        result.vt = VT_DISPATCH;
        result.pdispVal = host.object(object->path);
    }
    return S_OK;
}

} // namespace cadhost
