#pragma once
// COM's values in plain C++ terms, shared by the program's COM transport and the COM stand-in
// host, so that both read numbers, points and texts of VARIANTs alike.

#include "cad/com/com_handles.h"

#include <optional>
#include <string_view>
#include <vector>

#include <oaidl.h>

// A whole number of any COM integer type except VT_UI8 (which may not fit); nothing otherwise.
[[nodiscard]] std::optional<long long> integerOf(const VARIANT& value);

// A number of any numeric COM type as a double; nothing otherwise.
[[nodiscard]] std::optional<double> numberOf(const VARIANT& value);

// The numbers of a one-dimensional array of VT_R8 or of numeric VT_VARIANTs, with any lower
// bound; nothing for any other array or an element that is no number.
[[nodiscard]] std::optional<std::vector<double>> numbersOf(const VARIANT& array);

// The numbers of a one-dimensional array of any COM integer type but VT_UI8, with any lower bound;
// nothing for any other array.
[[nodiscard]] std::optional<std::vector<long long>> integersOf(const VARIANT& array);

// Makes result an array of VT_R8 (or of VT_VARIANT holding VT_R8 when asVariants is set) from
// lower bound 0; a failure status when memory runs out.
HRESULT setNumberArray(const std::vector<double>& numbers, bool asVariants, VARIANT& result);

// Makes result an array of VT_I2 from lower bound 0 (extended data's type codes); a failure status
// when memory runs out.
HRESULT setShortArray(const std::vector<SHORT>& numbers, VARIANT& result);

// The objects of a one-dimensional array of VT_DISPATCH, VT_UNKNOWN or of VT_VARIANTs each
// holding one, with any lower bound; each asked for IDispatch, a null one kept as null. Nothing
// for any other array or an element that is no object.
[[nodiscard]] std::optional<std::vector<ComPtr<IDispatch>>> dispatchesOf(const VARIANT& array);

// Makes result an array of VT_VARIANT each holding a VT_DISPATCH (or of VT_DISPATCH when
// asVariants is not set) from lower bound 0; the array holds a reference of its own to each
// object. A failure status when memory runs out.
HRESULT setDispatchArray(const std::vector<IDispatch*>& objects, bool asVariants, VARIANT& result);

// A new BSTR of the UTF-8 text, owned by the caller; null when memory runs out.
[[nodiscard]] BSTR bstrOf(std::string_view text);
