#include "screen/Multisample.h"

#include <GL/gl.h>
#include <GL/wglext.h>

#include <cstdlib>

#include "framework/EntryPoint.h"

std::atomic<PixelFormatSource*> g_pPixelFormatSource{nullptr};

namespace {

// The single-sampled format every OpenGL driver offers, for the throwaway window.
bool SetPlainFormat(HDC dc) {
    const PIXELFORMATDESCRIPTOR pfd = PlainFormatDescriptor();
    const int format = ::ChoosePixelFormat(dc, &pfd);
    return format != 0 && ::SetPixelFormat(dc, format, &pfd);
}


}  // namespace

bool ArbPixelFormats::Load() {
    if (m_pfnChoose != nullptr && m_pfnAttribs != nullptr) return true;
    HWND hWnd = ::CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, 0, 0, 16, 16, nullptr, nullptr,
                                  ::GetModuleHandleA(nullptr), nullptr);
    if (hWnd == nullptr) return false;
    HDC dc = ::GetDC(hWnd);
    // Whatever this thread had current is put back: the entry points are wanted, not the context.
    const HGLRC previous = ::wglGetCurrentContext();
    const HDC previousDC = ::wglGetCurrentDC();
    HGLRC rc = dc != nullptr && SetPlainFormat(dc) ? ::wglCreateContext(dc) : nullptr;
    if (rc != nullptr && ::wglMakeCurrent(dc, rc)) {
        m_pfnChoose = EntryPointAs<ChooseFn>(::wglGetProcAddress("wglChoosePixelFormatARB"));
        m_pfnAttribs = EntryPointAs<AttribsFn>(::wglGetProcAddress("wglGetPixelFormatAttribivARB"));
    }
    ::wglMakeCurrent(previousDC, previous);
    if (rc != nullptr) ::wglDeleteContext(rc);
    if (dc != nullptr) ::ReleaseDC(hWnd, dc);
    ::DestroyWindow(hWnd);
    if (m_pfnChoose == nullptr || m_pfnAttribs == nullptr) {
        m_pfnChoose = nullptr;
        m_pfnAttribs = nullptr;
        return false;
    }
    return true;
}

std::vector<int> ArbPixelFormats::Candidates(HDC dc) {
    if (m_pfnChoose == nullptr) return {};
    const int wanted[] = {WGL_DRAW_TO_WINDOW_ARB, GL_TRUE, WGL_SUPPORT_OPENGL_ARB, GL_TRUE,
                          WGL_DOUBLE_BUFFER_ARB,  GL_TRUE, WGL_PIXEL_TYPE_ARB,     WGL_TYPE_RGBA_ARB,
                          WGL_COLOR_BITS_ARB,     24,      WGL_DEPTH_BITS_ARB,     16,
                          WGL_SAMPLE_BUFFERS_ARB, 1,       WGL_SAMPLES_ARB,        2,
                          0};
    std::vector<int> formats(256);
    UINT count = 0;
    if (!m_pfnChoose(dc, wanted, nullptr, static_cast<UINT>(formats.size()), formats.data(), &count)) return {};
    formats.resize(count < formats.size() ? count : formats.size());
    return formats;
}

bool ArbPixelFormats::Describe(HDC dc, int index, PixelFormatInfo& info) {
    if (m_pfnAttribs == nullptr) return false;
    const int names[] = {WGL_DRAW_TO_WINDOW_ARB, WGL_SUPPORT_OPENGL_ARB, WGL_DOUBLE_BUFFER_ARB,
                         WGL_PIXEL_TYPE_ARB,     WGL_COLOR_BITS_ARB,     WGL_DEPTH_BITS_ARB,
                         WGL_STENCIL_BITS_ARB,   WGL_ACCUM_BITS_ARB,     WGL_SAMPLE_BUFFERS_ARB,
                         WGL_SAMPLES_ARB};
    int v[sizeof names / sizeof names[0]] = {};
    if (!m_pfnAttribs(dc, index, 0, sizeof names / sizeof names[0], names, v)) return false;
    info.index = index;
    info.bDrawToWindow = v[0] != 0;
    info.bSupportOpenGL = v[1] != 0;
    info.bDoubleBuffer = v[2] != 0;
    info.bRgba = v[3] == WGL_TYPE_RGBA_ARB;
    info.colourBits = v[4];
    info.depthBits = v[5];
    info.stencilBits = v[6];
    info.accumBits = v[7];
    info.sampleBuffers = v[8];
    info.samples = v[9];
    return true;
}

PIXELFORMATDESCRIPTOR PlainFormatDescriptor(DWORD flags, BYTE colourBits) {
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = flags;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = colourBits;
    pfd.cDepthBits = 16;
    pfd.iLayerType = PFD_MAIN_PLANE;
    return pfd;
}

int WantedSamples() {
    char value[16] = {};
    const DWORD length = ::GetEnvironmentVariableA("VX_SAMPLES", value, sizeof value);
    if (length == 0 || length >= sizeof value) return kMaxScreenSamples;
    return std::atoi(value);
}

int ChooseScreenFormat(HDC dc, PixelFormatInfo& chosen) {
    const int maxSamples = WantedSamples();
    if (maxSamples < 2) return 0;
    static ArbPixelFormats driver;  // the entry points are the same for every window of the process
    PixelFormatSource* source = g_pPixelFormatSource.load();
    if (source == nullptr) source = &driver;
    if (!source->Load()) return 0;
    // The driver's own choice, each format then described and judged here: a driver may offer formats
    // with more or fewer samples than asked, or none that fits.
    std::vector<PixelFormatInfo> formats;
    for (const int index : source->Candidates(dc)) {
        PixelFormatInfo info;
        if (source->Describe(dc, index, info)) formats.push_back(info);
    }
    const int format = ChooseMultisampledFormat(formats, maxSamples);
    for (const PixelFormatInfo& info : formats) {
        if (info.index == format) chosen = info;
    }
    return format;
}
