#include "model/cp1251.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

TEST(Cp1251, CyrillicAndAsciiBothWays)
{
    const struct {
        const char* bytes;
        const char* utf8;
    } rows[] = {
        {"ABC 12.5", "ABC 12.5"},
        {"\xD8\xEF\xE8\xEB\xFC\xEA\xE0", "Шпилька"},
        {"\xC3\xCE\xD1\xD2", "ГОСТ"},
        {"\xCF\xEE\xEB\xED\xE0\xFF", "Полная"},
        {"\xA8\xB8", "Ёё"},
        {"\xB9", "№"},
        {"\x88", "€"},
        {"\xC0\xFF", "Ая"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.utf8);
        EXPECT_EQ(cp1251ToUtf8(row.bytes), row.utf8);
        EXPECT_EQ(utf8ToCp1251(row.utf8), row.bytes);
    }
}

TEST(Cp1251, EveryByteSurvivesARoundTrip)
{
    for (int byte = 1; byte < 256; ++byte) {
        const std::string one(1, static_cast<char>(byte));
        SCOPED_TRACE(byte);
        EXPECT_EQ(utf8ToCp1251(cp1251ToUtf8(one)), one);
    }
}

TEST(Cp1251, UpperHalfMapsToDistinctCodePoints)
{
    std::set<std::string> seen;
    for (int byte = 0x80; byte < 256; ++byte) {
        seen.insert(cp1251ToUtf8(std::string(1, static_cast<char>(byte))));
    }
    EXPECT_EQ(seen.size(), 128u);
}

TEST(Cp1251, UndefinedByteAndUnmappableCharacters)
{
    EXPECT_EQ(cp1251ToUtf8("\x98"), "\xC2\x98"); // U+0098 keeps the byte
    EXPECT_EQ(utf8ToCp1251("Ω"), "?");
    EXPECT_EQ(utf8ToCp1251("a\xFF"), "a?"); // broken UTF-8
    EXPECT_EQ(utf8ToCp1251("\xD0"), "?");   // cut sequence
    EXPECT_EQ(utf8ToCp1251("😀x"), "?x");
}
