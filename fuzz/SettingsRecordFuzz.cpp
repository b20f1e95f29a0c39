// Stored settings of any length and any bytes, as the registry may hold them: a value of up to 140
// bytes is read into a zeroed record (the rest stays zero), a longer one is refused. Unpacking never
// reads past the record and always leaves a terminated face name; packing what was unpacked gives the
// same bytes back, apart from the reserved field (always zero) and a face name that had no NUL.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "app/SettingsRecord.h"
#include "screen/AdjustMath.h"

namespace {

// A float turned into a scroll position the way the adjustment dialog does: the position must lie in
// the bar's range for any bit pattern (NaN, infinities, huge values, denormals).
void CheckPosition(float value, double inverse, int min, int max) {
    const int position = PositionFromValue(value, inverse, min, max);
    if (position < min || position > max) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kSettingsSize) return 0;  // refused by the loader: the defaults apply
    // A heap copy of exactly 140 bytes, so that AddressSanitizer catches a read past the record.
    unsigned char* record = static_cast<unsigned char*>(std::calloc(kSettingsSize, 1));
    if (record == nullptr) return 0;
    if (size != 0) std::memcpy(record, data, size);

    const DisplaySettings s = UnpackSettings(record);
    if (std::memchr(s.font.faceName, '\0', kFaceNameSize) == nullptr) std::abort();
    if (s.reserved != 0) std::abort();

    unsigned char out[kSettingsSize];
    PackSettings(s, out);
    for (size_t i = SettingsOffset::kReserved; i < SettingsOffset::kReserved + 4; ++i) {
        if (out[i] != 0) std::abort();
    }
    const bool faceHadNul = std::memchr(record + SettingsOffset::kFaceName, '\0', kFaceNameSize) != nullptr;
    for (size_t i = 0; i < kSettingsSize; ++i) {
        const bool reserved = i >= SettingsOffset::kReserved && i < SettingsOffset::kReserved + 4;
        const bool face = i >= SettingsOffset::kFaceName && i < SettingsOffset::kFaceName + kFaceNameSize;
        if (reserved || (face && !faceHadNul)) continue;
        if (out[i] != record[i]) std::abort();  // every other byte survives a load and save unchanged
    }
    if (!faceHadNul) {
        // A face of 32 bytes without NUL keeps a prefix of itself and is zero after it.
        const char* face = s.font.faceName;
        const size_t kept = std::strlen(face);
        if (kept > kFaceNameSize - 1 || kept + 1 < kFaceNameSize - 1) std::abort();
        if (std::memcmp(face, record + SettingsOffset::kFaceName, kept) != 0) std::abort();
        for (size_t i = kept; i < kFaceNameSize; ++i) {
            if (face[i] != '\0') std::abort();
        }
    }
    // Saving again changes nothing more: the record is at a fixed point after one round.
    const DisplaySettings again = UnpackSettings(out);
    unsigned char out2[kSettingsSize];
    PackSettings(again, out2);
    if (std::memcmp(out, out2, kSettingsSize) != 0) std::abort();

    CheckPosition(s.offsetX, kInverseX, kOffsetBarMin, kOffsetBarMax);
    CheckPosition(s.offsetY, kInverseY, kOffsetBarMin, kOffsetBarMax);
    CheckPosition(s.offsetZ, kInverseZ, kOffsetBarMin, kOffsetBarMax);
    CheckPosition(s.tilt, kInverseTilt, kTiltBarMin, kTiltBarMax);
    std::free(record);
    return 0;
}
