#pragma once
// Profile (INI) files with the behaviour of the Windows profile-string functions, for systems that
// lack them: sections and keys matched ignoring case, names and values stored in Windows-1251,
// one call per value, the file created by the first write and its other lines kept.
// All texts in and out are UTF-8.

#include <string>
#include <string_view>

// Longest value returned; longer values are cut (the 2048-byte buffer of the Windows call).
inline constexpr std::size_t profileValueLimit = 2047;

// The value of key in section, trimmed of blanks; the default when the file, the section or the
// key is missing. An existing key with an empty value gives the empty text.
[[nodiscard]] std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                                  std::string_view defaultValue,
                                                  const std::string& file);

// An integer value: decimal, or hexadecimal after 0x/0X, with an optional sign; the default for a
// missing key, an empty value or a text that does not convert.
[[nodiscard]] int GetPrivateProfileInt(std::string_view section, std::string_view key,
                                       int defaultValue, const std::string& file);

// Sets key in section, adding the section and the key when missing. False when the file cannot
// be written; the file is then left as it was (the new content goes to a temporary file in the
// same folder first, renamed over the old one once complete). A file that exists but cannot be
// read is not written either.
[[nodiscard]] bool WritePrivateProfileString(std::string_view section, std::string_view key,
                                             std::string_view value, const std::string& file);
