// The drive-check decision and the drive message; pure, runs natively and under Wine.
#include <gtest/gtest.h>

#include <string>

#include "console/DriveCheck.h"

TEST(DriveToTest, LetterBeforeTheFirstColonIsTestedInUpperCase) {
    EXPECT_EQ('A', DriveToTest("a:\r\n"));
    EXPECT_EQ('C', DriveToTest("C:"));
    EXPECT_EQ('A', DriveToTest("dir a:"));
    EXPECT_EQ('D', DriveToTest("copy x.txt d:\\tmp"));
    EXPECT_EQ('E', DriveToTest("echo note:1"));  // the e before the colon
    EXPECT_EQ('P', DriveToTest("set v=p:x"));
    EXPECT_EQ('B', DriveToTest("ab:c"));
    EXPECT_EQ('X', DriveToTest("x::"));
    // Only the first colon counts: a later one after a letter does not rescue or replace it.
    EXPECT_EQ('Q', DriveToTest("q:z:"));
    EXPECT_EQ(0, DriveToTest("1:a:"));
}

TEST(DriveToTest, NoTestWithoutALetterRightBeforeTheFirstColon) {
    EXPECT_EQ(0, DriveToTest(":x"));  // colon first
    EXPECT_EQ(0, DriveToTest("1:"));
    EXPECT_EQ(0, DriveToTest("dir"));
    EXPECT_EQ(0, DriveToTest(""));
    EXPECT_EQ(0, DriveToTest(nullptr));
    EXPECT_EQ(0, DriveToTest("cd \\:"));
    EXPECT_EQ(0, DriveToTest("a :"));
}

TEST(DriveToTest, OnlyAsciiLettersCountAtTheRangeEdges) {
    EXPECT_EQ(0, DriveToTest("@:"));  // 0x40, right below 'A'
    EXPECT_EQ(0, DriveToTest("[:"));  // 0x5B, right above 'Z'
    EXPECT_EQ(0, DriveToTest("`:"));  // 0x60, right below 'a'
    EXPECT_EQ(0, DriveToTest("{:"));  // 0x7B, right above 'z'
    EXPECT_EQ('A', DriveToTest("A:"));
    EXPECT_EQ('Z', DriveToTest("Z:"));
    EXPECT_EQ('A', DriveToTest("a:"));
    EXPECT_EQ('Z', DriveToTest("z:"));
    EXPECT_EQ(0, DriveToTest("\xC1:"));  // a letter in Latin-1, not in ASCII
    EXPECT_EQ(0, DriveToTest("\xE1:"));
    EXPECT_EQ(0, DriveToTest("\xFF:"));
}

TEST(DriveToTest, LooksAtBytesNotShiftJisCharacters) {
    // "ア" is 0x83 0x41: its trail byte is 'A', so the colon after it tests drive A.
    EXPECT_EQ('A', DriveToTest("echo \x83\x41:"));
    // "ぁ" is 0x82 0x9F: the trail byte is no ASCII letter.
    EXPECT_EQ(0, DriveToTest("echo \x82\x9F:"));
    // A lead byte alone before the colon is no letter either.
    EXPECT_EQ(0, DriveToTest("\x83:"));
}

TEST(DriveToTest, LengthOfTheLinePlaysNoPart) {
    std::string line(100000, 'y');
    line += "q:";
    line += std::string(5000, 'z');
    EXPECT_EQ('Q', DriveToTest(line.c_str()));
    line[100000] = '9';
    EXPECT_EQ(0, DriveToTest(line.c_str()));
}

TEST(DriveMessage, LetterTakesThePlaceOfTheDirectiveInTheShiftJisText) {
    // "Aドライブは無効です! " in Shift-JIS: one blank after the exclamation mark.
    const std::string expected =
        "A\x83h\x83\x89\x83"
        "C\x83u\x82\xCD\x96\xB3\x8C\xF8\x82\xC5\x82\xB7! ";
    EXPECT_EQ(expected, DriveInvalidMessage('A'));
    std::string forP = expected;
    forP[0] = 'P';
    EXPECT_EQ(forP, DriveInvalidMessage('P'));
}

TEST(DriveMessage, FormatReplacesOnlyItsDirectives) {
    EXPECT_EQ("Q", FormatDriveMessage("%C", 'Q'));
    EXPECT_EQ("100% Q Q", FormatDriveMessage("100%% %C %C", 'Q'));
    // A 'C' without '%' stays, also as a Shift-JIS trail byte ("イ" is 0x83 0x43).
    EXPECT_EQ("C\x83" "C", FormatDriveMessage("C\x83" "C", 'Q'));
    EXPECT_EQ("%c %", FormatDriveMessage("%c %", 'Q'));
    EXPECT_EQ("", FormatDriveMessage("", 'Q'));
    EXPECT_EQ("", FormatDriveMessage(nullptr, 'Q'));
}
