#pragma once
// Walking Shift-JIS (code page 932) text one character at a time, whatever the system's code page.

namespace glyph {

// A byte in 0x81-0x9F or 0xE0-0xFC starts a two-byte character.
inline bool IsSjisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Reads the character starting at `p`, which must not point at the terminating NUL. Its code is the
// byte itself for a one-byte character and lead * 256 + trail for a two-byte one. A lead byte directly
// before the NUL forms a character of its own with the code lead * 256; the returned pointer then
// points at the NUL, never past it. Returns the start of the next character.
const char* NextSjisChar(const char* p, unsigned* code);

// Number of characters of a NUL-terminated text (0 for null).
int CountSjisChars(const char* text);

}  // namespace glyph
