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

// A character may be encoded only in its shortest form: a longer one ("\xC0\x8A" for a line feed)
// would smuggle a control character or a separator past a check on the UTF-8 text.
TEST(Cp1251, OverlongAndOutOfRangeSequencesAreInvalid)
{
    const struct {
        const char* label;
        const char* utf8;
        const char* cp1251;
    } rows[] = {
        {"overlong line feed", "\xC0\x8A", "??"},
        {"overlong equals sign",
         "a\xC1\xBD"
         "b",
         "a??b"},
        {"overlong in three bytes", "\xE0\x80\xBD", "???"},
        {"overlong Cyrillic in three bytes", "\xE0\x90\x90", "???"},
        {"overlong in four bytes", "\xF0\x80\x80\xBD", "????"},
        {"surrogate half", "\xED\xA0\x80", "???"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", "????"},
        {"five-byte lead", "\xF8\x88\x80\x80\x80", "?????"},
        {"shortest forms pass", "\x0A=\xD0\x90\xE2\x82\xAC", "\x0A=\xC0\x88"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(utf8ToCp1251(row.utf8), row.cp1251);
    }
}
