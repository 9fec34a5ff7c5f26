#include "cad/com/com_error.h"

#include "cad/automation.h"
#include "cad/com/wide_text.h"

#include <winerror.h>

#include <array>

std::string statusText(HRESULT status)
{
    constexpr char digits[] = "0123456789ABCDEF";
    auto bits = static_cast<unsigned long>(status);
    std::array<char, 8> hex{};
    for (auto it = hex.rbegin(); it != hex.rend(); ++it) {
        *it = digits[bits & 0xF];
        bits >>= 4;
    }
    return "0x" + std::string(hex.data(), hex.size());
}

void throwSysError(std::string_view step, HRESULT status)
{
    throw EOleSysError(std::string(step) + " failed with " + statusText(status),
                       static_cast<std::int32_t>(status));
}

void throwNameLookupError(std::string_view member, HRESULT status)
{
    if (status == DISP_E_UNKNOWNNAME) {
        throw EOleError("Unknown name: " + std::string(member));
    }
    throwSysError(member, status);
}

void throwInvokeError(std::string_view member, HRESULT status, const EXCEPINFO& exception)
{
    if (status != DISP_E_EXCEPTION) {
        throwSysError(member, status);
    }
    // A server reports its own code either as an SCODE or as a 16-bit wCode.
    HRESULT code = exception.scode;
    if (code == S_OK && exception.wCode != 0) {
        code = static_cast<HRESULT>(exception.wCode);
    }
    if (code == S_OK) {
        code = DISP_E_EXCEPTION;
    }
    throw EOleException(fromBstr(exception.bstrDescription), fromBstr(exception.bstrSource),
                        fromBstr(exception.bstrHelpFile),
                        static_cast<std::int32_t>(exception.dwHelpContext),
                        static_cast<std::int32_t>(code));
}
