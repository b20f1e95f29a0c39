#include "screen/ScrollHistory.h"

#include <algorithm>
#include <cstring>

#include "glyph/ShiftJis.h"

namespace {
// Row counts and offsets are ints and a row's length 32 bits: no bound is taken above this.
constexpr std::size_t kLimit = std::size_t{1} << 30;
}  // namespace

ScrollHistory::ScrollHistory(std::size_t maxLines, std::size_t maxBytes, std::size_t lineCap)
    : m_maxLines(std::clamp<std::size_t>(maxLines, 1, kLimit)),
      m_maxBytes(std::max(maxBytes, std::clamp<std::size_t>(lineCap, 2, kLimit))),
      m_lineCap(std::clamp<std::size_t>(lineCap, 2, kLimit)) {}

void ScrollHistory::Append(std::string_view text, FontTag font) {
    if (text.empty()) return;
    const bool newRow = !m_bOpenRow;
    m_bOpenRow = true;
    m_openFont = font;
    if (!m_bOpenFull) {
        const std::size_t before = m_open.size();
        if (before + text.size() <= m_lineCap) {
            m_open.append(text);
        } else {
            // Only the bytes up to the cap are looked at, however long the text: then the line is cut
            // after its last whole character. The walk starts at the line's beginning, since a lead byte
            // may have ended the previous piece; it runs once per line.
            m_open.append(text.substr(0, m_lineCap - before));
            m_open.resize(glyph::SjisPrefixLength(m_open, m_lineCap));
            m_bOpenFull = true;
        }
        m_nBytes += m_open.size() - before;
    }
    if (newRow) RowAdded();
    EnforceBounds();
}

void ScrollHistory::NewLine() {
    if (m_nEnded < kViewLines) ++m_nEnded;
    if (!m_bOpenRow) return;  // an empty current line of a full screen: no row, nothing to end
    Row row;
    row.size = static_cast<std::uint32_t>(m_open.size());
    row.font = m_openFont;
    if (row.size != 0) {
        row.text = std::make_unique<char[]>(row.size);
        std::memcpy(row.text.get(), m_open.data(), row.size);
    }
    m_rows.push_back(std::move(row));
    m_open.clear();
    m_openFont = 0;
    m_bOpenFull = false;
    // The byte count is unchanged: the text moved from the current line into the completed row.
    m_bOpenRow = m_nEnded < kViewLines;
    if (m_bOpenRow) RowAdded();
    EnforceBounds();
}

std::string_view ScrollHistory::RowText(std::size_t index) const {
    if (index < m_rows.size()) return std::string_view(m_rows[index].text.get(), m_rows[index].size);
    if (index == m_rows.size() && m_bOpenRow) return m_open;
    return {};
}

ScrollHistory::FontTag ScrollHistory::RowFont(std::size_t index) const {
    if (index < m_rows.size()) return m_rows[index].font;
    if (index == m_rows.size() && m_bOpenRow) return m_openFont;
    return 0;
}

int ScrollHistory::MaxOffset() const {
    const std::size_t rows = RowCount();
    return rows > static_cast<std::size_t>(kViewLines) ? static_cast<int>(rows - kViewLines) : 0;
}

void ScrollHistory::ScrollBack(long long lines) {
    // MaxOffset() is below maxLines, itself a size_t; the sum is done in 64 bits after clamping the step
    // so that neither end of the long long range can overflow it.
    const long long maxOffset = MaxOffset();
    const long long step = std::clamp<long long>(lines, -maxOffset - 1, maxOffset + 1);
    m_nOffset = static_cast<int>(std::clamp<long long>(m_nOffset + step, 0, maxOffset));
}

std::size_t ScrollHistory::ViewCount() const {
    return std::min<std::size_t>(RowCount(), static_cast<std::size_t>(kViewLines));
}

std::size_t ScrollHistory::ViewFirst() const {
    return RowCount() - static_cast<std::size_t>(m_nOffset) - ViewCount();
}

std::vector<ScrollHistory::ViewLine> ScrollHistory::ViewLines() const {
    std::vector<ViewLine> lines;
    const std::size_t first = ViewFirst();
    const std::size_t count = ViewCount();
    lines.reserve(count);
    for (std::size_t i = first; i < first + count; ++i) {
        lines.push_back(ViewLine{std::string(RowText(i)), RowFont(i), RowNumber(i)});
    }
    return lines;
}

std::string ScrollHistory::CopyText() const {
    const std::size_t first = ViewFirst();
    const std::size_t count = ViewCount();
    std::size_t size = 0;
    for (std::size_t i = first; i < first + count; ++i) size += RowText(i).size() + 2;
    std::string text;
    text.reserve(size);
    for (std::size_t i = first; i < first + count; ++i) {
        if (i != first) text += "\r\n";
        text += RowText(i);
    }
    return text;
}

void ScrollHistory::RowAdded() {
    if (m_nOffset > 0) ++m_nOffset;  // at the end the view follows; back, it stays on its rows
}

void ScrollHistory::EnforceBounds() {
    while (!m_rows.empty() && (RowCount() > m_maxLines || m_nBytes > m_maxBytes)) {
        m_nBytes -= m_rows.front().size;
        m_rows.pop_front();
        ++m_firstNumber;
    }
    m_nOffset = std::min(m_nOffset, MaxOffset());
}

int WheelNotches::Add(long long delta) {
    const long long d = std::clamp<long long>(delta, -kMaxDelta, kMaxDelta);
    // A turn the other way starts afresh: the part-notch left from before belonged to the other direction.
    long long sum = (d > 0 && m_nRemainder < 0) || (d < 0 && m_nRemainder > 0) ? d : m_nRemainder + d;
    const long long notches = sum / kDelta;  // towards zero, so the remainder keeps the sign of the sum
    m_nRemainder = static_cast<int>(sum - notches * kDelta);
    return static_cast<int>(notches);
}
