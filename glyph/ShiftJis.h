#pragma once
// Walking Shift-JIS (code page 932) text one character at a time, whatever the system's code page.
#include <cstddef>
#include <string_view>

namespace glyph {

// A byte in 0x81-0x9F or 0xE0-0xFC starts a two-byte character.
inline bool IsSjisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// The length of the longest start of `text` of at most `limit` bytes that ends after a whole character:
// a lead byte whose trail would lie at or beyond the limit is left out. Walks from the beginning, since
// only there is a byte known to start a character.
inline std::size_t SjisPrefixLength(std::string_view text, std::size_t limit) {
    std::size_t end = 0;
    while (end < limit && end < text.size()) {
        const std::size_t width = IsSjisLead(static_cast<unsigned char>(text[end])) ? 2 : 1;
        if (end + width > limit) break;
        end += width;
    }
    return end < text.size() ? end : text.size();
}

// Reads the character starting at `p`, which must not point at the terminating NUL. Its code is the
// byte itself for a one-byte character and lead * 256 + trail for a two-byte one. A lead byte directly
// before the NUL forms a character of its own with the code lead * 256; the returned pointer then
// points at the NUL, never past it. Returns the start of the next character.
const char* NextSjisChar(const char* p, unsigned* code);

// Number of characters of a NUL-terminated text (0 for null).
int CountSjisChars(const char* text);

}  // namespace glyph
