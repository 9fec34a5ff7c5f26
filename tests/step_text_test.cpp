#include "drawing/files/step_text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

TEST(StepText, StringsInPart21EncodingWithEveryByteAscii)
{
    // Cyrillic runs; the apostrophe; the backslash; controls, euro, beyond U+FFFF; broken UTF-8.
    const std::pair<std::string, std::string> written[] = {
        {"Шпилька_M12", "\\X2\\0428043F0438043B044C043A0430\\X0\\_M12"},
        {"x');/*", "x\\X2\\0027\\X0\\);/*"},
        {"a\\b", "a\\\\b"},
        {"\t€😀", "\\X2\\000920ACD83DDE00\\X0\\"},
        {std::string("a\xD0") + "b", "a\\X2\\FFFD\\X0\\b"},
    };
    for (const auto& [text, step] : written) {
        EXPECT_EQ(drawing::stepString(text), step) << text;
    }
}

TEST(StepText, TheLibrarysStringsAreWrittenAgainWhereverItWrapsThem)
{
    // Doubled apostrophes and backslashes, \N\ for a line feed, and line breaks where the writer
    // wraps a long string, also between the two apostrophes of a pair.
    EXPECT_EQ(drawing::withStepStrings("#7 = PRODUCT('it''s','a\\\\b\\N\\c',\n"
                                       "  'wra\npped''\n'' end',$);\n#8 = X('');\n"),
              "#7 = PRODUCT('it\\X2\\0027\\X0\\s','a\\\\b\\X2\\000A\\X0\\c',\n"
              "  'wrapped\\X2\\00270027\\X0\\ end',$);\n#8 = X('');\n");
}
