// Walking Shift-JIS text into character codes.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "glyph/ShiftJis.h"

using namespace glyph;

namespace {

// The codes of a text, read from an exact-size copy so that a read past the NUL is caught by the
// sanitizer.
std::vector<unsigned> Codes(const char* text)
{
    std::vector<char> copy(text, text + std::strlen(text) + 1);
    std::vector<unsigned> codes;
    for (const char* p = copy.data(); *p != '\0';) {
        unsigned code;
        const char* next = NextSjisChar(p, &code);
        EXPECT_GT(next, p);
        EXPECT_LE(next, copy.data() + copy.size() - 1) << "walked past the terminator";
        codes.push_back(code);
        p = next;
    }
    EXPECT_EQ(CountSjisChars(copy.data()), static_cast<int>(codes.size()));
    return codes;
}

}  // namespace

TEST(ShiftJis, OneAndTwoByteCharacters)
{
    EXPECT_EQ(Codes("dir"), (std::vector<unsigned>{'d', 'i', 'r'}));
    // Hiragana a and i.
    EXPECT_EQ(Codes("\x82\xA0\x82\xA2"), (std::vector<unsigned>{0x82A0, 0x82A2}));
    // Half-width katakana are single bytes; a trail byte may have any value, even a lead byte's.
    EXPECT_EQ(Codes("\xB1\x81\x81" "a"), (std::vector<unsigned>{0xB1, 0x8181, 'a'}));
    EXPECT_EQ(Codes("\r\t"), (std::vector<unsigned>{'\r', '\t'}));
    EXPECT_EQ(CountSjisChars(""), 0);
    EXPECT_EQ(CountSjisChars(nullptr), 0);
}

TEST(ShiftJis, LeadByteRanges)
{
    for (int b = 1; b < 256; ++b) {
        const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        EXPECT_EQ(IsSjisLead(static_cast<unsigned char>(b)), lead) << b;
        const char text[] = {static_cast<char>(b), 'x', 'y', '\0'};
        EXPECT_EQ(CountSjisChars(text), lead ? 2 : 3) << b;
    }
}

TEST(ShiftJis, LeadByteBeforeTheTerminatorIsOneCharacter)
{
    EXPECT_EQ(Codes("a\x82"), (std::vector<unsigned>{'a', 0x8200}));
    EXPECT_EQ(Codes("\xE0"), (std::vector<unsigned>{0xE000}));
    // The walk stops at the NUL: bytes after it are not part of the text.
    const char text[] = {'\x82', '\0', 'z', 'z', '\0'};
    EXPECT_EQ(CountSjisChars(text), 1);
    unsigned code;
    EXPECT_EQ(NextSjisChar(text, &code), text + 1);
    EXPECT_EQ(code, 0x8200u);
}
