#pragma once
// COM failure statuses turned into the three automation failure kinds.

#include <oaidl.h>

#include <string>
#include <string_view>

// EOleSysError carrying status; step names what failed (a COM function or a member).
[[noreturn]] void throwSysError(std::string_view step, HRESULT status);

// The failure of a name look-up: DISP_E_UNKNOWNNAME is EOleError, any other status EOleSysError.
[[noreturn]] void throwNameLookupError(std::string_view member, HRESULT status);

// The failure of an Invoke: DISP_E_EXCEPTION is EOleException with the fields of exception,
// any other status EOleSysError. The caller has already run a deferred fill-in if it may.
[[noreturn]] void throwInvokeError(std::string_view member, HRESULT status,
                                   const EXCEPINFO& exception);

// "0x800706BE": the status as COM tools print it.
[[nodiscard]] std::string statusText(HRESULT status);
