// CScreenWnd's refined picture: once the picture has rested, the same frame is drawn again in passes
// with sub-pixel offsets, summed until every pixel has at least m_nRefineSamples samples, and shown
// once, complete. The work is cut into slices (a band of rows of one pass), each well within a frame
// interval, and gives way to any message between two slices, so that a key, a click or output never
// waits for more than one slice; the rest follows from a timer once the queue is empty again. Any
// change of the picture drops the sums (DropRefine) and the fast frame is drawn as always.
#include <GL/gl.h>

#include <algorithm>

#include "screen/ScreenContext.h"
#include "screen/ScreenWnd.h"

namespace {

// What one slice may take: well within a frame interval (16.7 ms at 60 Hz), as measured with the
// performance counter around the slice, glFinish included. Measured here, slices cut to 10 ms took up
// to 16 to 21 ms now and then on a loaded machine; a small band still costs 3 to 5 ms of glyphs and
// the sums.
constexpr double kSliceBudgetMs = 8.0;
// The band of the first slice, and the fewest rows of any (a band's glyphs cost something whatever
// its height).
constexpr int kFirstBandRows = 64;
constexpr int kFewestBandRows = 16;

double NowMs() {
    static const double kPerMs = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER c;
    ::QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / kPerMs;
}

// Whether the thread has any message waiting: sent, posted, input, a paint or a timer.
bool MessageWaiting() { return HIWORD(::GetQueueStatus(QS_ALLINPUT)) != 0; }

}  // namespace

void CScreenWnd::DropRefine() {
    m_nRefinePass = -1;
}

void CScreenWnd::Refine() {
    ::KillTimer(m_hWnd, kRefineTimer);
    if (m_pacer.Owed()) {  // a change came: its frame arms the timer again
        DropRefine();
        return;
    }
    if (!CanAccumulate() || m_nRefineSamples < 2) {
        // No sums to be had (or none wanted): the frame drawn once more multisampled, where frames are
        // shown by copying.
        if (!m_multisample.Active()) return;
        if (HDC dc = ::GetDC(m_hWnd); dc != nullptr) {
            m_bRefining = true;
            DrawFrame(dc, false);
            m_bRefining = false;
            ::ReleaseDC(m_hWnd, dc);
            m_refineStats.nPictures++;
        }
        return;
    }
    if (m_nRefinePass < 0 && !StartRefine()) return;
    while (!MessageWaiting()) {
        if (!RefineSlice()) return;  // shown, or dropped
    }
    // The rest once the messages waiting now are handled (timer messages come only then).
    ::SetTimer(m_hWnd, kRefineTimer, USER_TIMER_MINIMUM, nullptr);
}

bool CScreenWnd::StartRefine() {
    CScreenContext gl(*this, true);
    ScreenLock lock(*this);
    if (!gl || m_bClosing || m_pacer.Owed()) return false;
    // The frame as the last one showed it (nothing is owed: nothing has changed since).
    CatchUp();
    PrepareView(m_refineFrame);
    m_refineFrame.values = m_display;
    m_refineJitter = RefineJitter(m_nRefineSamples);
    m_nRefinePass = 0;
    m_nRefineBand = 0;
    // The first pass is cut afresh: the last refinement's bands were timed on another picture (joined
    // into one band over a screen with no text yet, they took 20 to 26 ms once a screen of it came).
    m_refineBands.clear();
    m_refineStats.nSlices = 0;
    m_refineStats.longestSliceMs = 0.0;
    m_refineStats.sliceMs.clear();
    m_refineStats.sliceRows.clear();
    m_refineStats.passes = static_cast<int>(m_refineJitter.size());
    return true;
}

bool CScreenWnd::RefineSlice() {
    HDC dc = ::GetDC(m_hWnd);
    if (dc == nullptr) {
        DropRefine();
        return false;
    }
    bool more = true;
    {
        CScreenContext gl(*this, true);
        {
            ScreenLock lock(*this);
            // A change since the last slice: the lists noted may be gone; the owed frame comes.
            if (!gl || m_bClosing || m_pacer.Owed()) more = false;
        }
        const RECT rc = GetClientRect();
        const int height = static_cast<int>(rc.bottom - rc.top);
        if (more && m_refineBands.empty()) m_refineBands = EvenBands(height, kFirstBandRows);
        if (more && height > 0) {
            const double start = NowMs();
            RefineBand& band = m_refineBands[static_cast<size_t>(m_nRefineBand)];
            FrameContent& f = m_refineFrame;
            f.band[0] = band.y0;
            f.band[1] = band.rows;
            // The records that can reach the band, with a margin for the offsets and the edges' pixels.
            MarkBandRecords(f, band.y0 - 2.0, band.y0 + band.rows + 2.0);
            f.bBand = true;
            const bool first = m_nRefinePass == 0 && m_nRefineBand == 0;
            m_pFrame = &f;
            m_bRefining = true;
            RenderRefinePass(dc, f.band, m_refineJitter[static_cast<size_t>(m_nRefinePass)],
                             1.0f / static_cast<float>(m_refineJitter.size()), first);
            m_bRefining = false;
            m_pFrame = nullptr;
            gl.MakeCurrent();
            band.ms = NowMs() - start;
            m_refineStats.nSlices++;
            m_refineStats.longestSliceMs = std::max(m_refineStats.longestSliceMs, band.ms);
            m_refineStats.sliceMs.push_back(band.ms);
            m_refineStats.sliceRows.push_back(band.rows);
            if (++m_nRefineBand == static_cast<int>(m_refineBands.size())) {
                // The next pass's bands cut to the budget by what these took.
                m_refineBands = PlanBands(m_refineBands, kSliceBudgetMs, kFewestBandRows);
                m_nRefineBand = 0;
                ++m_nRefinePass;
            }
        } else {
            more = false;
        }
    }
    if (!more) {
        DropRefine();
    } else if (m_nRefinePass >= static_cast<int>(m_refineJitter.size())) {
        // Every pass summed: shown whole, in one go, unless output came during the last slice (its
        // frame, owed now, comes next and must not follow a picture of the screen before it).
        DropRefine();
        more = false;
        CScreenContext gl(*this, true);
        bool show = false;
        {
            ScreenLock lock(*this);
            show = gl && !m_bClosing && !m_pacer.Owed();
        }
        if (show) {
            // Shown without m_lock, as every frame is (appends go on meanwhile).
            ShowRefined(dc);
            gl.MakeCurrent();
            m_bShowsRefined = true;
            m_refineStats.nPictures++;
            ScreenLock lock(*this);
            FrameShown();
        }
    }
    ::ReleaseDC(m_hWnd, dc);
    return more;
}
