#pragma once
// The program's Variant to and from a COM VARIANT.

#include "cad/automation.h"
#include "cad/com/com_apartment.h"
#include "cad/com/com_handles.h"

#include <memory>

// An argument for Invoke: empty is an omitted optional argument (VT_ERROR, DISP_E_PARAMNOTFOUND),
// a 16-bit integer VT_I2, a point or an array of doubles a SAFEARRAY of VT_R8, an object its
// IDispatch, an array of objects a SAFEARRAY of VT_VARIANT each holding an IDispatch, an array of
// 16-bit integers a SAFEARRAY of VT_I2. Throws EOleError for an object of another transport.
[[nodiscard]] VariantValue toComVariant(const Variant& value);

// A result or value from the host. A VT_I2 stays a 16-bit integer, integers of other widths
// become 32-bit integers when they fit (doubles otherwise); a point comes as an array of three
// doubles or of three numeric VARIANTs with any lower bound; an array of objects as VARIANTs
// holding IDispatch or as IDispatch (an array of VARIANTs that are all numbers is a point); an
// array of VT_I2 as 16-bit integers, of another integer type as values. Throws EOleSysError
// (DISP_E_TYPEMISMATCH) for any other kind of value.
[[nodiscard]] Variant fromComVariant(const VARIANT& value,
                                     const std::shared_ptr<ComApartment>& apartment);
