#pragma once
// The screen's 30 line records as bookkeeping: which text each record holds, the font it arrived in,
// whether its lists are still to be built, and the scrollback fed call for call. No Win32 and no GL here:
// `Lists` is whatever names a record's drawing (the screen's CGlyphLine; a plain number in the tests),
// copied as the records move, and the store never builds or deletes one itself. The screen calls it under
// its lock; it is not thread-safe on its own.
//
// Record 0 is the oldest line, record `count` the current one. NewLine raises `count` without bound;
// the next text stored past the last record scrolls by exactly one record (the oldest goes) and brings it
// back to the last record. So several empty lines after a full store only raise the count, and the text
// that follows them lies directly above the one before.
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "glyph/ShiftJis.h"
#include "screen/ScrollHistory.h"

template <typename Lists>
class LineStore {
public:
    static constexpr int kRecords = ScrollHistory::kViewLines;
    using FontTag = ScrollHistory::FontTag;

    // Appends `text` to the current line, keeping at most the history's line cap of it (cut after the
    // last whole character; the rest of such a line is dropped as it arrives). `retire` is handed every
    // list that no record names any more: the oldest record's when the store scrolls, and the current
    // record's former rendering, which the record's new text replaces. False when nothing was stored: an
    // empty text, or a line full already.
    template <typename Retire>
    bool Append(std::string_view text, FontTag font, Retire&& retire) {
        if (text.empty() || m_bLineFull) return false;
        if (count >= kRecords) {
            retire(lines[0]);
            for (int i = 0; i < kRecords - 1; ++i) {
                lines[i] = std::move(lines[i + 1]);
                m_records[i] = std::move(m_records[i + 1]);
            }
            count = kRecords - 1;
            lines[count] = Lists();
            m_records[count] = Record();
        }
        if (!line.empty()) retire(lines[count]);
        lines[count] = Lists();
        const std::size_t before = line.size();
        line.append(text.data(), text.size());
        if (line.size() > history.LineCap()) {
            line.resize(glyph::SjisPrefixLength(line, history.LineCap()));
            m_bLineFull = true;
        }
        Record& record = m_records[count];
        record.text = line;
        record.font = font;
        record.bPending = true;
        history.Append(std::string_view(line).substr(before), font);
        return true;
    }

    // Ends the current line: the next text starts the next record.
    void NewLine() {
        ++count;
        line.clear();
        m_bLineFull = false;
        history.NewLine();
    }

    // The newest record that can hold text: the current line's, or the last one while the count is past it.
    int Newest() const { return count < kRecords - 1 ? count : kRecords - 1; }
    const std::string& Text(int record) const { return m_records[record].text; }
    FontTag Font(int record) const { return m_records[record].font; }
    // The record holds text whose lists are not built yet.
    bool Pending(int record) const { return m_records[record].bPending; }
    void MarkBuilt(int record) { m_records[record].bPending = false; }
    // Some record still to be built arrived in `font`.
    bool NeedsFont(FontTag font) const {
        for (const Record& record : m_records) {
            if (record.bPending && record.font == font) return true;
        }
        return false;
    }
    // Nothing is left to build (the window is going: its lists go with it).
    void ForgetPending() {
        for (Record& record : m_records) record.bPending = false;
    }

    // The records' drawings; the current line's record index (see the comment at the top); the current
    // line's text as stored so far; and the scrollback, which holds every line stored within its bounds.
    Lists lines[kRecords];
    int count = 0;
    std::string line;
    ScrollHistory history;

private:
    struct Record {
        std::string text;
        FontTag font = 0;
        bool bPending = false;
    };
    Record m_records[kRecords];
    bool m_bLineFull = false;
};
