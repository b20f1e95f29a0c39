#include "console/DriveCheck.h"

#include <cstring>

#include "res/Texts.h"

namespace {

// ASCII only: the C library's isalpha would follow the locale and accept bytes above 0x7F.
bool IsAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

char DriveToTest(const char* text) {
    if (text == nullptr) return 0;
    const char* colon = std::strchr(text, ':');
    if (colon == nullptr || colon == text) return 0;
    const unsigned char before = static_cast<unsigned char>(colon[-1]);
    if (!IsAsciiLetter(before)) return 0;
    return static_cast<char>(before >= 'a' ? before - ('a' - 'A') : before);
}

std::string FormatDriveMessage(const char* format, char letter) {
    std::string text;
    if (format == nullptr) return text;
    // '%' is never a Shift-JIS trail byte (those start at 0x40), so a byte walk finds every directive.
    for (const char* p = format; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 'C') {
            text.push_back(letter);
            ++p;
        } else if (p[0] == '%' && p[1] == '%') {
            text.push_back('%');
            ++p;
        } else {
            text.push_back(*p);
        }
    }
    return text;
}

std::string DriveInvalidMessage(char letter) { return FormatDriveMessage(kTextDriveInvalid, letter); }
