#pragma once
// CGLWnd: a child window that owns one OpenGL rendering context.
//
// The context is current on a thread only for the length of one operation (InitGL, Render, a resize,
// a derived class's own list building or clean-up) and released at its end, so that any thread may draw
// next. CGLWnd holds no lock: a derived class that draws from several threads serialises them itself.
#include <windows.h>

#include <GL/gl.h>

#include "framework/Wnd.h"
#include "screen/AccumulationBuffer.h"
#include "screen/MultisampleBuffer.h"
#include "screen/RefinePlan.h"

class CGLWnd;

// A device context of the window that carries the pixel format (CGLWnd::GetGLWindow), for making the
// context current; released at the end of the scope.
class CGLDC {
public:
    explicit CGLDC(const CGLWnd& wnd);
    ~CGLDC();
    CGLDC(const CGLDC&) = delete;
    CGLDC& operator=(const CGLDC&) = delete;
    HDC get() const { return m_hDC; }

private:
    HWND m_hWnd;
    HDC m_hDC;
};

class CGLWnd : public CWnd {
public:
    CGLWnd() = default;
    ~CGLWnd() override = default;

    // Pixel format, palette (256-colour displays only), context and the state that never changes.
    virtual BOOL InitGL();
    // One frame into the current context; the camera is already set.
    virtual void DrawScene(HDC dc);
    // Viewport and projection for a client area of cx x cy pixels; the context must be current.
    virtual void SetViewport(int cx, int cy);

    BOOL SetupPixelFormat(HDC dc, DWORD flags, BYTE colourBits);
    HPALETTE CreateRGBPalette(HDC dc);
    // Draws and shows one frame through `dc`, a device context of this window; leaves no context
    // current on the calling thread. With `band` (first row from the bottom, as GL counts rows, and the
    // number of rows) and frames shown by copying, only those rows are drawn and copied: the rest of the
    // window keeps what the frames before showed there. Without copying, the whole frame is drawn.
    // With `refined`, frames shown by copying are drawn multisampled (m_multisample), when there are
    // multisampled buffers; otherwise they are single-sampled, as drawing them multisampled takes a
    // software renderer several times as long.
    void Render(HDC dc, const GLint* band = nullptr, bool refined = false);
    // The refined picture, drawn in slices (see CScreenWnd): each a band of rows (`band`, as above) of
    // one single-sampled pass, drawn with the sub-pixel offset `jitter` and added into m_accumulation
    // times `weight`; `first` starts a new picture. Nothing is shown: ShowRefined
    // draws the sums into the window and shows them, whole. Each leaves no context current.
    void RenderRefinePass(HDC dc, const GLint band[2], const JitterOffset& jitter, float weight, bool first);
    void ShowRefined(HDC dc);
    // Whether the picture can be refined by passes summed in m_accumulation (false: frames shown by
    // copying may still be drawn once multisampled, Render's `refined`). Only where multisampling is
    // wanted at all (VX_SAMPLES=0 turns both off).
    bool CanAccumulate() const;
    void SetCamera(const float eye[3], const float target[3], const float up[3]);
    HGLRC GetRC() const { return m_hRC; }
    void ApplyViewport();

    // Creates the window as a child of `parent`.
    BOOL Create(HWND parent, const RECT& rect, UINT id);

    HGLRC m_hRC = nullptr;
    HPALETTE m_hPalette = nullptr;
    float m_eye[3] = {5.0f, 5.0f, 5.0f};
    float m_target[3] = {0.0f, 0.0f, 0.0f};
    float m_up[3] = {0.0f, 1.0f, 0.0f};
    float m_fNear = 0.1f;
    float m_fFar = 1000.0f;
    float m_fFovY = 40.0f;

    // The window whose device contexts carry the pixel format and with which the context is made
    // current: this window itself, except under Wine. There a child window with a pixel format becomes
    // a hole in its top-level window that shows nothing of what is drawn, so the context draws into a
    // hidden window at least as large instead, and each frame is copied into this window with GDI.
    // Decided once, in InitGL.
    HWND GetGLWindow() const { return m_hGLWnd != nullptr ? m_hGLWnd : m_hWnd; }
    bool m_bPresentByCopy = false;

    // The pixel format InitGL set (its driver number), and the samples per pixel its context reports
    // (GL_SAMPLES): 0 for the single-sampled format, taken where no multisampled one is offered
    // (screen/Multisample.h). A driver may give more or fewer samples than its format names.
    int m_nPixelFormat = 0;
    int m_nSamples = 0;
    // The multisampled buffers of the refined frames while frames are shown by copying (inactive
    // otherwise: the window's own format is multisampled then).
    CMultisampleBuffer m_multisample;
    // The sums of the refined picture's passes (screen/AccumulationBuffer.h), on either path; inactive
    // without samples (VX_SAMPLES=0) or where the driver refuses it.
    CAccumulationBuffer m_accumulation;

protected:
    // The model-view matrix of the camera alone (SetCamera's); context current.
    void LoadCamera() const;
    // The projection for a viewport of cx x cy pixels, the picture moved by `jitter` pixels; leaves the
    // projection matrix current. Context current.
    void LoadProjection(int cx, int cy, const JitterOffset& jitter = {}) const;
    // Shows the frame just drawn (context current) in `dc`, a device context of this window:
    // SwapBuffers, or the copy described above, of the whole frame or of the rows of `band` only.
    void Present(HDC dc, const GLint* band = nullptr);
    // Grows the hidden window, if there is one, to hold a frame of cx x cy pixels (it never shrinks);
    // true when it grew. On the window's thread, with no other thread drawing (WM_SIZE calls it before anything else).
    bool FitGLWindow(int cx, int cy);
    HWND m_hGLWnd = nullptr;

    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    void PreSubclassWindow() override;
    bool OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    virtual LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnCreate(WPARAM, LPARAM);
    LRESULT OnSize(WPARAM, LPARAM);
    virtual LRESULT OnDestroy(WPARAM, LPARAM);
};
