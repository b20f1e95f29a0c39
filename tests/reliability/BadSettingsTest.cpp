// Stored settings at every extreme a registry value can hold, applied to the real main window with a
// real interpreter: the program starts, draws, opens every dialog, closes, and writes back a record
// that is valid and puts the window where a monitor shows it.
#include <gtest/gtest.h>

#include <cmath>
#include <climits>
#include <cstring>
#include <functional>
#include <limits>
#include <ostream>

#include "app/PlacementCheck.h"
#include "res/resource.h"
#include "screen/AdjustMath.h"
#include "tests/reliability/Support.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

struct BadRecord {
    const char* name;
    std::function<void(DisplaySettings&)> spoil;
    size_t length = kSettingsSize;  // a shorter "datas" leaves the rest zero
};

void PrintTo(const BadRecord& record, std::ostream* os) { *os << record.name; }

// Where the record's window normally stands: well inside the desktop.
DisplaySettings Base() {
    DisplaySettings s = DefaultDisplaySettings();
    s.placement.left = 40;
    s.placement.top = 40;
    s.placement.right = 640;
    s.placement.bottom = 440;
    return s;
}

const BadRecord kRecords[] = {
    {"nan_view", [](DisplaySettings& s) { s.offsetX = s.offsetY = s.offsetZ = s.tilt = kNaN; }},
    {"infinite_view",
     [](DisplaySettings& s) {
         s.offsetX = kInf;
         s.offsetY = -kInf;
         s.offsetZ = kInf;
         s.tilt = -kInf;
     }},
    {"huge_view",
     [](DisplaySettings& s) {
         s.offsetX = 3.0e38f;
         s.offsetY = -3.0e38f;
         s.offsetZ = 1.0e30f;
         s.tilt = 1.0e20f;
     }},
    {"colour_top_bytes_gradient_7",
     [](DisplaySettings& s) {
         s.crText = 0xFF123456;
         s.crBack1 = 0x01000000;
         s.crBack2 = 0xFFFFFFFF;
         s.gradient = 7;
     }},
    {"face_without_nul", [](DisplaySettings& s) { std::memset(s.font.faceName, 0x82, kFaceNameSize); }},
    {"absurd_font_int_min",
     [](DisplaySettings& s) {
         s.font.height = INT_MIN;
         s.font.width = INT_MAX;
         s.font.weight = INT_MIN;
         s.font.escapement = INT_MAX;
         s.font.orientation = INT_MIN;
         s.font.charSet = 0xFF;
         s.font.outPrecision = 0xFF;
         s.font.pitchAndFamily = 0xFF;
     }},
    {"absurd_font_huge",
     [](DisplaySettings& s) {
         s.font.height = 100000;
         s.font.weight = 100000;
         s.font.italic = s.font.underline = s.font.strikeOut = 0xFF;
     }},
    {"placement_off_every_monitor",
     [](DisplaySettings& s) {
         s.placement.left = 40000;
         s.placement.top = -40000;
         s.placement.right = 40600;
         s.placement.bottom = -39600;
     }},
    {"placement_extremes",
     [](DisplaySettings& s) {
         s.placement.left = INT_MAX;
         s.placement.top = INT_MAX;
         s.placement.right = INT_MIN;
         s.placement.bottom = INT_MIN;
         s.placement.minX = s.placement.minY = s.placement.maxX = s.placement.maxY = INT_MIN;
         s.placement.flags = -1;
         s.placement.showCmd = 3;
     }},
    {"placement_zero_sized_hidden",
     [](DisplaySettings& s) {
         s.placement.right = s.placement.left;
         s.placement.bottom = s.placement.top;
         s.placement.showCmd = 0;  // hidden
     }},
    {"placement_whole_int_range",
     [](DisplaySettings& s) {
         s.placement.left = INT_MIN;
         s.placement.top = INT_MIN;
         s.placement.right = INT_MAX;
         s.placement.bottom = INT_MAX;
         s.placement.showCmd = 2;
     }},
    {"short_value_104_bytes", [](DisplaySettings&) {}, 104},
    {"everything_at_once",
     [](DisplaySettings& s) {
         s.offsetX = kNaN;
         s.tilt = kInf;
         s.crText = 0xFFFFFFFF;
         s.gradient = -1;
         std::memset(s.font.faceName, 'W', kFaceNameSize);
         s.font.height = INT_MIN;
         s.placement.left = -50000;
         s.placement.right = -60000;
         s.placement.showCmd = 77;
     }},
};

class BadSettingsTest : public ::testing::TestWithParam<BadRecord> {
protected:
    void TearDown() override { ClearStoredSettings(); }
};

int BarPos(HWND dialog, int id) { return ::GetScrollPos(::GetDlgItem(dialog, id), SB_CTL); }

// The window's outer rectangle lies on a work area by at least the usable margin in both directions.
bool ShownOnAMonitor(HWND hWnd) {
    RECT r;
    ::GetWindowRect(hWnd, &r);
    if (r.right - r.left <= 0 || r.bottom - r.top <= 0) return false;
    HMONITOR monitor = ::MonitorFromRect(&r, MONITOR_DEFAULTTONULL);
    if (monitor == nullptr) return false;
    MONITORINFO info{};
    info.cbSize = sizeof info;
    ::GetMonitorInfoA(monitor, &info);
    RECT both;
    return ::IntersectRect(&both, &r, &info.rcMonitor) && both.right - both.left >= kMinVisiblePixels &&
           both.bottom - both.top >= kMinVisiblePixels;
}

}  // namespace

TEST_P(BadSettingsTest, StartsDrawsOpensEveryDialogClosesAndWritesAValidRecord) {
    const BadRecord& bad = GetParam();
    DisplaySettings s = Base();
    bad.spoil(s);
    unsigned char record[kSettingsSize];
    PackSettings(s, record);
    std::memset(record + bad.length, 0, kSettingsSize - bad.length);
    ClearStoredSettings();
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tarnel\\vextral", 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExA(key, "ver", 0, REG_SZ, reinterpret_cast<const BYTE*>("Version 1.0.2"), 14);
    ::RegSetValueExA(key, "datas", 0, REG_BINARY, record, static_cast<DWORD>(bad.length));
    ::RegCloseKey(key);

    MainWindow main;
    ASSERT_TRUE(main.Alive());
    ASSERT_TRUE(main.WaitForPrompt()) << "no prompt";
    // The window is usable: shown, with a size, on a monitor (mended when the record would hide it).
    EXPECT_TRUE(::IsWindowVisible(main.Handle()));
    if (!::IsIconic(main.Handle())) {
        EXPECT_TRUE(ShownOnAMonitor(main.Handle()));
    }
    // The screen never stays without a font, whatever the record held.
    LOGFONTA lf{};
    EXPECT_EQ(::GetObjectA(main.Screen().m_font, sizeof lf, &lf), static_cast<int>(sizeof lf));

    // It draws: output is stored and each piece is drawn as it comes.
    main.Type("echo vx-bad-record");
    EXPECT_TRUE(PumpUntil([&] { return main.StoreHas("vx-bad-record"); }));
    main.Screen().RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);

    // Every dialog. The adjustment dialog's bars stay within their ranges whatever the view values are.
    const HWND owner = main.Handle();
    auto command = [&](UINT id) { return [=] { ::SendMessageA(owner, WM_SYSCOMMAND, id, 0); }; };
    int pos[4] = {INT_MIN, INT_MIN, INT_MIN, INT_MIN};
    EXPECT_EQ(RunModal(owner, command(IDM_ADJUST),
                       {[&](HWND d) {
                            pos[0] = BarPos(d, IDC_ADJUST_X);
                            pos[1] = BarPos(d, IDC_ADJUST_Y);
                            pos[2] = BarPos(d, IDC_ADJUST_Z);
                            pos[3] = BarPos(d, IDC_ADJUST_TILT);
                            ::SendMessageA(d, WM_HSCROLL, SB_LINEDOWN,
                                           reinterpret_cast<LPARAM>(::GetDlgItem(d, IDC_ADJUST_X)));
                            ::SendMessageA(d, WM_VSCROLL, SB_PAGEUP,
                                           reinterpret_cast<LPARAM>(::GetDlgItem(d, IDC_ADJUST_TILT)));
                        },
                        [](HWND d) { ::PostMessageA(d, WM_COMMAND, IDOK, 0); }}),
              2u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_GE(pos[i], kOffsetBarMin);
        EXPECT_LE(pos[i], kOffsetBarMax);
    }
    EXPECT_GE(pos[3], kTiltBarMin);
    EXPECT_LE(pos[3], kTiltBarMax);
    EXPECT_TRUE(std::isfinite(main.Screen().m_fOffsetX));  // a scrolled bar gives a value of its range
    EXPECT_TRUE(std::isfinite(main.Screen().m_fTilt));

    const BOOL gradientBefore = main.Screen().m_bGradient;
    int ticked = -1;
    EXPECT_EQ(RunModal(owner, command(IDM_COLOUR),
                       {[&](HWND d) { ticked = ::IsDlgButtonChecked(d, IDC_COLOUR_GRADIENT); },
                        [](HWND d) { ::PostMessageA(d, WM_COMMAND, IDOK, 0); }}),
              2u);
    // Whatever the stored flag, the box opens ticked or cleared, and OK stores what it shows.
    EXPECT_TRUE(ticked == BST_CHECKED || ticked == BST_UNCHECKED) << ticked;
    if (gradientBefore == 0 || gradientBefore == 1) {
        EXPECT_EQ(ticked, gradientBefore);
    }
    EXPECT_EQ(main.Screen().m_bGradient, ticked);

    EXPECT_EQ(RunModal(owner, command(IDM_FONT), {[](HWND) {}}), 1u);  // then cancelled
    EXPECT_EQ(RunModal(owner, command(IDM_ABOUT), {[](HWND d) { ::PostMessageA(d, WM_COMMAND, IDOK, 0); }}),
              1u);
    EXPECT_TRUE(main.Alive());
    main.Type("echo vx-still-here");
    EXPECT_TRUE(PumpUntil([&] { return main.StoreHas("vx-still-here"); }));

    const long long ms = main.Close();
    ASSERT_GE(ms, 0) << "the window did not close";

    std::string ver;
    std::vector<unsigned char> datas;
    ASSERT_TRUE(ReadStoredSettings(ver, datas));
    EXPECT_EQ(ver, std::string("Version 1.0.2", 14));
    ASSERT_EQ(datas.size(), kSettingsSize);
    EXPECT_EQ(datas[116] | datas[117] | datas[118] | datas[119], 0);
    const DisplaySettings saved = UnpackSettings(datas.data());
    EXPECT_NE(std::memchr(datas.data() + SettingsOffset::kFaceName, '\0', kFaceNameSize), nullptr)
        << "face name written without its NUL";
    EXPECT_GE(saved.placement.showCmd, 1);
    EXPECT_LE(saved.placement.showCmd, 3);
    EXPECT_GT(saved.placement.right - static_cast<long long>(saved.placement.left), 0);
    EXPECT_GT(saved.placement.bottom - static_cast<long long>(saved.placement.top), 0);
    // Written back, the record starts a usable window again: the mending has nothing left to mend.
    PlacementData again = saved.placement;
    std::vector<WorkArea> areas;
    RECT work{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    areas.push_back({work.left, work.top, work.right, work.bottom});
    const WindowSize largest{::GetSystemMetrics(SM_CXMAXTRACK), ::GetSystemMetrics(SM_CYMAXTRACK)};
    EXPECT_FALSE(KeepPlacementUsable(again, areas, largest, {600, 400})) << "saved placement is unusable";
}

INSTANTIATE_TEST_SUITE_P(Records, BadSettingsTest, ::testing::ValuesIn(kRecords),
                         [](const ::testing::TestParamInfo<BadRecord>& info) { return info.param.name; });
