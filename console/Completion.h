#pragma once
// File-name completion in the command entry box: everything but the listing of a folder. No Win32
// here: the entry box and its lister (CompletionLister) call these.
//
// Texts are Shift-JIS bytes, walked a character at a time: a backslash, quote or blank that is the
// trail byte of a two-byte character (表 is 0x95 0x5C) is part of that character, never a separator.
// Letters fold case in ASCII only; two-byte characters compare as they are.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The folder of the interpreter's last prompt: the text before the '>' that ends `line` (blanks after
// it allowed), when that text is an absolute path with a drive ("C:\users\me>" gives "C:\users\me").
// False for anything else: no '>' at the end, a bare ">" (after `prompt $g`), a path without a drive,
// a path holding a character no folder name can hold.
bool PromptFolder(std::string_view line, std::string& folder);

// The word that Tab completes: what stands before the caret after the last blank outside quotes, or
// from an opening quote that is still open.
struct CompletionWord {
    std::size_t start = 0;  // where the word begins in the box's text (at its opening quote, if any)
    std::size_t end = 0;    // where the part it replaces ends: the caret, or past a closing quote at it
    bool bQuoted = false;   // the word holds a quote: its completions are quoted whatever they hold
    std::string dir;        // the folder part as typed, quotes taken out, ending in its separator
    std::string prefix;     // the start of the name after it
};
// `caret` is a byte offset into `text`; past the end it means the end, inside a two-byte character the
// start of that character.
CompletionWord FindWord(std::string_view text, std::size_t caret);

// The folder to list for a word's folder part, ending in a separator: `dir` relative to the prompt's
// folder, or absolute ("D:\x\", "\\server\share\"), or rooted on the prompt's drive ("\x\"). False
// for a folder relative to another drive's current folder ("D:x\"), which the interpreter alone knows.
bool ListedFolder(std::string_view promptFolder, std::string_view dir, std::string& folder);

// Whether the folder entry `name` completes `prefix`: it starts with it, letters in either case. "."
// and ".." never do, nor a name holding '?' (a character the code page cannot show, in which the name
// would not find the file again).
bool NameMatches(std::string_view name, std::string_view prefix);

// Alphabetical, letters in either case; names equal but for case in byte order, so the order is total.
bool NameLess(std::string_view a, std::string_view b);
void SortNames(std::vector<std::string>& names);

// The word as completed with `name`: the folder part and the name, in quotes when the word held one or
// when the path holds a blank or a character the interpreter would split or interpret there.
std::string CompletedWord(std::string_view dir, std::string_view name, bool bQuoted);

// Positions in a text as characters and as bytes: an edit control may count either (its text kept in
// the code page, or in UTF-16, where each Shift-JIS character is one unit). Past the end means the end.
std::size_t CharsToBytes(std::string_view text, std::size_t chars);
std::size_t BytesToChars(std::string_view text, std::size_t bytes);

// The box's text with a completion in it, and the caret (a byte offset) at the completion's end.
struct BoxText {
    std::string text;
    std::size_t caret = 0;
};

// A completion under way: the matches of one word, in order, and the one the box shows. Tab steps
// forward, Shift+Tab back, both wrapping; an edit of the box ends it (the box's business).
class CompletionCycle {
public:
    // Starts on `text` and its `word` with `matches` (sorted): the first match when `forward`, else the
    // last. Without matches the text stays as it was.
    CompletionCycle(std::string_view text, const CompletionWord& word, std::vector<std::string> matches,
                    bool forward);
    void Step(bool forward);
    BoxText Text() const;
    std::size_t Index() const { return m_nIndex; }

private:
    std::string m_strHead;  // the box's text before the word
    std::string m_strTail;  // the box's text after the replaced part
    std::string m_strTyped;  // the replaced part as it was
    std::string m_strDir;
    bool m_bQuoted;
    std::vector<std::string> m_matches;
    std::size_t m_nIndex = 0;
};
