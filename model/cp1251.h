#pragma once
// Windows-1251 <-> UTF-8. Every file of the program is Windows-1251; inside, texts are UTF-8.

#include <string>
#include <string_view>

// Byte 0x98, the one code point Windows-1251 leaves undefined, becomes U+0098 so that every byte
// survives a round trip.
[[nodiscard]] std::string cp1251ToUtf8(std::string_view bytes);

// A character outside Windows-1251 becomes '?', as the system's own conversion to the ANSI code
// page does; so does each byte of a broken UTF-8 sequence, an overlong form included.
[[nodiscard]] std::string utf8ToCp1251(std::string_view text);
