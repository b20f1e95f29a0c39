// Walking Shift-JIS text into character codes.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "glyph/ShiftJis.h"

using namespace glyph;

// The codes of a text, walked in an exact-size copy so that the sanitizers catch a read past the NUL.
static std::vector<unsigned> Codes(const char* text)
{
    std::vector<char> copy(text, text + std::strlen(text) + 1);
    std::vector<unsigned> codes;
    for (const char* p = copy.data(); *p != '\0';) {
        unsigned code;
        p = NextSjisChar(p, &code);
        codes.push_back(code);
    }
    EXPECT_EQ(CountSjisChars(copy.data()), int(codes.size()));
    return codes;
}

TEST(ShiftJis, CharacterCodes)
{
    EXPECT_EQ(Codes("dir\r"), (std::vector<unsigned>{'d', 'i', 'r', '\r'}));
    EXPECT_EQ(Codes("\x82\xA0\x82\xA2"), (std::vector<unsigned>{0x82A0, 0x82A2}));  // hiragana a, i
    // Half-width katakana are one byte; a trail byte may have any value, a lead byte's too.
    EXPECT_EQ(Codes("\xB1\x81\x81" "a"), (std::vector<unsigned>{0xB1, 0x8181, 'a'}));
    // A lead byte before the terminator is one character of its own, and the walk stops at the NUL.
    EXPECT_EQ(Codes("a\x82"), (std::vector<unsigned>{'a', 0x8200}));
    const char text[] = {'\x82', '\0', 'z', '\0'};
    EXPECT_EQ(CountSjisChars(text), 1);
    EXPECT_EQ(CountSjisChars(""), 0);
    EXPECT_EQ(CountSjisChars(nullptr), 0);
}

TEST(ShiftJis, LeadByteRanges)
{
    for (int b = 1; b < 256; ++b) {
        const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        const char text[] = {char(b), 'x', 'y', '\0'};
        EXPECT_EQ(CountSjisChars(text), lead ? 2 : 3) << b;
    }
}
