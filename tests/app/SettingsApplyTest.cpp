// The settings record against a real window and a real screen: applying a loaded record, filling one for
// saving, and the defaults.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "res/Texts.h"
#include "tests/ScreenHost.h"

namespace {

using Bytes = std::vector<unsigned char>;

DisplaySettings Fill(const CScreenWnd& screen, HWND wnd) {
    unsigned char record[kSettingsSize];
    std::memset(record, 0xFF, sizeof record);  // FillSettingsRecord must write every byte
    FillSettingsRecord(record, screen, wnd);
    EXPECT_EQ(Bytes(record + 116, record + 120), Bytes(4, 0)) << "reserved bytes";
    return UnpackSettings(record);
}

void Apply(const DisplaySettings& s, CScreenWnd& screen, HWND wnd) {
    unsigned char record[kSettingsSize];
    PackSettings(s, record);
    ApplySettingsRecord(record, screen, wnd);
}

RECT OuterRect(HWND wnd) {
    RECT r{};
    ::GetWindowRect(wnd, &r);
    return r;
}

// A record unlike the defaults in every field that applying reads.
DisplaySettings SampleRecord() {
    DisplaySettings s{};
    s.placement.length = 0;  // the length is set by the apply step, whatever was stored
    s.placement.showCmd = SW_SHOWNORMAL;
    s.placement.left = 50;
    s.placement.top = 60;
    s.placement.right = 450;
    s.placement.bottom = 360;
    s.font.height = -20;
    s.font.weight = 700;
    s.font.italic = 1;
    s.font.charSet = 128;
    s.font.outPrecision = 4;
    s.font.pitchAndFamily = 2;
    std::memcpy(s.font.faceName, kFaceGothicP, sizeof kFaceGothicP);
    s.offsetX = 1.5f;
    s.offsetY = -2.5f;
    s.offsetZ = 3.25f;
    s.tilt = 12.0f;
    s.crText = 0x00102030;
    s.crBack1 = 0x00405060;
    s.crBack2 = 0x00708090;
    s.gradient = 0;
    return s;
}

// The checks of a window's state follow the call under test without handling messages in between: on a
// virtual display without a window manager, Wine's X11 driver finds no maximised state on the X side and
// restores a maximised window as soon as it handles the X events that the resize caused.
class SettingsApply : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_pHost = new ScreenHost; }
    static void TearDownTestSuite() {
        delete s_pHost;
        s_pHost = nullptr;
    }
    void SetUp() override {
        ::ShowWindow(m_host.Window(), SW_RESTORE);
        ::MoveWindow(m_host.Window(), 20, 20, 400, 300, TRUE);
        m_host.Screen().SetDefaults();
        ScreenHost::Pump();
    }

    static ScreenHost* s_pHost;
    ScreenHost& m_host = *s_pHost;
};
ScreenHost* SettingsApply::s_pHost = nullptr;

}  // namespace

TEST_F(SettingsApply, ARecordReachesTheScreenTheFontAndTheWindow) {
    CScreenWnd& screen = m_host.Screen();
    Apply(SampleRecord(), screen, m_host.Window());

    EXPECT_EQ(screen.m_fOffsetX, 1.5f);
    EXPECT_EQ(screen.m_fOffsetY, -2.5f);
    EXPECT_EQ(screen.m_fOffsetZ, 3.25f);
    EXPECT_EQ(screen.m_fTilt, 12.0f);
    EXPECT_EQ(screen.m_crText, 0x00102030u);
    EXPECT_EQ(screen.m_crBack1, 0x00405060u);
    EXPECT_EQ(screen.m_crBack2, 0x00708090u);
    EXPECT_EQ(screen.m_bGradient, 0);

    const LOGFONTA lf = screen.GetScreenFont();
    EXPECT_EQ(lf.lfHeight, -20);
    EXPECT_EQ(lf.lfWeight, 700);
    EXPECT_EQ(lf.lfItalic, 1);
    EXPECT_STREQ(lf.lfFaceName, kFaceGothicP);

    const RECT r = OuterRect(m_host.Window());
    EXPECT_EQ(r.left, 50);
    EXPECT_EQ(r.top, 60);
    EXPECT_EQ(r.right, 450);
    EXPECT_EQ(r.bottom, 360);
    EXPECT_FALSE(::IsZoomed(m_host.Window()));
}

TEST_F(SettingsApply, FillingAfterApplyingGivesTheRecordBack) {
    const DisplaySettings in = SampleRecord();
    Apply(in, m_host.Screen(), m_host.Window());
    const DisplaySettings out = Fill(m_host.Screen(), m_host.Window());

    EXPECT_EQ(out.placement.length, 44);
    EXPECT_EQ(out.placement.showCmd, SW_SHOWNORMAL);
    EXPECT_EQ(out.placement.left, 50);
    EXPECT_EQ(out.placement.top, 60);
    EXPECT_EQ(out.placement.right, 450);
    EXPECT_EQ(out.placement.bottom, 360);
    EXPECT_EQ(out.font.height, in.font.height);
    EXPECT_EQ(out.font.weight, in.font.weight);
    EXPECT_EQ(out.font.italic, in.font.italic);
    EXPECT_EQ(out.font.charSet, in.font.charSet);
    EXPECT_STREQ(out.font.faceName, in.font.faceName);
    EXPECT_EQ(out.offsetX, in.offsetX);
    EXPECT_EQ(out.offsetY, in.offsetY);
    EXPECT_EQ(out.offsetZ, in.offsetZ);
    EXPECT_EQ(out.tilt, in.tilt);
    EXPECT_EQ(out.crText, in.crText);
    EXPECT_EQ(out.crBack1, in.crBack1);
    EXPECT_EQ(out.crBack2, in.crBack2);
    EXPECT_EQ(out.gradient, in.gradient);
}

TEST_F(SettingsApply, AStoredMaximisedWindowOpensMaximised) {
    DisplaySettings s = SampleRecord();
    s.placement.showCmd = SW_SHOWMAXIMIZED;
    Apply(s, m_host.Screen(), m_host.Window());
    EXPECT_TRUE(::IsZoomed(m_host.Window()));
    const DisplaySettings out = Fill(m_host.Screen(), m_host.Window());
    EXPECT_EQ(out.placement.showCmd, SW_SHOWMAXIMIZED);
    EXPECT_EQ(out.placement.right - out.placement.left, 400) << "the normal rectangle is kept";
}

TEST_F(SettingsApply, DefaultsRestoreAMaximisedWindowTo600x400AndTheScreenDefaults) {
    CScreenWnd& screen = m_host.Screen();
    Apply(SampleRecord(), screen, m_host.Window());  // a non-default screen and font, at 50, 60
    ::ShowWindow(m_host.Window(), SW_MAXIMIZE);
    ASSERT_TRUE(::IsZoomed(m_host.Window()));

    ApplyDefaultSettings(screen, m_host.Window());
    EXPECT_FALSE(::IsZoomed(m_host.Window()));
    const RECT r = OuterRect(m_host.Window());
    EXPECT_EQ(r.left, 50);
    EXPECT_EQ(r.top, 60);
    EXPECT_EQ(r.right - r.left, 600);
    EXPECT_EQ(r.bottom - r.top, 400);

    // What a close right after the reset would store.
    const DisplaySettings out = Fill(screen, m_host.Window());
    const DisplaySettings def = DefaultDisplaySettings();
    EXPECT_EQ(out.placement.showCmd, SW_SHOWNORMAL);
    EXPECT_EQ(out.placement.right - out.placement.left, 600);
    EXPECT_EQ(out.placement.bottom - out.placement.top, 400);
    EXPECT_EQ(out.offsetX, def.offsetX);
    EXPECT_EQ(out.offsetY, def.offsetY);
    EXPECT_EQ(out.offsetZ, def.offsetZ);
    EXPECT_EQ(out.tilt, def.tilt);
    EXPECT_EQ(out.crText, def.crText);
    EXPECT_EQ(out.crBack1, def.crBack1);
    EXPECT_EQ(out.crBack2, def.crBack2);
    EXPECT_EQ(out.gradient, def.gradient);
    EXPECT_EQ(out.font.height, def.font.height);
    EXPECT_EQ(out.font.weight, def.font.weight);
    EXPECT_EQ(out.font.italic, def.font.italic);
    EXPECT_EQ(out.font.charSet, def.font.charSet);
    EXPECT_EQ(out.font.outPrecision, def.font.outPrecision);
    EXPECT_EQ(out.font.pitchAndFamily, def.font.pitchAndFamily);
    EXPECT_STREQ(out.font.faceName, def.font.faceName);
}

TEST_F(SettingsApply, AnUnterminatedFaceNameIsNotReadPastItsField) {
    unsigned char record[kSettingsSize];
    PackSettings(SampleRecord(), record);
    std::memset(record + 72, 'A', 32);  // the face name runs into the X offset's bytes
    ApplySettingsRecord(record, m_host.Screen(), m_host.Window());
    EXPECT_NE(m_host.Screen().m_font, nullptr);
    EXPECT_EQ(std::string(m_host.Screen().GetScreenFont().lfFaceName), std::string(31, 'A'));
}

TEST_F(SettingsApply, AShortRecordStillLeavesTheScreenAFont) {
    // A stored value of 44 bytes: a placement and nothing else, so a font record of zeros.
    unsigned char record[kSettingsSize] = {};
    PackSettings(SampleRecord(), record);
    std::memset(record + 44, 0, kSettingsSize - 44);
    ApplySettingsRecord(record, m_host.Screen(), m_host.Window());
    EXPECT_NE(m_host.Screen().m_font, nullptr);
    EXPECT_EQ(m_host.Screen().m_fTilt, 0.0f);
    EXPECT_EQ(m_host.Screen().m_bGradient, 0);
}

TEST_F(SettingsApply, SavedRecordHasZeroReservedBytesInTheRegistry) {
    unsigned char record[kSettingsSize];
    std::memset(record, 0xFF, sizeof record);
    FillSettingsRecord(record, m_host.Screen(), m_host.Window());
    ASSERT_TRUE(SaveSettings(record));

    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    unsigned char stored[256] = {};
    DWORD size = sizeof stored;
    DWORD type = 0;
    const LONG rc = ::RegQueryValueExA(key, "datas", nullptr, &type, stored, &size);
    ::RegCloseKey(key);
    ASSERT_EQ(rc, ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    ASSERT_EQ(size, kSettingsSize);
    EXPECT_EQ(Bytes(stored + 116, stored + 120), Bytes(4, 0));
    EXPECT_EQ(Bytes(stored, stored + kSettingsSize), Bytes(record, record + kSettingsSize));
}
