#pragma once
// The screen's multisampled pixel format, chosen through WGL_ARB_pixel_format. A window's pixel format
// can be set only once, and the ARB entry points exist only while some context is current, so they are
// got from a throwaway window and context first. Where any of it fails, or no multisampled format is
// offered, the screen keeps its single-sampled format exactly as before.
#include <windows.h>

#include <atomic>
#include <vector>

#include "screen/PixelFormatChoice.h"

// Where the formats come from: the driver, through the ARB entry points, or a test's stand-in.
class PixelFormatSource {
public:
    virtual ~PixelFormatSource() = default;
    // Gets the entry points (from a throwaway window and context); false when they cannot be had.
    virtual bool Load() = 0;
    // The driver's own choice of multisampled formats of `dc` for the screen, best first; empty when
    // the choice fails or finds none.
    virtual std::vector<int> Candidates(HDC dc) = 0;
    // What format `index` of `dc` is; false when it cannot be told.
    virtual bool Describe(HDC dc, int index, PixelFormatInfo& info) = 0;
};

// The driver's formats through WGL_ARB_pixel_format.
class ArbPixelFormats : public PixelFormatSource {
public:
    bool Load() override;
    std::vector<int> Candidates(HDC dc) override;
    bool Describe(HDC dc, int index, PixelFormatInfo& info) override;

private:
    using ChooseFn = BOOL(WINAPI*)(HDC, const int*, const FLOAT*, UINT, int*, UINT*);
    using AttribsFn = BOOL(WINAPI*)(HDC, int, int, UINT, const int*, int*);
    ChooseFn m_pfnChoose = nullptr;
    AttribsFn m_pfnAttribs = nullptr;
};

// Test seam (null in the program): where the screens' formats come from instead of the driver.
extern std::atomic<PixelFormatSource*> g_pPixelFormatSource;

// The single-sampled format the screen has always asked ChoosePixelFormat for: RGBA with `colourBits`
// colour bits and 16 depth bits, the flags given (by default a double-buffered OpenGL window), every
// other buffer absent, the main plane.
constexpr DWORD kPlainFormatFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
PIXELFORMATDESCRIPTOR PlainFormatDescriptor(DWORD flags = kPlainFormatFlags, BYTE colourBits = 24);

// The most samples a screen takes: kMaxScreenSamples, or VX_SAMPLES from the environment when it is set
// (0 or 1: none, the single-sampled picture), for comparing pictures.
int WantedSamples();
// The multisampled format to set on `dc`, and what it is; 0 when there is none to take.
int ChooseScreenFormat(HDC dc, PixelFormatInfo& chosen);
