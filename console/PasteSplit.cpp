#include "console/PasteSplit.h"

PastedLines SplitPaste(std::string_view before, std::string_view pasted, std::string_view after) {
    PastedLines out;
    if (pasted.size() > kMaxPasteBytes) {
        out.bTooLarge = true;
        return out;
    }
    // The NULs go first, so that a CR, a NUL and an LF still make one line break.
    std::string text;
    text.reserve(pasted.size());
    for (const char c : pasted) {
        if (c != '\0') text += c;
    }
    std::string current(before);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            current += c;
            continue;
        }
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        out.lines.push_back(std::move(current));
        current.clear();
    }
    current.append(after.data(), after.size());
    out.rest = std::move(current);
    return out;
}
