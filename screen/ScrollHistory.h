#pragma once
// The screen's scrollback: the text of the lines it has shown, older than and including the 30 it draws,
// and a view that can be moved back through them. No Win32 here: the screen calls it under its lock; it
// is not thread-safe on its own.
//
// The history mirrors the screen's store call for call: every text the store appends to its current line
// goes to Append, every end of a line to NewLine. Its rows then follow the store's records exactly, so at
// the end of the history the last 30 rows are the texts of the 30 records:
//  - the current (unfinished) line is the newest row, and grows with each Append;
//  - while fewer than 30 lines have ended, the current line is a row even when it is empty (the store
//    draws it as an empty row); after that an empty current line is no row, and ending it adds nothing
//    (once full, the store scrolls only for text, so a line that ends empty never shows there either).
//
// Bounds: at most `maxLines` rows and `maxBytes` bytes of text; the oldest rows go first. A row keeps at
// most `lineCap` bytes, cut at a Shift-JIS character boundary, so one huge line cannot push out the rest
// and costs no more than its first `lineCap` bytes (the rest of it is dropped as it arrives, without being
// copied or scanned). The byte count is exact: each completed row's text is held in an allocation of its
// own size; the current row is counted by its length.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class ScrollHistory {
public:
    // Opaque to the history: the screen maps it to the font a line was stored in.
    using FontTag = std::uintptr_t;

    static constexpr int kViewLines = 30;              // rows in a view, as the screen draws them
    static constexpr int kPageLines = kViewLines - 1;  // a page keeps one row of the last in sight
    static constexpr std::size_t kDefaultMaxLines = 10000;
    static constexpr std::size_t kDefaultMaxBytes = 8u << 20;  // 8 MiB
    // Far wider than a window shows (a screen row is about 80 characters). With 8 MiB, 2,048 rows at the
    // cap still fit, and 10,000 rows whenever they average up to 838 bytes.
    static constexpr std::size_t kDefaultLineCap = 4096;

    struct ViewLine {
        std::string text;
        FontTag font;
        std::uint64_t number;  // the row's number: 0 for the first row ever added, never reused
    };

    // `maxLines` is taken as at least 1, `lineCap` as at least 2 (one two-byte character) and `maxBytes`
    // as at least `lineCap`; neither lines nor the cap above 2^30.
    explicit ScrollHistory(std::size_t maxLines = kDefaultMaxLines, std::size_t maxBytes = kDefaultMaxBytes,
                           std::size_t lineCap = kDefaultLineCap);

    // Appends `text` to the current line, which is now stored in `font`. An empty text changes nothing.
    void Append(std::string_view text, FontTag font);
    // Ends the current line.
    void NewLine();

    // Rows held, oldest first (index 0), the current line last when it is a row.
    std::size_t RowCount() const { return m_rows.size() + (m_bOpenRow ? 1 : 0); }
    std::string_view RowText(std::size_t index) const;
    FontTag RowFont(std::size_t index) const;
    std::uint64_t RowNumber(std::size_t index) const { return m_firstNumber + index; }
    // Bytes of text held, current line included.
    std::size_t Bytes() const { return m_nBytes; }
    std::size_t MaxLines() const { return m_maxLines; }
    std::size_t MaxBytes() const { return m_maxBytes; }
    std::size_t LineCap() const { return m_lineCap; }

    // The view: its newest row lies Offset() rows before the newest row (0: at the end, following the
    // output). While the view is back, new rows do not move it (the offset grows with each); it moves only
    // when its rows drop out of the bounds, and then no further than the oldest rows left.
    int Offset() const { return m_nOffset; }
    bool IsAtEnd() const { return m_nOffset == 0; }
    // Rows below the view: what the screen shows as not at the end.
    int LinesBelow() const { return m_nOffset; }
    // The largest offset: the oldest row at the top of a full view.
    int MaxOffset() const;
    // Moves the view `lines` rows back (older; negative: forward), kept within [0, MaxOffset()].
    void ScrollBack(long long lines);
    void ScrollToOldest() { m_nOffset = MaxOffset(); }
    void ScrollToNewest() { m_nOffset = 0; }

    // The rows in view, oldest first: kViewLines of them, fewer only while fewer rows are held.
    std::vector<ViewLine> ViewLines() const;
    // The text of the rows in view, oldest first, "\r\n" between rows (none after the last).
    std::string CopyText() const;

private:
    struct Row {
        std::unique_ptr<char[]> text;
        std::uint32_t size;
        FontTag font;
    };
    // The index of the oldest row in view, and how many rows the view holds.
    std::size_t ViewFirst() const;
    std::size_t ViewCount() const;
    // A new newest row has been added: the view keeps its rows, then the bounds are enforced.
    void RowAdded();
    // Drops the oldest completed rows while the bounds are exceeded, then keeps the offset in range.
    void EnforceBounds();

    std::size_t m_maxLines;
    std::size_t m_maxBytes;
    std::size_t m_lineCap;
    std::deque<Row> m_rows;  // completed rows
    std::string m_open;      // the current line's text (at most m_lineCap bytes)
    FontTag m_openFont = 0;
    bool m_bOpenRow = true;    // the current line is a row
    bool m_bOpenFull = false;  // the current line reached the cap: further text is dropped
    std::size_t m_nEnded = 0;  // lines ended, counted up to kViewLines
    std::uint64_t m_firstNumber = 0;
    std::size_t m_nBytes = 0;
    int m_nOffset = 0;
};

// Turns WM_MOUSEWHEEL deltas into whole notches. A high-resolution wheel sends fractions of the 120 of a
// notch; the remainder is kept for the next message, and dropped when the wheel turns the other way.
// Any delta is accepted: one beyond the 16 bits a wheel message carries is taken as the largest of them,
// so nothing can overflow.
class WheelNotches {
public:
    static constexpr int kDelta = 120;  // one notch (WHEEL_DELTA)
    static constexpr int kMaxDelta = 32768;
    static constexpr int kLinesPerNotch = 3;

    // Whole notches of `delta` and the remainder before it; positive: turned away from the user.
    int Add(long long delta);
    void Reset() { m_nRemainder = 0; }
    int Remainder() const { return m_nRemainder; }

private:
    int m_nRemainder = 0;  // always within (-kDelta, kDelta)
};
