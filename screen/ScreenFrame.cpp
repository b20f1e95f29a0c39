// CScreenWnd's frame: noting what it shows, choosing the band that changed, drawing it on the
// user-interface thread when the pacer says so, and the scene itself.
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>

#include "glyph/GlyphCache.h"
#include "screen/ScreenContext.h"
#include "screen/ScreenWnd.h"
#include "screen/VisibleGlyphs.h"

namespace {

// What a record's glyphs can cover, in its own coordinates: from below the lowest descender to above the
// tallest glyph (em units, with room to spare), and the depth of the extrusion.
constexpr double kRowBottom = -0.5;
constexpr double kRowTop = 1.5;
// A band frame is worth its bookkeeping only when it leaves most of the window alone.
constexpr double kMaxBandShare = 0.5;

// The window rows (from the bottom) that the record drawn at `row` can cover, given the model-view
// matrix of the text plane; false when some of it lies at or behind the near plane.
bool RowBand(const GLdouble mv[16], const GLdouble proj[16], const GLint vp[4], double nearPlane, double row,
             double& lo, double& hi) {
    lo = 1e30;
    hi = -1e30;
    for (double y : {row + kRowBottom, row + kRowTop}) {
        for (double z : {0.0, -static_cast<double>(CScreenWnd::kExtrusion)}) {
            // Eye-space depth: the third row of the matrix (column-major) applied to (0, y, z, 1).
            const double zEye = mv[6] * y + mv[10] * z + mv[14];
            if (!(zEye < -nearPlane)) return false;
            double wx, wy, wz;
            if (!gluProject(0.0, y, z, mv, proj, vp, &wx, &wy, &wz)) return false;
            lo = wy < lo ? wy : lo;
            hi = wy > hi ? wy : hi;
        }
    }
    return true;
}

// What a character's solid can cover beyond its advance (em): a full em either side is more than any
// overhang of an italic or a script face.
constexpr visible::GlyphBox kGlyphBox{1.0, kRowBottom, kRowTop, CScreenWnd::kExtrusion};

// The text plane's transformation, after the camera's.
void PlaceTextPlane(const ViewValues& view) {
    glTranslatef(view.fOffsetX, view.fOffsetY, view.fOffsetZ);
    glRotatef(view.fTilt, 1.0f, 0.0f, 0.0f);
}

}  // namespace

void CScreenWnd::PrepareFrame(FrameContent& content) {
    m_pacer.FrameStarted();
    CatchUp();
    PrepareView(content);
    content.values = m_display;
    content.bBand = false;
}

void CScreenWnd::ChooseBand(FrameContent& content) const {
    content.bBand = false;
    if (!m_bPresentByCopy || !m_bShownValid) return;
    const FrameContent& last = m_shown;
    // While the view is back (or was, in the frame before) the line below it changes with every append.
    if (content.nBelow != 0 || last.nBelow != 0) return;
    // Marks (found text, picked lines) come and go with no change of the lines.
    if (content.bMarked || last.bMarked) return;
    if (content.nNewest != last.nNewest || content.values != last.values) return;
    for (int i = 0; i < content.nNewest; ++i) {
        if (content.records[i].GetList() != last.records[i].GetList()) return;
    }
    // Where the current line lies on the window, from the same transformations as the frame's.
    GLint vp[4];
    GLdouble proj[16], mv[16];
    GetPlaneTransforms(content, vp, proj, mv);
    double lo, hi;
    if (vp[3] <= 0 || !RowBand(mv, proj, vp, m_fNear, 0.0, lo, hi)) return;
    const double bottom = lo - 2.0 < 0.0 ? 0.0 : lo - 2.0;
    const double top = hi + 2.0 > vp[3] ? vp[3] : hi + 2.0;
    if (top <= bottom || top - bottom > kMaxBandShare * vp[3]) return;
    content.band[0] = static_cast<GLint>(bottom);
    content.band[1] = static_cast<GLint>(top + 1.0) - content.band[0];
    MarkBandRecords(content, bottom, top);
    content.bBand = true;
}

void CScreenWnd::GetPlaneTransforms(const FrameContent& content, GLint vp[4], GLdouble proj[16],
                                    GLdouble mv[16]) const {
    glGetIntegerv(GL_VIEWPORT, vp);
    glGetDoublev(GL_PROJECTION_MATRIX, proj);
    LoadCamera();
    PlaceTextPlane(content.values.view);
    glGetDoublev(GL_MODELVIEW_MATRIX, mv);
}

void CScreenWnd::MarkBandRecords(FrameContent& content, double bottom, double top) const {
    GLint vp[4];
    GLdouble proj[16], mv[16];
    GetPlaneTransforms(content, vp, proj, mv);
    // Every record that can reach the band is drawn there; the others cannot change it.
    for (int i = content.nNewest; i >= 0; --i) {
        double rlo, rhi;
        content.inBand[i] = !RowBand(mv, proj, vp, m_fNear, content.nNewest - i, rlo, rhi) ||
                            (rhi >= bottom && rlo <= top);
    }
}

void CScreenWnd::DrawFrame(HDC dc, bool asked) {
    CScreenContext gl(*this, true);
    FrameContent content;
    {
        ScreenLock lock(*this);
        if (!gl || m_bClosing || (asked && !m_pacer.Owed())) {
            // The message or the timer that asked finds nothing to draw: the next change asks again.
            m_pacer.NothingDrawn(asked);
            return;
        }
        PrepareFrame(content);
        // A paint redraws the whole window; an owed frame that changes only the current line redraws
        // only the band where that line shows.
        if (asked) ChooseBand(content);
    }
    // Drawn without m_lock: appends go on storing lines meanwhile and leave their lists to this thread,
    // which holds the context.
    m_pFrame = &content;
    Render(dc, content.bBand ? content.band : nullptr, m_bRefining);
    m_pFrame = nullptr;
    m_bShowsRefined = m_bRefining;
    if (!m_bRefining) {
        // The picture changed (or was drawn again): any refinement on the way is of another one.
        DropRefine();
        if (m_multisample.Active() || CanAccumulate()) ::SetTimer(m_hWnd, kRefineTimer, kRefineRestMs, nullptr);
    }
    ScreenLock lock(*this);
    m_shown = content;
    m_bShownValid = true;
    FrameShown();
    CatchUp();
    FollowPace(m_pacer.AfterFrame(asked));
}

void CScreenWnd::FollowPace(const PaceStep& step) {
    if (step.kind == PaceStep::kTimer) {
        ::SetTimer(m_hWnd, kFrameTimer, step.ms < USER_TIMER_MINIMUM ? USER_TIMER_MINIMUM : step.ms, nullptr);
    }
}

void CScreenWnd::FrameShown() {
    if (FrameShownHook hook = g_pfnFrameShown.load(); hook != nullptr) hook(*this);
}

void CScreenWnd::DrawAskedFrame() {
    if (HDC dc = ::GetDC(m_hWnd); dc != nullptr) {
        DrawFrame(dc, true);
        ::ReleaseDC(m_hWnd, dc);
    }
}

LRESULT CScreenWnd::OnFrameOwed(WPARAM, LPARAM) {
    // At once after a pause (an answer to a command); within the interval of the last frame's start
    // (a burst), when the interval is over.
    const PaceStep step = m_pacer.Posted();
    if (step.kind == PaceStep::kDrawNow) {
        DrawAskedFrame();
    } else {
        FollowPace(step);
    }
    return 0;
}

LRESULT CScreenWnd::OnTimer(WPARAM id, LPARAM) {
    if (id == kRefineTimer) {
        Refine();
        return 0;
    }
    if (id != kFrameTimer) return Default();
    ::KillTimer(m_hWnd, kFrameTimer);
    DrawAskedFrame();
    return 0;
}

LRESULT CScreenWnd::OnPaint(WPARAM, LPARAM) {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    DrawFrame(dc, false);
    ::EndPaint(m_hWnd, &ps);
    return 0;
}

LRESULT CScreenWnd::OnSize(WPARAM wp, LPARAM lp) {
    // The new viewport needs the context current here; a reader may hold it.
    CScreenContext gl(*this, true);
    m_bShownValid = false;  // the window no longer shows the last frame as it was drawn
    DropRefine();
    const LRESULT result = CGLWnd::OnSize(wp, lp);
    if (gl) {
        ScreenLock lock(*this);
        CatchUp();
    }
    return result;
}

void CScreenWnd::DrawScene(HDC) {
    // The content noted by the frame being drawn, or (a direct call) the members as they are now.
    FrameContent now;
    const FrameContent* f = m_pFrame;
    if (f == nullptr) {
        now.values = m_display;
        now.bBand = false;
        NoteLines(now);
        f = &now;
    }
    const DisplayValues& v = f->values;
    const GlRgb back1 = ToGl(v.crBack1);
    glClearColor(back1.r, back1.g, back1.b, 0.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    if (v.bGradient) {
        // A quadrilateral at z = 0, counter-clockwise on screen, blending background 2 at the bottom into
        // background 1 at y = 5; it writes no depth, so the text is always drawn over it.
        const GlRgb back2 = ToGl(v.crBack2);
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        glBegin(GL_POLYGON);
        glColor3f(back2.r, back2.g, back2.b);
        glVertex3f(-500.0f, -10.0f, 0.0f);
        glVertex3f(500.0f, -10.0f, 0.0f);
        glColor3f(back1.r, back1.g, back1.b);
        glVertex3f(500.0f, 5.0f, 0.0f);
        glVertex3f(-500.0f, 5.0f, 0.0f);
        glEnd();
    }
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);

    const GlRgb text = ToGl(v.crText);
    const GLfloat material[4] = {text.r, text.g, text.b, 1.0f};
    glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, material);
    PlaceTextPlane(v.view);

    // The newest record on the baseline, each older one a unit further along the plane.
    GLdouble proj[16], mv[16], clip[16];
    glGetDoublev(GL_PROJECTION_MATRIX, proj);
    glGetDoublev(GL_MODELVIEW_MATRIX, mv);
    visible::Multiply(proj, mv, clip);
    // What picking inverts: the frame being drawn is what the window shows next.
    if (f == m_pFrame && !m_bRefining) {
        std::copy(clip, clip + 16, m_pickClip);
        glGetIntegerv(GL_VIEWPORT, m_pickViewport);
        m_bPickValid = true;
    }
    // Seen from in front, as nearly always, the glyphs are drawn without their back faces.
    const bool front = visible::EyeHeightAbovePlane(mv) > -static_cast<double>(kExtrusion);
    if (front) glListBase(glyph::kWithoutBackFace);
    float y = 0.0f;
    for (int i = f->nNewest; i >= 0; --i) {
        if (f->records[i].GetList() > 0 && (!f->bBand || f->inBand[i])) {
            glPushMatrix();
            glTranslatef(0.0f, y, 0.0f);
            GLdouble row[16];
            visible::MoveAlongY(clip, y, row);
            if (f->bMarked) {
                DrawRecord(*f, i, row, kGlyphBox);
            } else {
                f->records[i].DrawVisible(row, kGlyphBox);
            }
            glPopMatrix();
            // Once, halfway: a renderer that rasterises on threads of its own (Mesa's software one)
            // starts on the farther half while the nearer one is sent. (Flushing more often made that
            // renderer's memory swing by megabytes from frame to frame.)
            if (i == (f->nNewest + 1) / 2 && i > 0) glFlush();
        }
        y += 1.0f;
    }
    glListBase(0);
    if (f->nBelow > 0) DrawBelowBar(*f);
}
