// Command lines of any bytes: the drive check reads only up to the line's NUL, and its answer is the
// one that the first ':' and the byte before it give. The drive message is the format with the letter
// in place of "%C", whatever the letter.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "console/DriveCheck.h"

namespace {

// The answer worked out the slow way, from the bytes alone.
char ExpectedDrive(const std::string& line) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0) return 0;
    const unsigned char c = static_cast<unsigned char>(line[colon - 1]);
    if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
    if (c >= 'A' && c <= 'Z') return static_cast<char>(c);
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The line as the entry box hands it over: NUL-terminated, in a buffer of exactly its size, so that
    // AddressSanitizer sees any read past the terminator. A NUL inside ends the line there.
    char* line = static_cast<char*>(std::malloc(size + 1));
    if (line == nullptr) return 0;
    if (size != 0) std::memcpy(line, data, size);
    line[size] = '\0';
    const std::string visible(line);

    const char drive = DriveToTest(line);
    if (drive != ExpectedDrive(visible)) std::abort();
    if (drive != 0 && (drive < 'A' || drive > 'Z')) std::abort();

    // The message for whatever letter the line names (or the line's first byte, to reach every byte
    // value): exactly the format with "%C" replaced, never more.
    const char letter = drive != 0 ? drive : (size != 0 ? static_cast<char>(data[0]) : 'A');
    const std::string message = DriveInvalidMessage(letter);
    if (message.empty() || message[0] != letter) std::abort();
    if (message.size() != std::strlen(DriveInvalidMessage('A').c_str())) std::abort();

    // The line itself as a format: every byte is copied or replaced, no byte is read past the NUL.
    const std::string formatted = FormatDriveMessage(line, letter);
    if (formatted.size() > visible.size()) std::abort();
    std::free(line);
    return 0;
}
