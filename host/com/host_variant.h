#pragma once
// The stand-in host's values to and from COM VARIANTs, on the server's side.

#include "host/objects/host_value.h"

#include <oaidl.h>

#include <string>

namespace cadhost {

class ComHost;

// An argument as the object model takes it: an omitted optional argument (VT_ERROR with
// DISP_E_PARAMNOTFOUND) or VT_EMPTY is empty; VT_I2 a 16-bit integer, integers of other widths that
// fit are 32-bit integers; an array of numbers is an array of doubles (a point when it has three);
// one of this host's objects is its path, and an array of them (of IDispatch, or of VARIANTs
// holding one) the array of their paths. Anything else arrives as Unsupported, which the model
// refuses with a type mismatch.
HostValue fromVariant(const VARIANT& value);

// A result for the caller. Points go as an array of VT_R8, or of VT_VARIANT when
// variantPoints is set (some hosts do that); objects as a new IDispatch of this host; arrays of
// objects as an array of VARIANTs holding IDispatch (of IDispatch when dispatchArrays is set).
// Returns a failure status when memory runs out.
HRESULT toVariant(const HostValue& value, ComHost& host, VARIANT& result);

} // namespace cadhost
