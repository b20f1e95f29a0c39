// The 140-byte settings record: its stored byte layout, round trips and the face-name guard.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "app/SettingsRecord.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Pack(const DisplaySettings& s) {
    Bytes out(kSettingsSize, 0xEE);  // every byte must be written
    PackSettings(s, out.data());
    return out;
}

Bytes Slice(const Bytes& b, size_t offset, size_t n) {
    return Bytes(b.begin() + static_cast<long>(offset), b.begin() + static_cast<long>(offset + n));
}

// A record with a different, recognisable value in every field.
DisplaySettings KnownRecord() {
    DisplaySettings s{};
    s.placement = {44, 2, 3, -1, -2, 0x01020304, -32000, 10, 20, 0x7FFFFFFF, INT32_MIN};
    s.font.height = -14;
    s.font.width = 7;
    s.font.escapement = 900;
    s.font.orientation = 1800;
    s.font.weight = 700;
    s.font.italic = 1;
    s.font.underline = 0xA1;
    s.font.strikeOut = 0xB2;
    s.font.charSet = 128;
    s.font.outPrecision = 4;
    s.font.clipPrecision = 0xC3;
    s.font.quality = 0xD4;
    s.font.pitchAndFamily = 0x31;
    std::memcpy(s.font.faceName, "\x82l\x82r \x82o\x96\xBE\x92\xA9", 11);
    s.offsetX = -12.3f;
    s.offsetY = 20.0f;
    s.offsetZ = -0.5f;
    s.reserved = 0xFFFFFFFF;  // never stored
    s.tilt = -40.0f;
    s.crText = 0x00FFFFFF;
    s.crBack1 = 0x00123456;
    s.crBack2 = 0x00FF0000;
    s.gradient = -2;
    return s;
}

}  // namespace

TEST(SettingsRecordLayout, EveryFieldAtItsOffsetLittleEndian) {
    const Bytes b = Pack(KnownRecord());
    ASSERT_EQ(b.size(), 140u);

    // Window placement: 11 int32 from 0.
    EXPECT_EQ(Slice(b, 0, 4), (Bytes{44, 0, 0, 0}));
    EXPECT_EQ(Slice(b, 4, 4), (Bytes{2, 0, 0, 0}));
    EXPECT_EQ(Slice(b, 8, 4), (Bytes{3, 0, 0, 0}));
    EXPECT_EQ(Slice(b, 12, 4), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Slice(b, 16, 4), (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Slice(b, 20, 4), (Bytes{0x04, 0x03, 0x02, 0x01}));
    EXPECT_EQ(Slice(b, 24, 4), (Bytes{0x00, 0x83, 0xFF, 0xFF}));
    EXPECT_EQ(Slice(b, 28, 4), (Bytes{10, 0, 0, 0}));
    EXPECT_EQ(Slice(b, 32, 4), (Bytes{20, 0, 0, 0}));
    EXPECT_EQ(Slice(b, 36, 4), (Bytes{0xFF, 0xFF, 0xFF, 0x7F}));
    EXPECT_EQ(Slice(b, 40, 4), (Bytes{0x00, 0x00, 0x00, 0x80}));

    // Font: 5 int32, 8 single bytes, 32-byte face name.
    EXPECT_EQ(Slice(b, 44, 4), (Bytes{0xF2, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Slice(b, 48, 4), (Bytes{7, 0, 0, 0}));
    EXPECT_EQ(Slice(b, 52, 4), (Bytes{0x84, 0x03, 0, 0}));
    EXPECT_EQ(Slice(b, 56, 4), (Bytes{0x08, 0x07, 0, 0}));
    EXPECT_EQ(Slice(b, 60, 4), (Bytes{0xBC, 0x02, 0, 0}));
    EXPECT_EQ(Slice(b, 64, 8), (Bytes{1, 0xA1, 0xB2, 128, 4, 0xC3, 0xD4, 0x31}));
    Bytes face(32, 0);
    std::memcpy(face.data(), "\x82l\x82r \x82o\x96\xBE\x92\xA9", 11);
    EXPECT_EQ(Slice(b, 72, 32), face);

    // IEEE 754 single precision: -12.3f = 0xC144CCCD, 20.0f = 0x41A00000, -0.5f = 0xBF000000,
    // -40.0f = 0xC2200000.
    EXPECT_EQ(Slice(b, 104, 4), (Bytes{0xCD, 0xCC, 0x44, 0xC1}));
    EXPECT_EQ(Slice(b, 108, 4), (Bytes{0x00, 0x00, 0xA0, 0x41}));
    EXPECT_EQ(Slice(b, 112, 4), (Bytes{0x00, 0x00, 0x00, 0xBF}));
    EXPECT_EQ(Slice(b, 116, 4), (Bytes{0, 0, 0, 0})) << "the reserved field is always stored as zero";
    EXPECT_EQ(Slice(b, 120, 4), (Bytes{0x00, 0x00, 0x20, 0xC2}));
    EXPECT_EQ(Slice(b, 124, 4), (Bytes{0xFF, 0xFF, 0xFF, 0x00}));
    EXPECT_EQ(Slice(b, 128, 4), (Bytes{0x56, 0x34, 0x12, 0x00}));
    EXPECT_EQ(Slice(b, 132, 4), (Bytes{0x00, 0x00, 0xFF, 0x00}));
    EXPECT_EQ(Slice(b, 136, 4), (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
}

TEST(SettingsRecordLayout, UnpackReadsEveryFieldFromItsOffset) {
    const DisplaySettings in = KnownRecord();
    const DisplaySettings out = UnpackSettings(Pack(in).data());
    EXPECT_EQ(std::memcmp(&out.placement, &in.placement, sizeof in.placement), 0);
    EXPECT_EQ(std::memcmp(&out.font, &in.font, sizeof in.font), 0);
    EXPECT_EQ(out.offsetX, -12.3f);
    EXPECT_EQ(out.offsetY, 20.0f);
    EXPECT_EQ(out.offsetZ, -0.5f);
    EXPECT_EQ(out.reserved, 0u);
    EXPECT_EQ(out.tilt, -40.0f);
    EXPECT_EQ(out.crText, 0x00FFFFFFu);
    EXPECT_EQ(out.crBack1, 0x00123456u);
    EXPECT_EQ(out.crBack2, 0x00FF0000u);
    EXPECT_EQ(out.gradient, -2);
}

TEST(SettingsRecordRoundTrip, BytesSurviveUnpackAndPack) {
    // Any stored record whose face name is terminated and whose reserved bytes are zero comes back
    // byte for byte, bytes after the face name's NUL included.
    std::mt19937 rng(12345);
    for (int round = 0; round < 200; ++round) {
        Bytes b(kSettingsSize);
        for (auto& c : b) c = static_cast<unsigned char>(rng());
        b[72 + rng() % 32] = 0;
        for (size_t i = 116; i < 120; ++i) b[i] = 0;
        // Keep the float slots away from NaN patterns: a signalling NaN may be quietened on its way
        // through an x87 register, which is not what this test is about.
        for (size_t off : {104u, 108u, 112u, 120u}) b[off + 3] &= 0xBF;
        const Bytes again = Pack(UnpackSettings(b.data()));
        ASSERT_EQ(again, b) << "round " << round;
    }
}

TEST(SettingsRecordRoundTrip, NonZeroReservedBytesAreNotCarried) {
    Bytes b = Pack(KnownRecord());
    b[116] = 1;
    b[119] = 0x80;
    EXPECT_EQ(UnpackSettings(b.data()).reserved, 0u);
    const Bytes again = Pack(UnpackSettings(b.data()));
    EXPECT_EQ(Slice(again, 116, 4), (Bytes{0, 0, 0, 0}));
}

TEST(SettingsRecordShortValue, FirstHundredAndFourBytesLeaveZeroValues) {
    // A stored value of 104 bytes reaches the placement and the font only.
    const Bytes full = Pack(KnownRecord());
    Bytes b(kSettingsSize, 0);
    std::memcpy(b.data(), full.data(), 104);
    const DisplaySettings s = UnpackSettings(b.data());
    EXPECT_EQ(s.placement.showCmd, 3);
    EXPECT_EQ(s.placement.bottom, INT32_MIN);
    EXPECT_EQ(s.font.weight, 700);
    EXPECT_STREQ(s.font.faceName, "\x82l\x82r \x82o\x96\xBE\x92\xA9");
    EXPECT_EQ(s.offsetX, 0.0f);
    EXPECT_EQ(s.offsetY, 0.0f);
    EXPECT_EQ(s.offsetZ, 0.0f);
    EXPECT_EQ(s.tilt, 0.0f);
    EXPECT_EQ(s.crText, 0u);
    EXPECT_EQ(s.crBack1, 0u);
    EXPECT_EQ(s.crBack2, 0u);
    EXPECT_EQ(s.gradient, 0);
}

TEST(SettingsRecordFaceName, UnterminatedNameIsCutWithinItsField) {
    Bytes b = Pack(KnownRecord());
    std::memset(b.data() + 72, 'A', 32);
    b[104] = 'Z';  // the byte after the field must not become part of the name
    const DisplaySettings s = UnpackSettings(b.data());
    EXPECT_EQ(std::string(s.font.faceName), std::string(31, 'A'));
    EXPECT_EQ(s.font.faceName[31], '\0');
}

TEST(SettingsRecordFaceName, CutNeverLeavesHalfADoubleByteCharacter) {
    // 30 one-byte characters, then a two-byte character in bytes 30 and 31: keeping 31 bytes would
    // keep its lead byte alone, so it goes as a whole.
    char face[32];
    std::memset(face, 'a', 30);
    face[30] = '\x82';
    face[31] = '\x60';
    TerminateFaceName(face);
    EXPECT_EQ(std::string(face), std::string(30, 'a'));
    EXPECT_EQ(face[30], '\0');
    EXPECT_EQ(face[31], '\0');
}

TEST(SettingsRecordFaceName, TrailBytesInTheLeadRangeAreWalkedNotGuessed) {
    // 'A', fifteen two-byte characters 0x82 0x82 (bytes 1..30), 'B' at 31. Byte 30 lies in the lead
    // range but is a trail byte: 31 whole bytes fit, only the 'B' goes.
    char face[32];
    face[0] = 'A';
    for (int i = 1; i < 31; ++i) face[i] = '\x82';
    face[31] = 'B';
    TerminateFaceName(face);
    EXPECT_EQ(std::strlen(face), 31u);
    EXPECT_EQ(face[30], '\x82');
}

TEST(SettingsRecordFaceName, TerminatedNameIsLeftAlone) {
    char face[32];
    for (int i = 0; i < 32; ++i) face[i] = static_cast<char>('a' + i % 26);
    face[5] = '\0';
    char before[32];
    std::memcpy(before, face, 32);
    TerminateFaceName(face);
    EXPECT_EQ(std::memcmp(face, before, 32), 0);
}
