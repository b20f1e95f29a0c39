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

// A different, recognisable value in every field.
DisplaySettings KnownRecord() {
    DisplaySettings s{};
    s.placement = {44, 2, 3, -1, -2, 0x01020304, -32000, 10, 20, 0x7FFFFFFF, INT32_MIN};
    s.font = {-14,  7,   900, 1800, 700,  1,    0xA1,
              0xB2, 128, 4,   0xC3, 0xD4, 0x31, "\x82l\x82r \x82o\x96\xBE\x92\xA9"};
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

TEST(SettingsRecord, EveryFieldAtItsOffsetLittleEndian) {
    const Bytes b = Pack(KnownRecord());
    std::string hex;
    for (unsigned char c : b) hex += "0123456789ABCDEF"[c >> 4], hex += "0123456789ABCDEF"[c & 15];
    // clang-format off
    const std::string expected =
        // 0: placement, 11 x int32
        "2C000000" "02000000" "03000000" "FFFFFFFF" "FEFFFFFF" "04030201" "0083FFFF" "0A000000" "14000000"
        "FFFFFF7F" "00000080"
        // 44: font, 5 x int32, 8 bytes, 32-byte face name
        "F2FFFFFF" "07000000" "84030000" "08070000" "BC020000" "01A1B28004C3D431"
        "826C8272 20826F96 BE92A900 00000000 00000000 00000000 00000000 00000000"
        // 104: X -12.3f, Y 20.0f, Z -0.5f, reserved, tilt -40.0f
        "CDCC44C1" "0000A041" "000000BF" "00000000" "000020C2"
        // 124: colours, gradient flag
        "FFFFFF00" "56341200" "0000FF00" "FEFFFFFF";
    // clang-format on
    std::string want;
    for (char c : expected)
        if (c != ' ') want += c;
    EXPECT_EQ(hex, want);
}

TEST(SettingsRecord, StoredBytesSurviveUnpackAndPack) {
    // Any record with a terminated face name and zero reserved bytes comes back byte for byte, the
    // bytes after the face name's NUL included.
    std::mt19937 rng(12345);
    for (int round = 0; round < 200; ++round) {
        Bytes b(kSettingsSize);
        for (auto& c : b) c = static_cast<unsigned char>(rng());
        b[72 + rng() % 32] = 0;
        for (size_t i = 116; i < 120; ++i) b[i] = 0;
        // No NaN patterns in the float slots: an x87 register may quieten a signalling NaN.
        for (size_t off : {104u, 108u, 112u, 120u}) b[off + 3] &= 0xBF;
        ASSERT_EQ(Pack(UnpackSettings(b.data())), b) << "round " << round;
    }
    Bytes b = Pack(KnownRecord());
    b[116] = 1;
    EXPECT_EQ(Pack(UnpackSettings(b.data()))[116], 0) << "reserved bytes are not carried";
}

TEST(SettingsRecord, A104ByteValueLeavesZeroValuesAndColours) {
    const Bytes full = Pack(KnownRecord());
    Bytes b(kSettingsSize, 0);
    std::memcpy(b.data(), full.data(), 104);
    const DisplaySettings s = UnpackSettings(b.data());
    EXPECT_EQ(s.placement.bottom, INT32_MIN);
    EXPECT_STREQ(s.font.faceName, "\x82l\x82r \x82o\x96\xBE\x92\xA9");
    EXPECT_EQ(s.offsetX, 0.0f);
    EXPECT_EQ(s.offsetY, 0.0f);
    EXPECT_EQ(s.offsetZ, 0.0f);
    EXPECT_EQ(s.tilt, 0.0f);
    EXPECT_EQ(s.crText | s.crBack1 | s.crBack2, 0u);
    EXPECT_EQ(s.gradient, 0);
}

TEST(SettingsRecord, FaceNameWithoutNulIsCutToWholeCharactersWithinItsField) {
    Bytes b = Pack(KnownRecord());
    std::memset(b.data() + 72, 'A', 32);  // runs straight into the X offset
    EXPECT_EQ(std::string(UnpackSettings(b.data()).font.faceName), std::string(31, 'A'));

    // A two-byte character in bytes 30 and 31: its lead byte alone is not kept.
    char face[32];
    std::memset(face, 'a', 30);
    face[30] = '\x82';
    face[31] = '\x60';
    TerminateFaceName(face);
    EXPECT_EQ(std::string(face), std::string(30, 'a'));
    EXPECT_EQ(face[31], '\0');

    // 'A', fifteen characters 0x82 0x82, 'B': byte 30 lies in the lead range but is a trail byte.
    face[0] = 'A';
    std::memset(face + 1, '\x82', 30);
    face[31] = 'B';
    TerminateFaceName(face);
    EXPECT_EQ(std::strlen(face), 31u);

    // A terminated name is left exactly as it is, bytes after the NUL included.
    std::memcpy(face, "Face\0tail-bytes-kept-as-they-are", 32);
    char before[32];
    std::memcpy(before, face, 32);
    TerminateFaceName(face);
    EXPECT_EQ(std::memcmp(face, before, 32), 0);
}
