// The glue between the settings record, the screen's display values and the main window's placement.
#include <cstring>
#include <vector>

#include "app/PlacementCheck.h"
#include "app/Settings.h"
#include "screen/ScreenWnd.h"

// The record's placement and font are the platform's own structs, field for field.
static_assert(sizeof(WINDOWPLACEMENT) == sizeof(PlacementData));
static_assert(sizeof(LOGFONTA) == sizeof(FontData));
static_assert(sizeof(LOGFONTA::lfFaceName) == kFaceNameSize);

namespace {

WINDOWPLACEMENT ToPlacement(const PlacementData& p) {
    WINDOWPLACEMENT wp{};
    wp.length = static_cast<UINT>(p.length);
    wp.flags = static_cast<UINT>(p.flags);
    wp.showCmd = static_cast<UINT>(p.showCmd);
    wp.ptMinPosition = {p.minX, p.minY};
    wp.ptMaxPosition = {p.maxX, p.maxY};
    wp.rcNormalPosition = {p.left, p.top, p.right, p.bottom};
    return wp;
}

PlacementData FromPlacement(const WINDOWPLACEMENT& wp) {
    PlacementData p{};
    p.length = static_cast<std::int32_t>(wp.length);
    p.flags = static_cast<std::int32_t>(wp.flags);
    p.showCmd = static_cast<std::int32_t>(wp.showCmd);
    p.minX = wp.ptMinPosition.x;
    p.minY = wp.ptMinPosition.y;
    p.maxX = wp.ptMaxPosition.x;
    p.maxY = wp.ptMaxPosition.y;
    p.left = wp.rcNormalPosition.left;
    p.top = wp.rcNormalPosition.top;
    p.right = wp.rcNormalPosition.right;
    p.bottom = wp.rcNormalPosition.bottom;
    return p;
}

LOGFONTA ToLogFont(const FontData& f) {
    LOGFONTA lf{};
    lf.lfHeight = f.height;
    lf.lfWidth = f.width;
    lf.lfEscapement = f.escapement;
    lf.lfOrientation = f.orientation;
    lf.lfWeight = f.weight;
    lf.lfItalic = f.italic;
    lf.lfUnderline = f.underline;
    lf.lfStrikeOut = f.strikeOut;
    lf.lfCharSet = f.charSet;
    lf.lfOutPrecision = f.outPrecision;
    lf.lfClipPrecision = f.clipPrecision;
    lf.lfQuality = f.quality;
    lf.lfPitchAndFamily = f.pitchAndFamily;
    std::memcpy(lf.lfFaceName, f.faceName, kFaceNameSize);
    return lf;
}

FontData FromLogFont(const LOGFONTA& lf) {
    FontData f{};
    f.height = lf.lfHeight;
    f.width = lf.lfWidth;
    f.escapement = lf.lfEscapement;
    f.orientation = lf.lfOrientation;
    f.weight = lf.lfWeight;
    f.italic = lf.lfItalic;
    f.underline = lf.lfUnderline;
    f.strikeOut = lf.lfStrikeOut;
    f.charSet = lf.lfCharSet;
    f.outPrecision = lf.lfOutPrecision;
    f.clipPrecision = lf.lfClipPrecision;
    f.quality = lf.lfQuality;
    f.pitchAndFamily = lf.lfPitchAndFamily;
    std::memcpy(f.faceName, lf.lfFaceName, kFaceNameSize);
    return f;
}

BOOL CALLBACK AddWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!::GetMonitorInfoA(monitor, &info)) return TRUE;
    auto* areas = reinterpret_cast<std::vector<WorkArea>*>(data);
    const WorkArea area{info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
    // The primary monitor's work area first: the placement's coordinates count from its top-left, and an
    // unreachable window is moved onto it.
    if (info.dwFlags & MONITORINFOF_PRIMARY) {
        areas->insert(areas->begin(), area);
    } else {
        areas->push_back(area);
    }
    return TRUE;
}

// The work areas of all monitors in screen coordinates, the primary one first.
std::vector<WorkArea> MonitorWorkAreas() {
    std::vector<WorkArea> areas;
    ::EnumDisplayMonitors(nullptr, nullptr, &AddWorkArea, reinterpret_cast<LPARAM>(&areas));
    if (areas.empty()) {
        RECT work{};
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        areas.push_back({work.left, work.top, work.right, work.bottom});
    }
    return areas;
}

}  // namespace

void ApplySettingsRecord(const unsigned char record[kSettingsSize], CScreenWnd& screen, HWND mainWnd) {
    // UnpackSettings leaves the face name terminated within its field, so CreateFontIndirectA cannot
    // read past it.
    const DisplaySettings s = UnpackSettings(record);

    // Taken as stored, unchecked: whoever turns them into positions or pixels keeps them in range.
    DisplayValues values;
    values.view = {s.tilt, s.offsetX, s.offsetY, s.offsetZ};
    values.crText = s.crText;
    values.crBack1 = s.crBack1;
    values.crBack2 = s.crBack2;
    values.bGradient = s.gradient;
    screen.SetDisplayValues(values);

    screen.SetScreenFont(ToLogFont(s.font));

    // The placement as stored, unless it would leave the window where nobody can see or reach it
    // (hidden, no size, off every monitor): then it is mended just enough to be usable again.
    PlacementData placement = s.placement;
    const WindowSize largest{::GetSystemMetrics(SM_CXMAXTRACK), ::GetSystemMetrics(SM_CYMAXTRACK)};
    const UINT dpi = WindowDpi(mainWnd);
    KeepPlacementUsable(placement, MonitorWorkAreas(), largest, {ScaleForDpi(600, dpi), ScaleForDpi(400, dpi)});
    WINDOWPLACEMENT wp = ToPlacement(placement);
    wp.length = sizeof wp;
    ::SetWindowPlacement(mainWnd, &wp);
}

void FillSettingsRecord(unsigned char record[kSettingsSize], const CScreenWnd& screen, HWND mainWnd) {
    std::memset(record, 0, kSettingsSize);

    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    ::GetWindowPlacement(mainWnd, &wp);

    DisplaySettings s{};
    s.placement = FromPlacement(wp);
    s.font = FromLogFont(screen.GetScreenFont());
    s.offsetX = screen.m_fOffsetX;
    s.offsetY = screen.m_fOffsetY;
    s.offsetZ = screen.m_fOffsetZ;
    s.reserved = 0;
    s.tilt = screen.m_fTilt;
    s.crText = screen.m_crText;
    s.crBack1 = screen.m_crBack1;
    s.crBack2 = screen.m_crBack2;
    s.gradient = screen.m_bGradient;
    PackSettings(s, record);
}

void ApplyDefaultSettings(CScreenWnd& screen, HWND mainWnd) {
    screen.SetDefaults();

    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    if (!::GetWindowPlacement(mainWnd, &wp)) return;
    // 600 x 400 at 100 %, as large on the monitor at any other scale.
    const UINT dpi = WindowDpi(mainWnd);
    wp.rcNormalPosition.right = wp.rcNormalPosition.left + ScaleForDpi(600, dpi);
    wp.rcNormalPosition.bottom = wp.rcNormalPosition.top + ScaleForDpi(400, dpi);
    wp.showCmd = SW_SHOWNORMAL;
    ::SetWindowPlacement(mainWnd, &wp);
}
