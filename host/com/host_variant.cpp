#include "host/com/host_variant.h"

#include "cad/com/com_value.h"
#include "cad/com/wide_text.h"
#include "host/com/com_host.h"
#include "host/com/host_dispatch.h"

#include <windows.h>

#include <oleauto.h>

#include <limits>
#include <optional>
#include <type_traits>

namespace cadhost {

namespace {

// The items of a one-dimensional SAFEARRAY of VT_I2 or of VT_VARIANT, any lower bound; nothing
// for another array or an item that is itself no plain value.
std::optional<std::vector<HostItem>> itemsOf(const VARIANT& value)
{
    SAFEARRAY* array = (value.vt & VT_BYREF) != 0 ? *value.pparray : value.parray;
    const VARTYPE element = static_cast<VARTYPE>(value.vt & VT_TYPEMASK);
    LONG lower = 0;
    LONG upper = -1;
    if (array == nullptr || SafeArrayGetDim(array) != 1 ||
        (element != VT_I2 && element != VT_VARIANT) ||
        FAILED(SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(SafeArrayGetUBound(array, 1, &upper))) {
        return std::nullopt;
    }
    std::vector<HostItem> items;
    for (LONG i = lower; i <= upper; ++i) {
        if (element == VT_I2) {
            SHORT number = 0;
            if (FAILED(SafeArrayGetElement(array, &i, &number))) {
                return std::nullopt;
            }
            items.emplace_back(std::int16_t{number});
            continue;
        }
        VARIANT item;
        VariantInit(&item);
        if (FAILED(SafeArrayGetElement(array, &i, &item))) {
            return std::nullopt;
        }
        const HostValue one = fromVariant(item);
        VariantClear(&item);
        bool taken = false;
        std::visit(
            [&items, &taken](const auto& v) {
                if constexpr (std::is_constructible_v<HostItem, decltype(v)>) {
                    items.emplace_back(v);
                    taken = true;
                }
            },
            one);
        if (!taken) {
            return std::nullopt;
        }
    }
    return items;
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
        if (auto numbers = numbersOf(value)) {
            return std::move(*numbers);
        }
        if (const auto dispatches = dispatchesOf(value)) {
            std::vector<ObjectRef> objects;
            for (const ComPtr<IDispatch>& dispatch : *dispatches) {
                HostValue object = objectOf(dispatch.get());
                if (const auto* reference = std::get_if<ObjectRef>(&object)) {
                    objects.push_back(*reference);
                } else {
                    return object;
                }
            }
            return objects;
        }
        // Extended data's codes (VT_I2) and values (VARIANTs of mixed kinds).
        if (auto items = itemsOf(value)) {
            return std::move(*items);
        }
        return Unsupported{"<array " + std::to_string(value.vt) + ">"};
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
        return fromBstr(value.bstrVal);
    case VT_DISPATCH:
        return objectOf(value.pdispVal);
    case VT_UNKNOWN:
        return objectOf(value.punkVal);
    case VT_I2:
        return std::int16_t{value.iVal};
    default:
        break;
    }
    if (const auto whole = integerOf(value)) {
        if (*whole >= std::numeric_limits<std::int32_t>::min() &&
            *whole <= std::numeric_limits<std::int32_t>::max()) {
            return static_cast<std::int32_t>(*whole);
        }
        return static_cast<double>(*whole);
    }
    if (value.vt == VT_UI8) {
        if (value.ullVal <= static_cast<ULONGLONG>(std::numeric_limits<std::int32_t>::max())) {
            return static_cast<std::int32_t>(value.ullVal);
        }
        return static_cast<double>(value.ullVal);
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
    } else if (const auto* small = std::get_if<std::int16_t>(&value)) {
        result.vt = VT_I2;
        result.iVal = *small;
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
        return setNumberArray(*numbers, host.faults().variantPoints, result);
    } else if (const auto* object = std::get_if<ObjectRef>(&value)) {
        result.vt = VT_DISPATCH;
        result.pdispVal = host.object(object->path);
    } else if (const auto* objects = std::get_if<std::vector<ObjectRef>>(&value)) {
        std::vector<ComPtr<IDispatch>> owned;
        std::vector<IDispatch*> dispatches;
        for (const ObjectRef& reference : *objects) {
            owned.push_back(ComPtr<IDispatch>::adopt(host.object(reference.path)));
            dispatches.push_back(owned.back().get());
        }
        return setDispatchArray(dispatches, !host.faults().dispatchArrays, result);
    } else if (const auto* items = std::get_if<std::vector<HostItem>>(&value)) {
        SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(items->size()));
        if (array == nullptr) {
            return E_OUTOFMEMORY;
        }
        for (LONG i = 0; i < static_cast<LONG>(items->size()); ++i) {
            VARIANT item;
            HRESULT status =
                toVariant(itemValue((*items)[static_cast<std::size_t>(i)]), host, item);
            if (SUCCEEDED(status)) {
                status = SafeArrayPutElement(array, &i, &item); // copies
                VariantClear(&item);
            }
            if (FAILED(status)) {
                SafeArrayDestroy(array);
                return status;
            }
        }
        result.vt = VT_ARRAY | VT_VARIANT;
        result.parray = array;
    }
    return S_OK;
}

} // namespace cadhost
