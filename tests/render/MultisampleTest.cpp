// Multisampling. Frames shown by copying (under Wine before 10) are refined once the picture rests:
// drawn again into multisampled buffers, they come out antialiased; single-sampled as before when no
// samples are wanted. The screen's own
// pixel format (the path of Windows, forced here with VX_PRESENT=own) is multisampled where the driver
// offers it, and the single-sampled format exactly as before wherever any step of getting a
// multisampled one fails. Real screens on the real driver; the failures come from stand-ins for the
// driver's ARB entry points.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <vector>

#include "screen/AccumulationBuffer.h"
#include "screen/Multisample.h"
#include "tests/ScreenHost.h"
#include "tests/support/ScreenPicture.h"
#include "tests/support/TestSupport.h"

namespace {

// The single-sampled format the screen took before multisampling, on the screen's own device context.
int PlainFormat(CScreenWnd& screen) {
    const PIXELFORMATDESCRIPTOR pfd = PlainFormatDescriptor();
    CGLDC dc(screen);
    return ::ChoosePixelFormat(dc.get(), &pfd);
}

// What the screen shows of a line of text: its bright pixels over the dark default background, and the
// pixels at the glyphs' edges, partly text and partly background, that only antialiasing gives (the
// text is lit grey-white, the background blue: green between the two).
struct TextPixels {
    int bright = 0;
    int edge = 0;
};
TextPixels ShowText(ScreenHost& host, bool rest = true) {
    host.Screen().AppendOutput("MMMMMMMM /// \\\\\\ XXXX\r\n");
    ::RedrawWindow(host.Screen().m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    // The refined frame comes once the picture has rested; before that the fast frame shows.
    vxtest::Pump(rest ? CScreenWnd::kRefineRestMs + 250.0 : CScreenWnd::kRefineRestMs / 3.0);
    int width = 0;
    const std::vector<unsigned char> p = vxtest::WindowPixels(host.Screen().m_hWnd, width);
    TextPixels seen;
    for (size_t i = 0; i + 3 < p.size(); i += 4) {
        if (p[i] > 150 && p[i + 1] > 150 && p[i + 2] > 150) ++seen.bright;
        if (p[i + 1] > 40 && p[i + 1] < 110) ++seen.edge;
    }
    return seen;
}

// Sets an environment variable for the screens made while it lives.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) { ::SetEnvironmentVariableA(name, value); }
    ~ScopedEnv() { ::SetEnvironmentVariableA(m_name, nullptr); }

private:
    const char* m_name;
};

// A driver as the stand-in is told to behave: its entry points unobtainable, its choice empty, or its
// formats described with the sample count given (the real driver's description otherwise).
class FakeFormats : public PixelFormatSource {
public:
    bool bLoads = true;
    bool bOffers = true;
    int samplesClaimed = -1;  // -1: as the driver says
    int loads = 0;

    bool Load() override {
        ++loads;
        return bLoads && m_real.Load();
    }
    std::vector<int> Candidates(HDC dc) override { return bOffers ? m_real.Candidates(dc) : std::vector<int>{}; }
    bool Describe(HDC dc, int index, PixelFormatInfo& info) override {
        if (!m_real.Describe(dc, index, info)) return false;
        if (samplesClaimed >= 0) info.samples = samplesClaimed;
        return true;
    }

private:
    ArbPixelFormats m_real;
};

class Multisample : public ::testing::Test {
protected:
    void TearDown() override {
        g_pPixelFormatSource = nullptr;
        g_bAccumulationRefused = false;
    }
};

// Draws the whole frame again (the fast frame) and waits for the refined picture after the rest.
bool RefineAgain(CScreenWnd& screen) {
    ::RedrawWindow(screen.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    return vxtest::PumpUntil([&] { return screen.m_bShowsRefined; }, 10000);
}

double DifferenceShown(CScreenWnd& screen, const std::vector<unsigned char>& reference) {
    int width = 0;
    return vxtest::MeanDifference(vxtest::WindowPixels(screen.m_hWnd, width), reference);
}

// The change a test makes while the picture is being refined, from a timer: its message makes the
// refinement give way, as any message does.
CScreenWnd* g_pChanged = nullptr;
int g_nSlicesAtChange = -1;
int g_nPicturesAtChange = -1;
void CALLBACK ChangeWhileRefining(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    g_nSlicesAtChange = g_pChanged->m_bShowsRefined ? 0 : g_pChanged->m_refineStats.nSlices;
    g_nPicturesAtChange = g_pChanged->m_refineStats.nPictures;
    g_pChanged->AppendOutput("a line that came while the picture was refined\r\n");
}

TEST_F(Multisample, FramesShownByCopyingAreAntialiasedAndSingleSampledWhenNoSamplesAreWanted) {
    TextPixels plain, smooth;
    {
        ScopedEnv copy("VX_PRESENT", "copy");
        ScopedEnv none("VX_SAMPLES", "0");
        ScreenHost host;
        ASSERT_NE(host.Screen().GetRC(), nullptr);
        EXPECT_EQ(host.Screen().m_nSamples, 0);
        plain = ShowText(host);
    }
    {
        ScopedEnv copy("VX_PRESENT", "copy");
        ScreenHost host;
        ASSERT_NE(host.Screen().GetRC(), nullptr);
        std::printf("frames shown by copying: %d samples\n", host.Screen().m_nSamples);
        EXPECT_GE(host.Screen().m_nSamples, 2) << "Mesa's renderer has multisampled framebuffer objects";
        EXPECT_LE(host.Screen().m_nSamples, kMaxScreenSamples);
        smooth = ShowText(host);
        // A change drops back to the fast, single-sampled frame at once.
        const TextPixels fast = ShowText(host, false);
        EXPECT_LT(fast.edge, smooth.edge / 2);
    }
    std::printf("edge pixels: %d single-sampled, %d multisampled\n", plain.edge, smooth.edge);
    EXPECT_GT(plain.bright, 100);
    EXPECT_GT(smooth.bright, 100);
    EXPECT_GT(smooth.edge, 2 * plain.edge + 50) << "the glyphs' edges are antialiased";
}

TEST_F(Multisample, TheScreensOwnFormatIsTheDriversMultisampledOneWhenThereIsOne) {
    ScopedEnv own("VX_PRESENT", "own");
    ArbPixelFormats driver;
    ScreenHost host;
    CScreenWnd& screen = host.Screen();
    ASSERT_NE(screen.GetRC(), nullptr);
    ASSERT_FALSE(screen.m_bPresentByCopy);
    CGLDC dc(screen);
    const bool offered = driver.Load() && !driver.Candidates(dc.get()).empty();
    std::printf("multisampled formats offered: %s; the screen's format %d, GL_SAMPLES %d\n", offered ? "yes" : "no",
                screen.m_nPixelFormat, screen.m_nSamples);
    if (offered) {
        PixelFormatInfo info;
        ASSERT_TRUE(driver.Describe(dc.get(), screen.m_nPixelFormat, info));
        EXPECT_GE(info.samples, 2);
        EXPECT_LE(info.samples, kMaxScreenSamples);
        EXPECT_GE(screen.m_nSamples, 2) << "the context reports the samples of its format";
        EXPECT_EQ(::GetPixelFormat(dc.get()), screen.m_nPixelFormat);
    } else {
        EXPECT_EQ(screen.m_nSamples, 0);
        EXPECT_EQ(screen.m_nPixelFormat, PlainFormat(screen));
    }
}

TEST_F(Multisample, EveryFailureOnTheWayLeavesTheSingleSampledFormatAndTheScreenDraws) {
    ScopedEnv own("VX_PRESENT", "own");
    FakeFormats fake;
    g_pPixelFormatSource = &fake;
    struct Case {
        const char* what;
        bool loads, offers;
        int claimed;
    };
    const Case cases[] = {
        {"no entry points (no throwaway window or context)", false, true, -1},
        {"the driver's choice fails or finds nothing", true, false, -1},
        {"formats with another sample count than asked: 16", true, true, 16},
        {"formats without samples", true, true, 0},
    };
    for (const Case& c : cases) {
        fake.bLoads = c.loads;
        fake.bOffers = c.offers;
        fake.samplesClaimed = c.claimed;
        fake.loads = 0;
        ScreenHost host;
        CScreenWnd& screen = host.Screen();
        ASSERT_NE(screen.GetRC(), nullptr) << c.what;
        EXPECT_EQ(fake.loads, 1) << c.what << ": the stand-in was asked";
        EXPECT_EQ(screen.m_nSamples, 0) << c.what;
        EXPECT_EQ(screen.m_nPixelFormat, PlainFormat(screen)) << c.what;
        // Drawn into (what Wine before 10 shows of this window is nothing, so the frame is not looked at).
        EXPECT_GE(host.Paints(), 1) << c.what;
    }
}

}  // namespace

namespace {

TEST_F(Multisample, TheRefinedPictureComesFarNearerTheSupersampledSceneThanTheMultisampledOne) {
    ScopedEnv copy("VX_PRESENT", "copy");
    ScreenHost host;
    CScreenWnd& screen = host.Screen();
    ASSERT_TRUE(screen.CanAccumulate()) << "Mesa's renderer has half-float framebuffer objects";
    for (int i = 0; i < 12; ++i) screen.AppendOutput("MMMM //// \\\\ XXXX wwww 0123456789 iiii\r\n");
    ASSERT_TRUE(vxtest::PumpUntil([&] { return screen.m_bShowsRefined; }, 10000));
    const std::vector<unsigned char> reference = vxtest::SupersampledPicture(screen, 4);
    ASSERT_FALSE(reference.empty());
    screen.m_nRefineSamples = 0;  // the frame drawn once multisampled
    ASSERT_TRUE(RefineAgain(screen));
    const double multisampled = DifferenceShown(screen, reference);
    screen.m_nRefineSamples = kRefineSamples;
    ASSERT_TRUE(RefineAgain(screen));
    const double refined = DifferenceShown(screen, reference);
    std::printf("difference from 16 samples a pixel: multisampled %.2f, refined %.2f (%d slices)\n", multisampled,
                refined, screen.m_refineStats.nSlices);
    EXPECT_EQ(screen.m_refineStats.passes, kRefineSamples);
    EXPECT_GT(screen.m_refineStats.nSlices, kRefineSamples) << "the passes are cut into bands";
    // The last refinement joined its bands by their times; this one's first pass is cut afresh (64 rows)
    // all the same, since those times were of another picture.
    ASSERT_FALSE(screen.m_refineStats.sliceRows.empty());
    EXPECT_LE(screen.m_refineStats.sliceRows.front(), 64);
    EXPECT_LT(refined, multisampled / 2.0);
    // The fast frame after a change: far from the reference again.
    screen.AppendOutput("x");
    vxtest::Pump(CScreenWnd::kRefineRestMs / 3.0);
    EXPECT_FALSE(screen.m_bShowsRefined);
}

TEST_F(Multisample, AChangeWhileThePictureIsRefinedDropsTheSumsAndTheNextRefinementShowsTheNewPicture) {
    ScopedEnv copy("VX_PRESENT", "copy");
    ScreenHost host;
    CScreenWnd& screen = host.Screen();
    for (int i = 0; i < 12; ++i) screen.AppendOutput("MMMM //// \\\\ XXXX wwww 0123456789 iiii\r\n");
    ASSERT_TRUE(vxtest::PumpUntil([&] { return screen.m_bShowsRefined; }, 10000));
    g_pChanged = &screen;
    g_nSlicesAtChange = -1;
    ::RedrawWindow(screen.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    // Some way into the refinement: the rest, and a few slices.
    ::SetTimer(nullptr, 0, CScreenWnd::kRefineRestMs + 60, &ChangeWhileRefining);
    ASSERT_TRUE(vxtest::PumpUntil([] { return g_nSlicesAtChange >= 0; }, 5000));
    ASSERT_GT(g_nSlicesAtChange, 0) << "the change came while slices were being drawn";
    vxtest::Pump(CScreenWnd::kRefineRestMs / 2.0);
    EXPECT_FALSE(screen.m_bShowsRefined) << "the fast frame of the change shows, not the partial sums";
    EXPECT_EQ(screen.m_refineStats.nPictures, g_nPicturesAtChange);
    ASSERT_TRUE(vxtest::PumpUntil([&] { return screen.m_bShowsRefined; }, 10000));
    EXPECT_EQ(screen.m_refineStats.nPictures, g_nPicturesAtChange + 1) << "the dropped one was never shown";
    // The refined picture is of the screen with the new line, drawn from the first pass on.
    const std::vector<unsigned char> reference = vxtest::SupersampledPicture(screen, 4);
    EXPECT_LT(DifferenceShown(screen, reference), 1.0);
}

TEST_F(Multisample, WithoutSumsThePictureIsRefinedOnceMultisampledOrNotAtAllAndTheScreenDraws) {
    g_bAccumulationRefused = true;
    {
        ScopedEnv copy("VX_PRESENT", "copy");
        ScreenHost host;
        CScreenWnd& screen = host.Screen();
        ASSERT_NE(screen.GetRC(), nullptr);
        EXPECT_FALSE(screen.CanAccumulate());
        EXPECT_GE(screen.m_nSamples, 2);
        const TextPixels seen = ShowText(host);
        EXPECT_GT(seen.bright, 100);
        EXPECT_TRUE(screen.m_bShowsRefined);
        EXPECT_GT(seen.edge, 200) << "refined once multisampled";
        EXPECT_EQ(screen.m_refineStats.passes, 0) << "no passes summed";
    }
    for (const bool refused : {true, false}) {
        g_bAccumulationRefused = refused;
        ScopedEnv own("VX_PRESENT", "own");
        ScreenHost host;
        CScreenWnd& screen = host.Screen();
        ASSERT_NE(screen.GetRC(), nullptr);
        ShowText(host);
        EXPECT_GE(host.Paints(), 1);
        // What Wine before 10 shows of this window is nothing: the passes are only drawn, not looked at.
        if (refused || screen.m_nSamples < 2) {
            EXPECT_EQ(screen.m_refineStats.nPictures, 0) << "the multisampled window format is all there is";
        } else {
            EXPECT_EQ(screen.m_refineStats.nPictures, 1) << "refined on the own path too";
            EXPECT_EQ(screen.m_refineStats.passes, kRefineSamples);
        }
    }
}

}  // namespace
