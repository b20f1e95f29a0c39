// The OpenGL window base on a real window under Wine, where frames are drawn into a hidden window and
// copied: a frame fills the whole window whatever size it takes, even one larger than the desktop was
// when the window was made.
#include <gtest/gtest.h>
#include <windows.h>

#include <GL/gl.h>

#include <string>

#include "screen/GLWnd.h"

namespace {

// Clears each frame to red and reads back, from the buffer the copy takes its rows from, the pixel in
// the top-right corner of the viewport.
class RedGLWnd : public CGLWnd {
public:
    void DrawScene(HDC) override {
        glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glFinish();
        GLint viewport[4] = {};
        glGetIntegerv(GL_VIEWPORT, viewport);
        glReadBuffer(GL_BACK);
        // A read outside the drawable leaves the destination as it was.
        m_corner[0] = m_corner[1] = m_corner[2] = m_corner[3] = 0;
        glReadPixels(viewport[2] - 1, viewport[3] - 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, m_corner);
        m_cornerSeen = glGetError() == GL_NO_ERROR;
    }
    HWND HiddenWindow() const { return m_hGLWnd; }
    unsigned char m_corner[4] = {};
    bool m_cornerSeen = false;
};

SIZE ClientSize(HWND hWnd) {
    RECT r{};
    ::GetClientRect(hWnd, &r);
    return {r.right - r.left, r.bottom - r.top};
}

class GLWindowSize : public ::testing::Test {
protected:
    void SetUp() override {
        // A popup without a sizing border: the system does not hold it to the desktop's size.
        m_parent = ::CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0,
                                     0, 320, 240, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(m_parent, nullptr);
        ASSERT_TRUE(m_gl.Create(m_parent, RECT{0, 0, 320, 240}, 1));
        ASSERT_NE(m_gl.GetRC(), nullptr);
        if (!m_gl.m_bPresentByCopy) GTEST_SKIP() << "frames are shown by swapping here: no hidden window";
    }
    void TearDown() override {
        if (m_gl.m_hWnd != nullptr) m_gl.DestroyWindow();
        if (m_parent != nullptr) ::DestroyWindow(m_parent);
    }
    // Sizes the GL window, draws one frame into it, and says whether the frame's far corner was drawn.
    bool FrameFills(int cx, int cy) {
        ::SetWindowPos(m_parent, nullptr, 0, 0, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
        m_gl.MoveWindow(0, 0, cx, cy, FALSE);
        EXPECT_EQ(ClientSize(m_gl.m_hWnd).cx, cx);
        EXPECT_EQ(ClientSize(m_gl.m_hWnd).cy, cy);
        m_gl.m_cornerSeen = false;
        HDC dc = ::GetDC(m_gl.m_hWnd);
        m_gl.Render(dc);
        ::ReleaseDC(m_gl.m_hWnd, dc);
        const unsigned char* c = m_gl.m_corner;
        return m_gl.m_cornerSeen && c[0] == 255 && c[1] == 0 && c[2] == 0;
    }

    HWND m_parent = nullptr;
    RedGLWnd m_gl;
};

}  // namespace

TEST_F(GLWindowSize, AFrameFillsAWindowLargerThanTheDesktopWasAtItsStart) {
    const int desktopW = ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int desktopH = ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
    EXPECT_TRUE(FrameFills(320, 240));
    // As after the desktop grew: the window is now larger than the desktop the hidden window knew.
    EXPECT_TRUE(FrameFills(desktopW + 200, desktopH + 120));
    const SIZE hidden = ClientSize(m_gl.HiddenWindow());
    EXPECT_GE(hidden.cx, desktopW + 200);
    EXPECT_GE(hidden.cy, desktopH + 120);
    // Smaller again, then wider only: every size is drawn whole.
    EXPECT_TRUE(FrameFills(400, 300));
    EXPECT_TRUE(FrameFills(desktopW + 400, 200));
}

// The window finds by itself how its frames reach the screen: by copying under Wine before 10, through
// its own pixel format elsewhere. The test run says which path the Wine it runs on must take
// (VX_EXPECT_PRESENT=copy or own), as only the run knows which Wine that is.
TEST(PresentPath, TheWindowTakesThePathOfTheWineItRunsOn) {
    char expected[8] = {};
    const DWORD length = ::GetEnvironmentVariableA("VX_EXPECT_PRESENT", expected, sizeof expected);
    if (length == 0 || length >= sizeof expected) GTEST_SKIP() << "VX_EXPECT_PRESENT names no path";
    ASSERT_EQ(::GetEnvironmentVariableA("VX_PRESENT", nullptr, 0), 0u) << "the path is forced";
    HWND parent = ::CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                    320, 240, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    RedGLWnd gl;
    ASSERT_TRUE(gl.Create(parent, RECT{0, 0, 320, 240}, 1));
    EXPECT_NE(gl.GetRC(), nullptr);
    EXPECT_EQ(gl.m_bPresentByCopy, std::string(expected) == "copy") << "expected the " << expected << " path";
    gl.DestroyWindow();
    ::DestroyWindow(parent);
}
