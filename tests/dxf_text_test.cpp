#include "drawing/files/dxf_text.h"

#include <gtest/gtest.h>

TEST(DxfText, Windows1251WithEscapesForTheRest)
{
    const struct {
        const char* label;
        std::string text;
        std::string bytes;
    } rows[] = {
        {"ASCII", "Layer_1", "Layer_1"},
        {"Cyrillic and №", "Ось №1",
         "\xCE\xF1\xFC \xB9"
         "1"},
        {"outside the code page", "a✓b", "a\\U+2713b"},
        {"beyond U+FFFF", "a😀", "a?"},
        {"broken UTF-8", std::string("a\xD0") + "b\xFF", "a?b?"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(drawing::dxfText(row.text), row.bytes);
    }
}
