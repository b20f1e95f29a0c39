// The settings record against a real window and a real screen: applying a loaded record, filling one for
// saving, and the defaults.
//
// The checks of a window's state follow the call under test without handling messages in between: on a
// virtual display without a window manager, Wine's X11 driver finds no maximised state on the X side and
// restores a maximised window as soon as it handles the X events that the resize caused.
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

Bytes Range(const unsigned char* record, size_t from, size_t to) { return Bytes(record + from, record + to); }

class SettingsApply : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_pHost = new ScreenHost; }
    static void TearDownTestSuite() {
        delete s_pHost;
        s_pHost = nullptr;
    }
    void SetUp() override {
        ::ShowWindow(Wnd(), SW_RESTORE);
        ::MoveWindow(Wnd(), 20, 20, 400, 300, TRUE);
        s_pHost->Screen().SetDefaults();
        ScreenHost::Pump();

        // Unlike the defaults in every field that applying reads; length 0: the apply step sets it.
        DisplaySettings s{};
        s.placement = {0, 0, SW_SHOWNORMAL, 0, 0, 0, 0, 50, 60, 450, 360};
        s.font = {-20, 0, 0, 0, 700, 1, 0, 0, 128, 4, 0, 0, 2, {}};
        std::memcpy(s.font.faceName, kFaceGothicP, sizeof kFaceGothicP);
        s.offsetX = 1.5f;
        s.offsetY = -2.5f;
        s.offsetZ = 3.25f;
        s.tilt = 12.0f;
        s.crText = 0x00102030;
        s.crBack1 = 0x00405060;
        s.crBack2 = 0x00708090;
        s.gradient = 0;
        PackSettings(s, m_in);
    }

    static HWND Wnd() { return s_pHost->Window(); }
    static CScreenWnd& Screen() { return s_pHost->Screen(); }
    // FillSettingsRecord over 0xFF bytes: every byte must be written, the reserved ones as zero.
    void Fill() {
        std::memset(m_out, 0xFF, sizeof m_out);
        FillSettingsRecord(m_out, Screen(), Wnd());
        EXPECT_EQ(Range(m_out, 116, 120), Bytes(4, 0));
    }
    RECT Outer() const {
        RECT r{};
        ::GetWindowRect(Wnd(), &r);
        return r;
    }

    static ScreenHost* s_pHost;
    unsigned char m_in[kSettingsSize];
    unsigned char m_out[kSettingsSize];
};
ScreenHost* SettingsApply::s_pHost = nullptr;

}  // namespace

TEST_F(SettingsApply, ARecordReachesScreenFontAndWindowAndFillsBackTheSame) {
    ApplySettingsRecord(m_in, Screen(), Wnd());
    EXPECT_EQ(Screen().m_fTilt, 12.0f);
    EXPECT_EQ(Screen().m_crBack2, 0x00708090u);
    EXPECT_STREQ(Screen().GetScreenFont().lfFaceName, kFaceGothicP);
    const RECT r = Outer();
    EXPECT_EQ(std::vector<LONG>({r.left, r.top, r.right, r.bottom}), std::vector<LONG>({50, 60, 450, 360}));

    // Everything read back from the screen and the window as it was applied: font, view values, colours.
    Fill();
    EXPECT_EQ(Range(m_out, 44, kSettingsSize), Range(m_in, 44, kSettingsSize));
    EXPECT_EQ(Range(m_out, 28, 44), Range(m_in, 28, 44)) << "normal rectangle";
    const DisplaySettings out = UnpackSettings(m_out);
    EXPECT_EQ(out.placement.length, 44);
    EXPECT_EQ(out.placement.showCmd, SW_SHOWNORMAL);
}

TEST_F(SettingsApply, AStoredMaximisedWindowOpensMaximised) {
    m_in[SettingsOffset::kPlacement + 8] = SW_SHOWMAXIMIZED;
    ApplySettingsRecord(m_in, Screen(), Wnd());
    EXPECT_TRUE(::IsZoomed(Wnd()));
    Fill();
    EXPECT_EQ(UnpackSettings(m_out).placement.showCmd, SW_SHOWMAXIMIZED);
    EXPECT_EQ(Range(m_out, 28, 44), Range(m_in, 28, 44)) << "the stored normal rectangle is kept";
}

TEST_F(SettingsApply, ResetThenCloseStoresTheDefaultsAnd600x400) {
    ApplySettingsRecord(m_in, Screen(), Wnd());  // a non-default screen and font, at 50, 60
    ::ShowWindow(Wnd(), SW_MAXIMIZE);
    ASSERT_TRUE(::IsZoomed(Wnd()));

    ApplyDefaultSettings(Screen(), Wnd());
    EXPECT_FALSE(::IsZoomed(Wnd()));
    const RECT r = Outer();
    EXPECT_EQ(std::vector<LONG>({r.left, r.top, r.right - r.left, r.bottom - r.top}),
              std::vector<LONG>({50, 60, 600, 400}));

    // The record a close right after the reset writes: the defaults, a normal 600 x 400 window.
    Fill();
    unsigned char def[kSettingsSize];
    PackSettings(DefaultDisplaySettings(), def);
    EXPECT_EQ(Range(m_out, 104, kSettingsSize), Range(def, 104, kSettingsSize)) << "view values and colours";
    EXPECT_EQ(Range(m_out, 44, 72), Range(def, 44, 72)) << "font metrics";
    EXPECT_STREQ(UnpackSettings(m_out).font.faceName, kFaceMinchoP);
    const PlacementData p = UnpackSettings(m_out).placement;
    EXPECT_EQ(std::vector<int>({p.showCmd, p.left, p.top, p.right, p.bottom}),
              std::vector<int>({SW_SHOWNORMAL, 50, 60, 650, 460}));

    ASSERT_TRUE(SaveSettings(m_out));
    unsigned char stored[kSettingsSize] = {};
    ASSERT_TRUE(LoadSettings(stored));
    EXPECT_EQ(Range(stored, 0, kSettingsSize), Range(m_out, 0, kSettingsSize));
}

TEST_F(SettingsApply, AnUnterminatedFaceNameIsNotReadPastItsField) {
    std::memset(m_in + 72, 'A', 32);  // the face name runs into the X offset's bytes
    ApplySettingsRecord(m_in, Screen(), Wnd());
    EXPECT_EQ(std::string(Screen().GetScreenFont().lfFaceName), std::string(31, 'A'));
}
