#include "console/Completion.h"

#include <algorithm>
#include <utility>

#include "glyph/ShiftJis.h"

namespace {

// The width of the character at `i` of `text`: 2 for a lead byte with a byte after it, else 1 (a lead
// byte at the very end stands alone).
std::size_t Width(std::string_view text, std::size_t i) {
    return glyph::IsSjisLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether the last character of `text` is a one-byte `c`.
bool EndsWithChar(std::string_view text, char c) {
    std::size_t last = std::string_view::npos;
    for (std::size_t i = 0; i < text.size(); i += Width(text, i)) last = i;
    return last != std::string_view::npos && last + 1 == text.size() && text[last] == c;
}

// `text` with a separator after it unless it already ends in one.
std::string WithSeparator(std::string_view text) {
    std::string joined(text);
    if (!EndsWithChar(text, '\\')) joined += '\\';
    return joined;
}

// A drive letter and its colon at the start.
bool StartsWithDrive(std::string_view text) { return text.size() >= 2 && IsAsciiLetter(text[0]) && text[1] == ':'; }

// The text compared in the order of names: one-byte letters folded, two-byte characters as they are.
std::string SortKey(std::string_view name) {
    std::string key(name);
    for (std::size_t i = 0; i < key.size(); i += Width(name, i)) {
        if (Width(name, i) == 1) key[i] = Fold(key[i]);
    }
    return key;
}

}  // namespace

bool PromptFolder(std::string_view line, std::string& folder) {
    // A blank is never a trail byte (those are 0x40 and above), so the blanks can go before the walk.
    while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
    if (!EndsWithChar(line, '>')) return false;
    const std::string_view path = line.substr(0, line.size() - 1);
    if (path.size() < 3 || !StartsWithDrive(path) || path[2] != '\\') return false;
    for (std::size_t i = 0; i < path.size(); i += Width(path, i)) {
        if (Width(path, i) != 1) continue;
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (c < 0x20 || std::string_view("<>\"|*?").find(static_cast<char>(c)) != std::string_view::npos) {
            return false;
        }
    }
    folder.assign(path);
    return true;
}

CompletionWord FindWord(std::string_view text, std::size_t caret) {
    caret = glyph::SjisPrefixLength(text, caret);
    bool inQuote = false;
    std::size_t wordStart = 0, quoteAt = 0;
    for (std::size_t i = 0; i < caret; i += Width(text, i)) {
        if (Width(text, i) != 1) continue;
        if (text[i] == '"') {
            inQuote = !inQuote;
            if (inQuote) quoteAt = i;
        } else if (text[i] == ' ' && !inQuote) {
            wordStart = i + 1;
        }
    }
    CompletionWord word;
    word.start = inQuote ? quoteAt : wordStart;
    word.end = caret;
    // The closing quote the user already typed after the caret is the completion's own.
    if (inQuote && caret < text.size() && text[caret] == '"') word.end = caret + 1;

    std::string path;
    const std::string_view typed = text.substr(word.start, caret - word.start);
    for (std::size_t i = 0; i < typed.size(); i += Width(typed, i)) {
        if (Width(typed, i) == 1 && typed[i] == '"') {
            word.bQuoted = true;
        } else {
            path.append(typed.substr(i, Width(typed, i)));
        }
    }
    // The folder part ends after the last separator, or after a drive's colon ("D:name").
    std::size_t nameAt = StartsWithDrive(path) ? 2 : 0;
    for (std::size_t i = 0; i < path.size(); i += Width(path, i)) {
        if (Width(path, i) == 1 && path[i] == '\\') nameAt = i + 1;
    }
    word.dir = path.substr(0, nameAt);
    word.prefix = path.substr(nameAt);
    return word;
}

bool ListedFolder(std::string_view promptFolder, std::string_view dir, std::string& folder) {
    if (dir.empty()) {
        folder = WithSeparator(promptFolder);
    } else if (dir.size() >= 2 && dir[0] == '\\' && dir[1] == '\\') {
        folder.assign(dir);  // a share: \\server\share\...
    } else if (StartsWithDrive(dir)) {
        if (dir.size() >= 3 && dir[2] == '\\') {
            folder.assign(dir);
        } else if (StartsWithDrive(promptFolder) && Fold(dir[0]) == Fold(promptFolder[0])) {
            folder = WithSeparator(promptFolder) + std::string(dir.substr(2));
        } else {
            return false;  // relative to a current folder of another drive, which only the interpreter knows
        }
    } else if (dir[0] == '\\') {
        folder = std::string(promptFolder.substr(0, 2)) + std::string(dir);
    } else {
        folder = WithSeparator(promptFolder) + std::string(dir);
    }
    return true;
}

bool NameMatches(std::string_view name, std::string_view prefix) {
    if (name.empty() || name == "." || name == "..") return false;
    for (std::size_t i = 0; i < name.size(); i += Width(name, i)) {
        if (Width(name, i) == 1 && name[i] == '?') return false;
    }
    std::size_t i = 0, j = 0;
    while (j < prefix.size()) {
        if (i >= name.size()) return false;
        const std::size_t wn = Width(name, i), wp = Width(prefix, j);
        if (wn != wp) return false;
        if (wn == 1 ? Fold(name[i]) != Fold(prefix[j]) : name.compare(i, 2, prefix, j, 2) != 0) return false;
        i += wn;
        j += wp;
    }
    return true;
}

bool NameLess(std::string_view a, std::string_view b) {
    const int byKey = SortKey(a).compare(SortKey(b));
    return byKey != 0 ? byKey < 0 : a.compare(b) < 0;
}

void SortNames(std::vector<std::string>& names) {
    // Each name's key once, not once per comparison: a folder may give tens of thousands of matches.
    std::vector<std::pair<std::string, std::string>> keyed;
    keyed.reserve(names.size());
    for (std::string& name : names) {
        std::string key = SortKey(name);
        keyed.emplace_back(std::move(key), std::move(name));
    }
    std::sort(keyed.begin(), keyed.end());  // key first, then the name's bytes
    for (std::size_t i = 0; i < names.size(); ++i) names[i] = std::move(keyed[i].second);
}

std::string CompletedWord(std::string_view dir, std::string_view name, bool bQuoted) {
    std::string path = std::string(dir) + std::string(name);
    bool quote = bQuoted;
    // A blank splits the word; the others separate commands, escape, delimit or expand in the
    // interpreter's line unless quoted.
    const std::string_view special(" &()[]{}^=;!'+,`~");
    for (std::size_t i = 0; i < path.size() && !quote; i += Width(path, i)) {
        quote = Width(path, i) == 1 && special.find(path[i]) != std::string_view::npos;
    }
    return quote ? "\"" + path + "\"" : path;
}

std::size_t CharsToBytes(std::string_view text, std::size_t chars) {
    std::size_t i = 0;
    for (; i < text.size() && chars > 0; --chars) i += Width(text, i);
    return i;
}

std::size_t BytesToChars(std::string_view text, std::size_t bytes) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size() && i < bytes; i += Width(text, i)) ++chars;
    return chars;
}

CompletionCycle::CompletionCycle(std::string_view text, const CompletionWord& word, std::vector<std::string> matches,
                                 bool forward)
    : m_bQuoted(word.bQuoted), m_matches(std::move(matches)) {
    const std::size_t end = std::min(word.end, text.size());
    const std::size_t start = std::min(word.start, end);
    m_strHead = text.substr(0, start);
    m_strTyped = text.substr(start, end - start);
    m_strTail = text.substr(end);
    m_strDir = word.dir;
    m_nIndex = forward || m_matches.empty() ? 0 : m_matches.size() - 1;
}

void CompletionCycle::Step(bool forward) {
    const std::size_t n = m_matches.size();
    if (n == 0) return;
    m_nIndex = forward ? (m_nIndex + 1) % n : (m_nIndex + n - 1) % n;
}

BoxText CompletionCycle::Text() const {
    BoxText box;
    const std::string word = m_matches.empty() ? m_strTyped : CompletedWord(m_strDir, m_matches[m_nIndex], m_bQuoted);
    box.text = m_strHead + word + m_strTail;
    box.caret = m_strHead.size() + word.size();
    return box;
}
