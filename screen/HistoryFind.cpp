#include "screen/HistoryFind.h"

#include <algorithm>

#include "glyph/ShiftJis.h"

namespace {

std::size_t CharWidth(std::string_view text, std::size_t at) {
    return glyph::IsSjisLead(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether `needle` matches `line` at the character boundary `at`, character by character.
bool MatchesAt(std::string_view line, std::size_t at, std::string_view needle) {
    std::size_t i = at, j = 0;
    while (j < needle.size()) {
        if (i >= line.size()) return false;
        const std::size_t width = CharWidth(needle, j);
        if (CharWidth(line, i) != width) return false;
        if (width == 1) {
            if (Fold(line[i]) != Fold(needle[j])) return false;
        } else if (line[i] != needle[j] || line[i + 1] != needle[j + 1]) {
            return false;
        }
        i += width;
        j += width;
    }
    return true;
}

// How often a byte turns up in a console's text, roughly (a letter in either case): the byte of a search
// text that lines hold least often is the one the lines are scanned for.
int Commonness(char c) {
    static const unsigned char kLetters[26] = {82, 15, 28, 43, 127, 22, 20, 61, 70, 2,  8, 40, 24,
                                               67, 75, 19, 1,  60, 63,  91, 28, 10, 24, 2, 20, 1};
    const unsigned char b = static_cast<unsigned char>(c);
    if (b == ' ') return 180;
    if ((b | 0x20) >= 'a' && (b | 0x20) <= 'z') return kLetters[(b | 0x20) - 'a'];
    if (b >= '0' && b <= '9') return 30;
    if (b == '\\' || b == '.' || b == ':' || b == '-' || b == '_' || b == ',') return 25;
    if (b == 0x81 || b == 0x82 || b == 0x83) return 60;  // the lead bytes of symbols, hiragana, katakana
    return b < 0x20 ? 1 : 12;
}

// The byte of a search text that candidates are found by: where it lies in the text, and the bytes that
// match it in a line (both cases of a letter of a one-byte character; else the byte twice).
struct Probe {
    std::size_t offset;
    char a, b;
};

// How often each byte lies in some text, for choosing the probe: null, or 256 counts.
Probe ChooseProbe(std::string_view needle, const std::size_t* counts = nullptr) {
    Probe best{0, needle[0], needle[0]};
    std::size_t bestScore = ~std::size_t{0};
    for (std::size_t j = 0; j < needle.size();) {
        const std::size_t width = CharWidth(needle, j);
        for (std::size_t k = j; k < j + width; ++k) {
            // The text's own counts first (a letter in both cases), the rough table between equals.
            const unsigned char b = static_cast<unsigned char>(needle[k]);
            std::size_t seen = 0;
            if (counts != nullptr) {
                const unsigned char lower = static_cast<unsigned char>(Fold(needle[k]));
                const bool letter = width == 1 && lower >= 'a' && lower <= 'z';
                seen = letter ? counts[lower] + counts[lower - 'a' + 'A'] : counts[b];
            }
            const std::size_t score = seen * 256 + static_cast<std::size_t>(Commonness(needle[k]));
            if (score >= bestScore) continue;
            bestScore = score;
            const char c = needle[k], lower = Fold(c);
            const bool folds = width == 1 && lower >= 'a' && lower <= 'z';
            best = {k, folds ? lower : c, folds ? static_cast<char>(lower - 'a' + 'A') : c};
        }
        j += width;
    }
    return best;
}

// The first place in [from, end) of `p` holding `a` or `b`, else `end`. Blocks of 32 bytes are looked at
// whole, in a loop the compiler turns into vector instructions (the C runtime's memchr under Wine goes a
// byte at a time): a search runs over the whole scrollback, most of which holds no candidate.
std::size_t FindEither(const char* p, std::size_t from, std::size_t end, char a, char b) {
    constexpr std::size_t kBlock = 32;
    std::size_t i = from;
    for (; i + kBlock <= end; i += kBlock) {
        unsigned any = 0;
        for (std::size_t k = 0; k < kBlock; ++k) any |= static_cast<unsigned>((p[i + k] == a) | (p[i + k] == b));
        if (any != 0) break;
    }
    for (; i < end; ++i) {
        if (p[i] == a || p[i] == b) return i;
    }
    return end;
}

// Whether `at` starts a character, given that `known` (at or before it) does; moves `known` up to `at`
// or the character start just before it. A lead byte always takes the byte after it, and a byte that is
// no lead ends a character whatever it is, so a run of lead-valued bytes that follows one (or `known`)
// starts on a boundary, and `at` is one when an even number of them lies directly before it. Walked
// back at most to `known`: over a line, each byte is looked at about once.
bool OnBoundary(std::string_view line, std::size_t at, std::size_t& known) {
    std::size_t leads = 0;
    while (at - leads > known && glyph::IsSjisLead(static_cast<unsigned char>(line[at - leads - 1]))) ++leads;
    const bool on = leads % 2 == 0;
    known = on ? at : at - 1;
    return on;
}

// LineMatches with the probe worked out once for many lines.
bool Matches(std::string_view line, std::string_view needle, const Probe& probe) {
    if (needle.size() > line.size()) return false;
    const std::size_t end = line.size() - needle.size() + probe.offset + 1;  // past the last useful probe hit
    std::size_t known = 0;
    for (std::size_t hit = FindEither(line.data(), probe.offset, end, probe.a, probe.b); hit < end;
         hit = FindEither(line.data(), hit + 1, end, probe.a, probe.b)) {
        const std::size_t at = hit - probe.offset;
        if (OnBoundary(line, at, known) && MatchesAt(line, at, needle)) return true;
    }
    return false;
}

}  // namespace

std::vector<std::size_t> FindInLine(std::string_view line, std::string_view needle) {
    std::vector<std::size_t> starts;
    if (needle.empty()) return starts;
    std::size_t at = 0;
    while (at + needle.size() <= line.size()) {
        if (MatchesAt(line, at, needle)) {
            starts.push_back(at);
            // Past the match: the needle's own characters end on the line's boundaries.
            at += needle.size();
        } else {
            at += CharWidth(line, at);
        }
    }
    return starts;
}

bool LineMatches(std::string_view line, std::string_view needle) {
    return !needle.empty() && Matches(line, needle, ChooseProbe(needle));
}

std::vector<CharRange> MatchedChars(std::string_view line, std::string_view needle) {
    std::vector<CharRange> ranges;
    std::size_t at = 0;
    int chars = 0;
    for (const std::size_t start : FindInLine(line, needle)) {
        for (; at < start; ++chars) at += CharWidth(line, at);
        const int first = chars;
        for (; at < start + needle.size(); ++chars) at += CharWidth(line, at);
        ranges.push_back({first, chars});
    }
    return ranges;
}

std::vector<std::size_t> MatchingRows(const ScrollHistory& history, std::string_view needle) {
    std::vector<std::size_t> rows;
    if (needle.empty()) return rows;
    // The bytes of a sample of the scrollback (up to kSampleRows rows spread over it, the start of
    // each) are counted, so that the probe is the needle's rarest byte in this text, whatever it is.
    constexpr std::size_t kSampleRows = 512, kSampleBytes = 512;
    std::size_t counts[256] = {};
    const std::size_t step = history.RowCount() / kSampleRows + 1;
    for (std::size_t row = 0; row < history.RowCount(); row += step) {
        const std::string_view text = history.RowText(row).substr(0, kSampleBytes);
        for (const char c : text) ++counts[static_cast<unsigned char>(c)];
    }
    const Probe probe = ChooseProbe(needle, counts);
    for (std::size_t row = 0; row < history.RowCount(); ++row) {
        if (Matches(history.RowText(row), needle, probe)) rows.push_back(row);
    }
    return rows;
}

std::optional<std::size_t> NearestMatch(const std::vector<std::size_t>& rows, std::size_t from, bool older,
                                        bool inclusive) {
    if (older) {
        // The last matching row before `from` (or at it).
        auto it = inclusive ? std::upper_bound(rows.begin(), rows.end(), from)
                            : std::lower_bound(rows.begin(), rows.end(), from);
        if (it == rows.begin()) return std::nullopt;
        return static_cast<std::size_t>(it - rows.begin()) - 1;
    }
    auto it = inclusive ? std::lower_bound(rows.begin(), rows.end(), from)
                        : std::upper_bound(rows.begin(), rows.end(), from);
    if (it == rows.end()) return std::nullopt;
    return static_cast<std::size_t>(it - rows.begin());
}
