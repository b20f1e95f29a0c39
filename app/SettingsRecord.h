#pragma once
// DisplaySettings: the 140-byte record of the display settings as it is kept in the registry value
// "datas". No Win32 here: the record is packed and unpacked byte by byte, little-endian, so its stored
// form does not depend on the host's struct layout; the Win32 side (app/Settings.cpp) copies between
// these fields and WINDOWPLACEMENT / LOGFONTA.
#include <cstddef>
#include <cstdint>

constexpr std::size_t kSettingsSize = 140;
constexpr std::size_t kFaceNameSize = 32;

// The main window's placement, laid out like WINDOWPLACEMENT (44 bytes).
struct PlacementData {
    std::int32_t length;
    std::int32_t flags;
    std::int32_t showCmd;  // 1 normal, 2 minimised, 3 maximised
    std::int32_t minX;
    std::int32_t minY;
    std::int32_t maxX;
    std::int32_t maxY;
    std::int32_t left;  // the normal rectangle: the outer rectangle, frame included
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};

// The screen font, laid out like LOGFONTA (60 bytes). The face name is Shift-JIS.
struct FontData {
    std::int32_t height;
    std::int32_t width;
    std::int32_t escapement;
    std::int32_t orientation;
    std::int32_t weight;
    std::uint8_t italic;
    std::uint8_t underline;
    std::uint8_t strikeOut;
    std::uint8_t charSet;
    std::uint8_t outPrecision;
    std::uint8_t clipPrecision;
    std::uint8_t quality;
    std::uint8_t pitchAndFamily;
    char faceName[kFaceNameSize];
};

struct DisplaySettings {
    PlacementData placement;
    FontData font;
    float offsetX;
    float offsetY;
    float offsetZ;
    std::uint32_t reserved;  // written as zero, never read
    float tilt;              // degrees
    std::uint32_t crText;    // colours: red in the lowest byte, then green, then blue
    std::uint32_t crBack1;
    std::uint32_t crBack2;
    std::int32_t gradient;  // non-zero: gradient from background 1 to background 2
};

// Offsets of the stored form.
namespace SettingsOffset {
constexpr std::size_t kPlacement = 0;
constexpr std::size_t kFont = 44;
constexpr std::size_t kFaceName = 72;
constexpr std::size_t kOffsetX = 104;
constexpr std::size_t kOffsetY = 108;
constexpr std::size_t kOffsetZ = 112;
constexpr std::size_t kReserved = 116;
constexpr std::size_t kTilt = 120;
constexpr std::size_t kTextColour = 124;
constexpr std::size_t kBack1Colour = 128;
constexpr std::size_t kBack2Colour = 132;
constexpr std::size_t kGradient = 136;
}  // namespace SettingsOffset

// The host layout happens to match the stored one on every compiler we build with; packing does not
// rely on it, but the Win32 side copies whole fields, so a mismatch is worth knowing about at once.
static_assert(sizeof(PlacementData) == 44);
static_assert(sizeof(FontData) == 60);
static_assert(sizeof(DisplaySettings) == kSettingsSize);
static_assert(offsetof(DisplaySettings, placement) == SettingsOffset::kPlacement);
static_assert(offsetof(DisplaySettings, font) == SettingsOffset::kFont);
static_assert(offsetof(DisplaySettings, font) + offsetof(FontData, faceName) == SettingsOffset::kFaceName);
static_assert(offsetof(DisplaySettings, offsetX) == SettingsOffset::kOffsetX);
static_assert(offsetof(DisplaySettings, offsetY) == SettingsOffset::kOffsetY);
static_assert(offsetof(DisplaySettings, offsetZ) == SettingsOffset::kOffsetZ);
static_assert(offsetof(DisplaySettings, reserved) == SettingsOffset::kReserved);
static_assert(offsetof(DisplaySettings, tilt) == SettingsOffset::kTilt);
static_assert(offsetof(DisplaySettings, crText) == SettingsOffset::kTextColour);
static_assert(offsetof(DisplaySettings, crBack1) == SettingsOffset::kBack1Colour);
static_assert(offsetof(DisplaySettings, crBack2) == SettingsOffset::kBack2Colour);
static_assert(offsetof(DisplaySettings, gradient) == SettingsOffset::kGradient);

// Writes all 140 bytes of `out`; the reserved field is always written as zero.
void PackSettings(const DisplaySettings& settings, unsigned char out[kSettingsSize]);

// Reads the 140 bytes of `in`. The reserved field comes back as zero. The face name is always
// NUL-terminated within its 32 bytes afterwards (see TerminateFaceName), so that nothing that takes it
// as a C string reads past the field.
DisplaySettings UnpackSettings(const unsigned char in[kSettingsSize]);

// A face name that fills all 32 bytes without a NUL is cut to the longest whole Shift-JIS text of at
// most 31 bytes (a lead byte whose trail byte would be cut off goes too) and the rest of the field is
// zeroed. A face name that holds a NUL is left exactly as it is.
void TerminateFaceName(char face[kFaceNameSize]);

// The record as the program starts without stored settings: the screen's default view, colours and
// font, and a normal window of 600 x 400 pixels at 0, 0.
DisplaySettings DefaultDisplaySettings();
