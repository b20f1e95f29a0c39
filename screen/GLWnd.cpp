#include "screen/GLWnd.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/EntryPoint.h"
#include "screen/Multisample.h"

#ifndef GL_BGRA_EXT
#define GL_BGRA_EXT 0x80E1
#endif

CGLDC::CGLDC(const CGLWnd& wnd) : m_hWnd(wnd.GetGLWindow()), m_hDC(::GetDC(m_hWnd)) {}

CGLDC::~CGLDC() {
    if (m_hDC != nullptr) ::ReleaseDC(m_hWnd, m_hDC);
}

namespace {

// Whether frames are shown by copying: under Wine before version 10, which shows nothing of what is
// drawn into a child window with a pixel format. VX_PRESENT=own or VX_PRESENT=copy in the environment
// chooses for tests.
bool PresentByCopy() {
    char forced[8] = {};
    const DWORD length = ::GetEnvironmentVariableA("VX_PRESENT", forced, sizeof forced);
    if (length > 0 && length < sizeof forced) {
        if (std::strcmp(forced, "own") == 0) return false;
        if (std::strcmp(forced, "copy") == 0) return true;
    }
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    using VersionFn = const char*(CDECL*)();
    const auto version =
        ntdll != nullptr ? EntryPointAs<VersionFn>(::GetProcAddress(ntdll, "wine_get_version")) : nullptr;
    if (version == nullptr) return false;  // Windows
    const char* text = version();
    return text == nullptr || std::atoi(text) < 10;
}

}  // namespace

BOOL CGLWnd::Create(HWND parent, const RECT& rect, UINT id) {
    return CreateEx(0, RegisterWndClass(CS_DBLCLKS, ::LoadCursorA(nullptr, IDC_ARROW)), "",
                    WS_CHILD | WS_VISIBLE, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

BOOL CGLWnd::PreCreateWindow(CREATESTRUCTA& cs) {
    // OpenGL draws only into windows that clip their children and siblings.
    cs.style |= WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    return CWnd::PreCreateWindow(cs);
}

void CGLWnd::PreSubclassWindow() {
    CWnd::PreSubclassWindow();
    // No frame change: the taken-over control keeps its place and look.
    ModifyStyle(0, WS_CLIPCHILDREN | WS_CLIPSIBLINGS);
    InitGL();  // a failure leaves m_hRC null: the window then simply shows no 3D content
}

bool CGLWnd::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    static const MessageEntry<CGLWnd> kTable[] = {
        OnMessage(WM_PAINT, &CGLWnd::OnPaint),
        OnMessage(WM_CREATE, &CGLWnd::OnCreate),
        OnMessage(WM_SIZE, &CGLWnd::OnSize),
        OnMessage(WM_DESTROY, &CGLWnd::OnDestroy),
    };
    return DispatchTable(*this, kTable, msg, wp, lp, result) || CWnd::OnWndMsg(msg, wp, lp, result);
}

BOOL CGLWnd::SetupPixelFormat(HDC dc, DWORD flags, BYTE colourBits) {
    const PIXELFORMATDESCRIPTOR pfd = PlainFormatDescriptor(flags, colourBits);
    const int format = ::ChoosePixelFormat(dc, &pfd);
    if (format == 0) return FALSE;
    return ::SetPixelFormat(dc, format, &pfd);
}

HPALETTE CGLWnd::CreateRGBPalette(HDC dc) {
    if (::GetDeviceCaps(dc, SIZEPALETTE) != 256) return nullptr;
    // A 3-3-2 palette: eight levels of red and green, four of blue.
    static const BYTE kLevels8[8] = {0, 36, 72, 109, 145, 182, 218, 255};
    static const BYTE kLevels4[4] = {0, 85, 170, 255};
    struct {
        WORD version;
        WORD count;
        PALETTEENTRY entries[256];
    } palette{};
    palette.version = 0x300;
    palette.count = 256;
    for (int i = 0; i < 256; ++i) {
        palette.entries[i].peRed = kLevels8[i & 7];
        palette.entries[i].peGreen = kLevels8[(i >> 3) & 7];
        palette.entries[i].peBlue = kLevels4[(i >> 6) & 3];
        palette.entries[i].peFlags = 0;
    }
    return ::CreatePalette(reinterpret_cast<const LOGPALETTE*>(&palette));
}

BOOL CGLWnd::InitGL() {
    m_bPresentByCopy = PresentByCopy();
    if (m_bPresentByCopy && m_hGLWnd == nullptr) {
        // As large as the whole desktop, so that it holds a frame of any size this window usually takes;
        // it grows with this window beyond that (the desktop may grow while the program runs).
        m_hGLWnd = ::CreateWindowExA(WS_EX_TOOLWINDOW, RegisterWndClass(CS_OWNDC), "", WS_POPUP, 0, 0,
                                     ::GetSystemMetrics(SM_CXVIRTUALSCREEN),
                                     ::GetSystemMetrics(SM_CYVIRTUALSCREEN), nullptr, nullptr,
                                     ::GetModuleHandleA(nullptr), nullptr);
    }
    CGLDC dc(*this);
    if (dc.get() == nullptr) return FALSE;
    // Multisampled where the driver offers it (the copy reads the resolved frame); else, or when the
    // format is refused, the single-sampled one.
    // Frames shown by copying are multisampled in a framebuffer object instead (screen/MultisampleBuffer.h):
    // their window keeps the single-sampled format.
    PixelFormatInfo multi;
    const int format = m_bPresentByCopy ? 0 : ChooseScreenFormat(dc.get(), multi);
    PIXELFORMATDESCRIPTOR pfd{};
    const bool multisampled = format != 0 && ::DescribePixelFormat(dc.get(), format, sizeof pfd, &pfd) != 0 &&
                              ::SetPixelFormat(dc.get(), format, &pfd);
    if (!multisampled &&
        !SetupPixelFormat(dc.get(), kPlainFormatFlags, 24)) {
        return FALSE;
    }
    m_nPixelFormat = ::GetPixelFormat(dc.get());
    m_hPalette = CreateRGBPalette(dc.get());
    m_hRC = ::wglCreateContext(dc.get());
    if (m_hRC == nullptr) return FALSE;

    ::wglMakeCurrent(dc.get(), m_hRC);
    m_nSamples = 0;
    if (multisampled) {
        glEnable(GL_MULTISAMPLE_ARB);
        GLint samples = 0;
        glGetIntegerv(GL_SAMPLES_ARB, &samples);
        m_nSamples = samples;
    } else if (m_bPresentByCopy) {
        const RECT rc = GetClientRect();
        if (m_multisample.Create(WantedSamples(), rc.right - rc.left, rc.bottom - rc.top)) {
            glEnable(GL_MULTISAMPLE_ARB);
            m_nSamples = m_multisample.Samples();
        }
    }
    if (m_nSamples >= 2) {
        const RECT rc = GetClientRect();
        m_accumulation.Create(rc.right - rc.left, rc.bottom - rc.top);
    }
    // Counter-clockwise polygons face the viewer; the others are not drawn.
    glFrontFace(GL_CCW);
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    glPolygonMode(GL_FRONT, GL_FILL);
    glShadeModel(GL_SMOOTH);
    // One directional light, fixed relative to the viewer: from the right, a little above, from the
    // viewer's side. It is given while the model-view matrix is the identity.
    static const GLfloat kAmbient[] = {0.2f, 0.2f, 0.2f, 1.0f};
    static const GLfloat kDiffuse[] = {0.8f, 0.8f, 0.8f, 1.0f};
    static const GLfloat kSpecular[] = {0.5f, 0.5f, 0.5f, 1.0f};
    static const GLfloat kPosition[] = {100.0f, 10.0f, 100.0f, 0.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, kAmbient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, kDiffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, kSpecular);
    glLightfv(GL_LIGHT0, GL_POSITION, kPosition);
    glEnable(GL_LIGHT0);
    ::wglMakeCurrent(dc.get(), nullptr);
    return TRUE;
}

void CGLWnd::DrawScene(HDC) {}

void CGLWnd::SetViewport(int cx, int cy) {
    glViewport(0, 0, cx, cy);
    m_multisample.Resize(cx, cy);
    m_accumulation.Resize(cx, cy);
    LoadProjection(cx, cy);
}

void CGLWnd::LoadProjection(int cx, int cy, const JitterOffset& jitter) const {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // A client area of height 0 (a minimised window) has no aspect: the projection then uses a height
    // of 1, which keeps the matrix finite until the next real size arrives.
    const int height = cy > 0 ? cy : 1;
    // The offset in pixels, as a move of the whole clip space (2 units across the viewport), applied
    // after the perspective.
    if (jitter.dx != 0.0f || jitter.dy != 0.0f) {
        glTranslatef(2.0f * jitter.dx / static_cast<float>(cx > 0 ? cx : 1),
                     2.0f * jitter.dy / static_cast<float>(height), 0.0f);
    }
    const float aspect = static_cast<float>(cx) / static_cast<float>(height);
    gluPerspective(m_fFovY, aspect, m_fNear, m_fFar);
}

bool CGLWnd::CanAccumulate() const {
    return m_accumulation.Active() && (m_bPresentByCopy ? m_multisample.Active() : m_nSamples >= 2);
}

void CGLWnd::RenderRefinePass(HDC dc, const GLint band[2], const JitterOffset& jitter, float weight, bool first) {
    CGLDC gl(*this);
    ::wglMakeCurrent(gl.get(), m_hRC);
    if (first) m_accumulation.Clear();
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    LoadProjection(viewport[2], viewport[3], jitter);
    LoadCamera();
    glScissor(0, band[0], viewport[2], band[1]);
    glEnable(GL_SCISSOR_TEST);
    // Single-sampled, into the back buffer (not shown until ShowRefined): of 16 samples a pixel, those
    // of an ordered 4 x 4 grid came nearest to a picture of 64 samples a pixel (measured with the
    // picture quality benchmark), nearer than 4 passes of 4-sample multisampling at offsets that made
    // their samples an n-rooks pattern, which shade once a pixel.
    glDisable(GL_MULTISAMPLE_ARB);
    DrawScene(dc);
    m_accumulation.Add(0, band[0], band[1], weight);
    if (m_nSamples >= 2) glEnable(GL_MULTISAMPLE_ARB);
    LoadProjection(viewport[2], viewport[3]);
    glMatrixMode(GL_MODELVIEW);
    // The slice is done when this returns: what a message handled next draws never waits for it.
    glFinish();
    ::wglMakeCurrent(gl.get(), nullptr);
}

void CGLWnd::ShowRefined(HDC dc) {
    if (m_hPalette != nullptr) {
        ::SelectPalette(dc, m_hPalette, FALSE);
        ::RealizePalette(dc);
    }
    CGLDC gl(*this);
    ::wglMakeCurrent(gl.get(), m_hRC);
    m_accumulation.Show();
    Present(dc);
    ::wglMakeCurrent(gl.get(), nullptr);
}

void CGLWnd::Render(HDC dc, const GLint* band, bool refined) {
    if (m_hPalette != nullptr) {
        ::SelectPalette(dc, m_hPalette, FALSE);
        ::RealizePalette(dc);
    }
    CGLDC gl(*this);
    ::wglMakeCurrent(gl.get(), m_hRC);
    LoadCamera();
    const bool partial = band != nullptr && m_bPresentByCopy;
    if (partial) {
        GLint viewport[4] = {};
        glGetIntegerv(GL_VIEWPORT, viewport);
        glScissor(0, band[0], viewport[2], band[1]);
        glEnable(GL_SCISSOR_TEST);
    }
    const bool multisampled = refined && m_multisample.Active();
    if (multisampled) m_multisample.Bind();
    DrawScene(dc);
    if (multisampled) m_multisample.Resolve();
    Present(dc, partial ? band : nullptr);
    if (partial) glDisable(GL_SCISSOR_TEST);
    ::wglMakeCurrent(gl.get(), nullptr);
}

void CGLWnd::LoadCamera() const {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(m_eye[0], m_eye[1], m_eye[2], m_target[0], m_target[1], m_target[2], m_up[0], m_up[1],
              m_up[2]);
}

void CGLWnd::Present(HDC dc, const GLint* band) {
    if (!m_bPresentByCopy) {
        ::SwapBuffers(dc);
        return;
    }
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int cx = viewport[2];
    const int cy = viewport[3];
    if (cx <= 0 || cy <= 0) return;
    // The rows to copy, counted from the bottom as GL counts them: all, or the band, within the window.
    int y0 = 0;
    int rows = cy;
    if (band != nullptr) {
        y0 = band[0] < 0 ? 0 : (band[0] > cy ? cy : band[0]);
        const int top = band[0] + band[1] > cy ? cy : band[0] + band[1];
        rows = top - y0;
        if (rows <= 0) return;
    }
    // One buffer per thread that presents, reused from frame to frame.
    thread_local std::vector<unsigned char> pixels;
    pixels.resize(static_cast<size_t>(cx) * static_cast<size_t>(rows) * 4);
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, y0, cx, rows, GL_BGRA_EXT, GL_UNSIGNED_BYTE, pixels.data());
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = cx;
    bmi.bmiHeader.biHeight = rows;  // bottom-up, as GL reads
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    // The window counts rows from the top.
    ::SetDIBitsToDevice(dc, 0, cy - (y0 + rows), static_cast<DWORD>(cx), static_cast<DWORD>(rows), 0, 0, 0,
                        static_cast<UINT>(rows), pixels.data(), &bmi, DIB_RGB_COLORS);
    ::GdiFlush();
}

void CGLWnd::SetCamera(const float eye[3], const float target[3], const float up[3]) {
    for (int i = 0; i < 3; ++i) {
        m_eye[i] = eye[i];
        m_target[i] = target[i];
        m_up[i] = up[i];
    }
}

void CGLWnd::ApplyViewport() {
    if (m_hWnd == nullptr) return;
    CGLDC dc(*this);
    const RECT rc = GetClientRect();
    ::wglMakeCurrent(dc.get(), m_hRC);
    SetViewport(rc.right - rc.left, rc.bottom - rc.top);
    ::wglMakeCurrent(dc.get(), nullptr);
}

LRESULT CGLWnd::OnCreate(WPARAM, LPARAM) {
    if (Default() == -1) return -1;
    return InitGL() ? 0 : -1;
}

bool CGLWnd::FitGLWindow(int cx, int cy) {
    if (m_hGLWnd == nullptr) return false;
    RECT r{};
    ::GetClientRect(m_hGLWnd, &r);
    const int width = std::max(static_cast<int>(r.right), cx);
    const int height = std::max(static_cast<int>(r.bottom), cy);
    if (width == r.right && height == r.bottom) return false;
    // A popup without a frame: window and client size are the same. Its device context (a class one)
    // stays the same, so a context current on it stays usable.
    return ::SetWindowPos(m_hGLWnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}

LRESULT CGLWnd::OnSize(WPARAM, LPARAM lp) {
    const bool grown = FitGLWindow(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
    {
        CGLDC dc(*this);
        ::wglMakeCurrent(dc.get(), m_hRC);
        // The driver takes a drawable's new size only when its buffers are swapped (so measured with
        // Mesa under Wine): one swap of the hidden window, never shown, lets the next frame fill it.
        if (grown) ::SwapBuffers(dc.get());
        SetViewport(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
        ::wglMakeCurrent(dc.get(), nullptr);
    }
    return Default();
}

LRESULT CGLWnd::OnPaint(WPARAM, LPARAM) {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    Render(dc);
    ::EndPaint(m_hWnd, &ps);
    return 0;
}

LRESULT CGLWnd::OnDestroy(WPARAM, LPARAM) {
    {
        CGLDC dc(*this);
        ::wglMakeCurrent(dc.get(), m_hRC);
        m_multisample.Delete();
        m_accumulation.Delete();
        if (m_hRC != nullptr) ::wglDeleteContext(m_hRC);
        m_hRC = nullptr;
        if (m_hPalette != nullptr) ::DeleteObject(m_hPalette);
        m_hPalette = nullptr;
        ::wglMakeCurrent(dc.get(), nullptr);
    }
    if (m_hGLWnd != nullptr) ::DestroyWindow(m_hGLWnd);
    m_hGLWnd = nullptr;
    return Default();
}
