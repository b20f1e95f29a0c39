// File-name completion's logic (pure): the prompt's folder, the word before the caret, the folder to
// list, matching and order, and the box's text as Tab and Shift+Tab step through the matches.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/Completion.h"

namespace {

using Names = std::vector<std::string>;

std::string Folder(const std::string& line) {
    std::string folder = "(none)";
    return PromptFolder(line, folder) ? folder : "(none)";
}

std::string Listed(const std::string& prompt, const std::string& dir) {
    std::string folder;
    return ListedFolder(prompt, dir, folder) ? folder : "(none)";
}

// The box after a completion of `text` with the caret at `caret` and these matches, stepped `steps`
// times (negative: back) after the start; the caret is shown as '|'.
std::string Completed(const std::string& text, size_t caret, Names matches, int steps = 0, bool forward = true) {
    CompletionCycle cycle(text, FindWord(text, caret), std::move(matches), forward);
    for (int i = 0; i < (steps < 0 ? -steps : steps); ++i) cycle.Step(steps > 0);
    const BoxText box = cycle.Text();
    return box.text.substr(0, box.caret) + "|" + box.text.substr(box.caret);
}

TEST(CompletionTest, ThePromptsFolderIsAnAbsolutePathBeforeTheFinalGreaterThan) {
    EXPECT_EQ("C:\\users\\me", Folder("C:\\users\\me>"));
    EXPECT_EQ("C:\\", Folder("C:\\>"));
    EXPECT_EQ("Z:\\work", Folder("Z:\\work> "));        // a blank after it (prompt $p$g$s)
    EXPECT_EQ("C:\\\x95\x5C", Folder("C:\\\x95\x5C>"));  // 表 ends in 0x5C
    // No usable prompt: after `prompt $g`, a prompt without a drive or with more text, program output.
    for (const char* line : {">", "", "C:\\x", "C:x>", "\\\\server\\share>", "[C:\\x]>", "C:\\a>b>", "dir>x"}) {
        EXPECT_EQ("(none)", Folder(line)) << line;
    }
}

TEST(CompletionTest, TheWordStartsAfterTheLastUnquotedBlankOrAtAnOpenQuote) {
    CompletionWord w = FindWord("copy fi", 7);
    EXPECT_EQ(5u, w.start);
    EXPECT_EQ(7u, w.end);
    EXPECT_FALSE(w.bQuoted);
    EXPECT_EQ("", w.dir);
    EXPECT_EQ("fi", w.prefix);
    // Only the text before the caret counts; an empty word completes every name.
    w = FindWord("copy fi dest", 7);
    EXPECT_EQ("fi", w.prefix);
    EXPECT_EQ(7u, w.end);
    EXPECT_EQ("", FindWord("copy ", 5).prefix);
    // A blank inside an open quote belongs to the word, which starts at the quote; a closing quote just
    // after the caret is replaced with it.
    w = FindWord("type \"my fi", 11);
    EXPECT_EQ(5u, w.start);
    EXPECT_TRUE(w.bQuoted);
    EXPECT_EQ("my fi", w.prefix);
    EXPECT_EQ(12u, FindWord("type \"my fi\" x", 11).end);
    // Closed quotes inside the word: taken out of its path, and the word stays quoted.
    w = FindWord("cd \"my dir\"\\su", 14);
    EXPECT_EQ(3u, w.start);
    EXPECT_TRUE(w.bQuoted);
    EXPECT_EQ("my dir\\", w.dir);
    EXPECT_EQ("su", w.prefix);
    // Folder parts: relative, absolute, relative to a drive.
    w = FindWord("dir sub\\fi", 10);
    EXPECT_EQ("sub\\", w.dir);
    EXPECT_EQ("fi", w.prefix);
    w = FindWord("dir D:\\x\\fi", 11);
    EXPECT_EQ("D:\\x\\", w.dir);
    EXPECT_EQ("fi", w.prefix);
    w = FindWord("dir D:fi", 8);
    EXPECT_EQ("D:", w.dir);
    EXPECT_EQ("fi", w.prefix);
}

TEST(CompletionTest, AShiftJisTrailBackslashIsNoSeparatorAndTheCaretNeverSplitsACharacter) {
    // 表 (0x95 0x5C) and ソ (0x83 0x5C): the whole name is the prefix.
    CompletionWord w = FindWord("dir \x95\x5C\x83\x5C", 8);
    EXPECT_EQ("", w.dir);
    EXPECT_EQ("\x95\x5C\x83\x5C", w.prefix);
    w = FindWord("dir \x95\x5C\\\x83\x5C", 9);
    EXPECT_EQ("\x95\x5C\\", w.dir);
    EXPECT_EQ("\x83\x5C", w.prefix);
    // A caret between the lead and the trail byte stands before the character; past the end, at it.
    EXPECT_EQ("", FindWord("dir \x95\x5C", 5).prefix);
    EXPECT_EQ(4u, FindWord("dir \x95\x5C", 5).end);
    EXPECT_EQ("\x95\x5C", FindWord("dir \x95\x5C", 99).prefix);
}

TEST(CompletionTest, TheListedFolderJoinsTheWordsFolderToThePromptsOrStandsAlone) {
    EXPECT_EQ("C:\\users\\me\\", Listed("C:\\users\\me", ""));
    EXPECT_EQ("C:\\users\\me\\sub\\", Listed("C:\\users\\me", "sub\\"));
    EXPECT_EQ("C:\\sub\\", Listed("C:\\", "sub\\"));
    // The prompt's folder ends in 表, whose trail byte is 0x5C: a separator still goes between.
    EXPECT_EQ("C:\\\x95\x5C\\sub\\", Listed("C:\\\x95\x5C", "sub\\"));
    EXPECT_EQ("D:\\x\\", Listed("C:\\users\\me", "D:\\x\\"));
    EXPECT_EQ("\\\\srv\\share\\", Listed("C:\\users\\me", "\\\\srv\\share\\"));
    EXPECT_EQ("C:\\x\\", Listed("C:\\users\\me", "\\x\\"));
    EXPECT_EQ("C:\\users\\me\\sub\\", Listed("C:\\users\\me", "c:sub\\"));
    EXPECT_EQ("(none)", Listed("C:\\users\\me", "D:sub\\"));  // D:'s current folder is the interpreter's
}

TEST(CompletionTest, NamesMatchInEitherCaseOfAsciiOnlyAndSortSoToo) {
    EXPECT_TRUE(NameMatches("File.TXT", "fI"));
    EXPECT_TRUE(NameMatches("file", ""));
    EXPECT_FALSE(NameMatches("fi", "file"));
    EXPECT_FALSE(NameMatches(".", ""));
    EXPECT_FALSE(NameMatches("..", "."));
    EXPECT_FALSE(NameMatches("a?b", "a"));  // a character the code page could not give
    // ア is 0x83 0x41, ヂ 0x83 0x61: their trail bytes are letters in ASCII, and must not fold.
    EXPECT_FALSE(NameMatches("\x83\x61", "\x83\x41"));
    EXPECT_FALSE(NameMatches("\x83\x41x", "\x83\x61"));
    EXPECT_FALSE(NameMatches("\x83\x61", "a"));
    EXPECT_TRUE(NameMatches("\x83\x41x", "\x83\x41X"));

    Names names{"b.txt", "C", "A.txt", "a b.txt", "file", "File", "\x83\x61" "a", "\x83\x41" "z"};
    SortNames(names);
    EXPECT_EQ((Names{"a b.txt", "A.txt", "b.txt", "C", "File", "file", "\x83\x41" "z", "\x83\x61" "a"}), names);
    EXPECT_TRUE(NameLess("a", "B"));
    EXPECT_FALSE(NameLess("B", "a"));
}

TEST(CompletionTest, APathWithABlankOrAnInterpretedCharacterIsQuotedAndAQuotedWordStaysQuoted) {
    EXPECT_EQ("file.txt", CompletedWord("", "file.txt", false));
    EXPECT_EQ("sub\\file.txt", CompletedWord("sub\\", "file.txt", false));
    EXPECT_EQ("\"my file.txt\"", CompletedWord("", "my file.txt", false));
    EXPECT_EQ("\"my dir\\x\"", CompletedWord("my dir\\", "x", false));
    EXPECT_EQ("\"a&b\"", CompletedWord("", "a&b", false));
    EXPECT_EQ("\"x\"", CompletedWord("", "x", true));
    // タ is 0x83 0x5E: its trail byte is '^' in ASCII, and the name needs no quotes.
    EXPECT_EQ("\x83\x5E", CompletedWord("", "\x83\x5E", false));
}

TEST(CompletionTest, TabStepsThroughTheMatchesWrappingBothWaysAndTheRestOfTheLineStays) {
    const Names three{"file1", "file2", "file3"};
    EXPECT_EQ("copy file1| dest", Completed("copy fi dest", 7, three));
    EXPECT_EQ("copy file2| dest", Completed("copy fi dest", 7, three, 1));
    EXPECT_EQ("copy file1| dest", Completed("copy fi dest", 7, three, 3));   // past the last: the first
    EXPECT_EQ("copy file3| dest", Completed("copy fi dest", 7, three, -1));  // before the first: the last
    EXPECT_EQ("copy file3| dest", Completed("copy fi dest", 7, three, 0, false));  // Shift+Tab first
    EXPECT_EQ("copy file2| dest", Completed("copy fi dest", 7, three, -1, false));
    // Quotes: added for a name with a blank, kept when opened by the user, never doubled.
    EXPECT_EQ("type \"my file.txt\"|", Completed("type my", 7, {"my file.txt"}));
    EXPECT_EQ("type \"my file.txt\"|", Completed("type \"my f", 10, {"my file.txt"}));
    EXPECT_EQ("type \"my file.txt\"| x", Completed("type \"my f\" x", 10, {"my file.txt"}));
    EXPECT_EQ("cd \"my dir\\sub\"|", Completed("cd \"my dir\"\\s", 13, {"sub"}));
    // The folder part stays as typed.
    EXPECT_EQ("dir Sub\\File|", Completed("dir Sub\\f", 9, {"File"}));
    EXPECT_EQ("dir D:\\x\\file|", Completed("dir D:\\x\\f", 11, {"file"}));
    EXPECT_EQ("dir \x95\x5C\\\x83\x5C" "a|", Completed("dir \x95\x5C\\\x83\x5C", 9, {"\x83\x5C" "a"}));
    // Without matches nothing changes.
    EXPECT_EQ("copy fi| dest", Completed("copy fi dest", 7, {}));
}

}  // namespace
