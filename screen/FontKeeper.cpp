#include "screen/FontKeeper.h"

#include <algorithm>

void FontKeeper::Replaced(FontTag font, const ScrollHistory& history) {
    const std::size_t rows = history.RowCount();
    m_fonts.push_back(Kept{font, rows != 0, rows != 0 ? history.RowNumber(rows - 1) : 0});
}

std::vector<FontKeeper::FontTag> FontKeeper::TakeUnused(const std::function<bool(FontTag)>& pending,
                                                         const ScrollHistory& history) {
    // Newest first, so that the fonts kept for the scrollback alone are the newest ones.
    std::vector<bool> keep(m_fonts.size(), false);
    std::size_t keptForHistory = 0;
    const bool anyRows = history.RowCount() != 0;
    for (std::size_t i = m_fonts.size(); i-- > 0;) {
        const Kept& kept = m_fonts[i];
        if (pending(kept.font)) {
            keep[i] = true;
            continue;
        }
        const bool inHistory = kept.bInHistory && anyRows && history.RowNumber(0) <= kept.lastRow;
        if (inHistory && keptForHistory < kKeptHistoryFonts) {
            ++keptForHistory;
            keep[i] = true;
        }
    }
    std::vector<FontTag> unused;
    std::vector<Kept> left;
    for (std::size_t i = 0; i < m_fonts.size(); ++i) {
        if (keep[i]) {
            left.push_back(m_fonts[i]);
        } else {
            unused.push_back(m_fonts[i].font);
        }
    }
    m_fonts.swap(left);
    return unused;
}

std::vector<FontKeeper::FontTag> FontKeeper::TakeAll() {
    std::vector<FontTag> all;
    for (const Kept& kept : m_fonts) all.push_back(kept.font);
    m_fonts.clear();
    return all;
}

bool FontKeeper::Holds(FontTag font) const {
    return std::any_of(m_fonts.begin(), m_fonts.end(), [&](const Kept& kept) { return kept.font == font; });
}
