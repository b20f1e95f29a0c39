#pragma once
// Which of the screen's replaced fonts must stay: a font goes only when no line still to be built needs
// it, and the scrollback holds no line stored in it (of the fonts kept for the scrollback alone, only the
// newest few: fonts are a bounded resource of the system, and a history line whose font has gone is drawn
// in the current one). No Win32 here: fonts are opaque tags, and the caller deletes the ones handed back.
// Not thread-safe on its own; the screen calls it under its lock.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "screen/ScrollHistory.h"

class FontKeeper {
public:
    using FontTag = ScrollHistory::FontTag;
    static constexpr std::size_t kKeptHistoryFonts = 8;

    // `font` was replaced. `history` is the scrollback as it stands: the lines stored in `font` so far
    // are its rows up to the newest one.
    void Replaced(FontTag font, const ScrollHistory& history);
    // Takes out and returns the fonts that may go now, oldest first. `pending` says whether a line still
    // to be built arrived in a font.
    std::vector<FontTag> TakeUnused(const std::function<bool(FontTag)>& pending, const ScrollHistory& history);
    // Takes out every font kept (the screen is going).
    std::vector<FontTag> TakeAll();
    // Whether `font` is still kept.
    bool Holds(FontTag font) const;
    std::size_t Count() const { return m_fonts.size(); }

private:
    struct Kept {
        FontTag font;
        bool bInHistory;         // the scrollback held lines of it when it was replaced
        std::uint64_t lastRow;   // the number of the newest of them
    };
    std::vector<Kept> m_fonts;  // oldest first
};
