#include "glyph/ShiftJis.h"

namespace glyph {

const char* NextSjisChar(const char* p, unsigned* code)
{
    const unsigned char lead = static_cast<unsigned char>(p[0]);
    if (!IsSjisLead(lead)) {
        *code = lead;
        return p + 1;
    }
    const unsigned char trail = static_cast<unsigned char>(p[1]);
    *code = lead * 256u + trail;
    return trail == 0 ? p + 1 : p + 2;
}

int CountSjisChars(const char* text)
{
    if (text == nullptr)
        return 0;
    int n = 0;
    unsigned code;
    for (const char* p = text; *p != '\0'; p = NextSjisChar(p, &code))
        ++n;
    return n;
}

}  // namespace glyph
