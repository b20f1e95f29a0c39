#include "app/SettingsRecord.h"

#include <cstring>

#include "res/Texts.h"

namespace {

void PutU32(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

std::uint32_t GetU32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void PutI32(unsigned char* p, std::int32_t v) { PutU32(p, static_cast<std::uint32_t>(v)); }
std::int32_t GetI32(const unsigned char* p) { return static_cast<std::int32_t>(GetU32(p)); }

// Floats travel as their IEEE 754 bit pattern, whatever it is (NaN included).
void PutF32(unsigned char* p, float v) {
    static_assert(sizeof(float) == 4);
    std::uint32_t bits;
    std::memcpy(&bits, &v, 4);
    PutU32(p, bits);
}

float GetF32(const unsigned char* p) {
    const std::uint32_t bits = GetU32(p);
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
}

bool IsShiftJisLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

}  // namespace

void PackSettings(const DisplaySettings& s, unsigned char out[kSettingsSize]) {
    unsigned char* p = out + SettingsOffset::kPlacement;
    const std::int32_t placement[11] = {s.placement.length, s.placement.flags, s.placement.showCmd,
                                        s.placement.minX,   s.placement.minY,  s.placement.maxX,
                                        s.placement.maxY,   s.placement.left,  s.placement.top,
                                        s.placement.right,  s.placement.bottom};
    for (std::int32_t v : placement) {
        PutI32(p, v);
        p += 4;
    }

    p = out + SettingsOffset::kFont;
    const std::int32_t metrics[5] = {s.font.height, s.font.width, s.font.escapement, s.font.orientation,
                                     s.font.weight};
    for (std::int32_t v : metrics) {
        PutI32(p, v);
        p += 4;
    }
    const std::uint8_t flags[8] = {s.font.italic,  s.font.underline,     s.font.strikeOut,
                                   s.font.charSet, s.font.outPrecision,  s.font.clipPrecision,
                                   s.font.quality, s.font.pitchAndFamily};
    std::memcpy(p, flags, 8);
    std::memcpy(out + SettingsOffset::kFaceName, s.font.faceName, kFaceNameSize);

    PutF32(out + SettingsOffset::kOffsetX, s.offsetX);
    PutF32(out + SettingsOffset::kOffsetY, s.offsetY);
    PutF32(out + SettingsOffset::kOffsetZ, s.offsetZ);
    PutU32(out + SettingsOffset::kReserved, 0);
    PutF32(out + SettingsOffset::kTilt, s.tilt);
    PutU32(out + SettingsOffset::kTextColour, s.crText);
    PutU32(out + SettingsOffset::kBack1Colour, s.crBack1);
    PutU32(out + SettingsOffset::kBack2Colour, s.crBack2);
    PutI32(out + SettingsOffset::kGradient, s.gradient);
}

DisplaySettings UnpackSettings(const unsigned char in[kSettingsSize]) {
    DisplaySettings s{};
    const unsigned char* p = in + SettingsOffset::kPlacement;
    std::int32_t* placement[11] = {&s.placement.length, &s.placement.flags, &s.placement.showCmd,
                                   &s.placement.minX,   &s.placement.minY,  &s.placement.maxX,
                                   &s.placement.maxY,   &s.placement.left,  &s.placement.top,
                                   &s.placement.right,  &s.placement.bottom};
    for (std::int32_t* v : placement) {
        *v = GetI32(p);
        p += 4;
    }

    p = in + SettingsOffset::kFont;
    std::int32_t* metrics[5] = {&s.font.height, &s.font.width, &s.font.escapement, &s.font.orientation,
                                &s.font.weight};
    for (std::int32_t* v : metrics) {
        *v = GetI32(p);
        p += 4;
    }
    std::uint8_t* flags[8] = {&s.font.italic,  &s.font.underline,     &s.font.strikeOut,
                              &s.font.charSet, &s.font.outPrecision,  &s.font.clipPrecision,
                              &s.font.quality, &s.font.pitchAndFamily};
    for (std::uint8_t* v : flags) *v = *p++;
    std::memcpy(s.font.faceName, in + SettingsOffset::kFaceName, kFaceNameSize);
    TerminateFaceName(s.font.faceName);

    s.offsetX = GetF32(in + SettingsOffset::kOffsetX);
    s.offsetY = GetF32(in + SettingsOffset::kOffsetY);
    s.offsetZ = GetF32(in + SettingsOffset::kOffsetZ);
    s.reserved = 0;
    s.tilt = GetF32(in + SettingsOffset::kTilt);
    s.crText = GetU32(in + SettingsOffset::kTextColour);
    s.crBack1 = GetU32(in + SettingsOffset::kBack1Colour);
    s.crBack2 = GetU32(in + SettingsOffset::kBack2Colour);
    s.gradient = GetI32(in + SettingsOffset::kGradient);
    return s;
}

void TerminateFaceName(char face[kFaceNameSize]) {
    if (std::memchr(face, '\0', kFaceNameSize) != nullptr) return;
    // Walk the characters from the start: only so can a lead byte be told from a trail byte.
    const std::size_t limit = kFaceNameSize - 1;
    std::size_t end = 0;
    while (end < limit) {
        const std::size_t width = IsShiftJisLeadByte(static_cast<unsigned char>(face[end])) ? 2 : 1;
        if (end + width > limit) break;
        end += width;
    }
    std::memset(face + end, 0, kFaceNameSize - end);
}

DisplaySettings DefaultDisplaySettings() {
    DisplaySettings s{};
    s.placement.length = 44;
    s.placement.showCmd = 1;
    s.placement.right = 600;
    s.placement.bottom = 400;

    s.font.height = 14;
    s.font.weight = 400;
    s.font.charSet = 128;     // Shift-JIS
    s.font.outPrecision = 4;  // TrueType: the outline builder needs one
    s.font.pitchAndFamily = 4;
    static_assert(sizeof kFaceMinchoP <= kFaceNameSize);
    std::memcpy(s.font.faceName, kFaceMinchoP, sizeof kFaceMinchoP);

    s.offsetX = -12.0f;
    s.offsetY = -5.0f;
    s.offsetZ = 0.0f;
    s.tilt = -40.0f;
    s.crText = 0x00FFFFFF;
    s.crBack1 = 0x00000000;
    s.crBack2 = 0x00FF0000;
    s.gradient = 1;
    return s;
}
