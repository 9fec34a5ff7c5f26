// Bytes through both code page conversions: every Windows-1251 byte survives the round trip,
// and a UTF-8 text converts without '?' only when it comes back unchanged (no overlong or other
// invalid sequence may pass as a character).
#include "model/cp1251.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const std::string utf8 = cp1251ToUtf8(bytes);
    if (utf8ToCp1251(utf8) != bytes) {
        std::abort();
    }

    const std::string cp1251 = utf8ToCp1251(bytes);
    if (cp1251.size() > bytes.size()) {
        std::abort();
    }
    if (cp1251.find('?') == std::string::npos && cp1251ToUtf8(cp1251) != bytes) {
        std::abort();
    }
    // What came out once converts to itself.
    if (utf8ToCp1251(cp1251ToUtf8(cp1251)) != cp1251) {
        std::abort();
    }
    return 0;
}
