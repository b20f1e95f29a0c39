#include "tests/support/ScreenPicture.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include <cstdlib>

#include "screen/FramebufferCalls.h"

namespace vxtest {

std::vector<unsigned char> SupersampledPicture(CScreenWnd& screen, int factor) {
    const RECT rc = screen.GetClientRect();
    const int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    const int bx = cx * factor, by = cy * factor;
    std::vector<unsigned char> result;
    if (cx <= 0 || cy <= 0) return result;
    CGLDC dc(screen);
    if (!::wglMakeCurrent(dc.get(), screen.GetRC())) return result;
    GLuint fbo = 0, colour = 0, depth = 0;
    if (g_fbo.Load()) {
        g_fbo.genFramebuffers(1, &fbo);
        g_fbo.genRenderbuffers(1, &colour);
        g_fbo.genRenderbuffers(1, &depth);
        g_fbo.bindFramebuffer(GL_FRAMEBUFFER, fbo);
        g_fbo.bindRenderbuffer(GL_RENDERBUFFER, colour);
        g_fbo.storageMultisample(GL_RENDERBUFFER, 0, GL_RGBA8, bx, by);
        g_fbo.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
        g_fbo.bindRenderbuffer(GL_RENDERBUFFER, depth);
        g_fbo.storageMultisample(GL_RENDERBUFFER, 0, GL_DEPTH_COMPONENT24, bx, by);
        g_fbo.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
        g_fbo.bindRenderbuffer(GL_RENDERBUFFER, 0);
    }
    if (fbo != 0 && g_fbo.checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE) {
        // The projection stays the screen's: only the viewport grows.
        glViewport(0, 0, bx, by);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(screen.m_eye[0], screen.m_eye[1], screen.m_eye[2], screen.m_target[0], screen.m_target[1],
                  screen.m_target[2], screen.m_up[0], screen.m_up[1], screen.m_up[2]);
        screen.DrawScene(dc.get());
        std::vector<unsigned char> big(static_cast<size_t>(bx) * static_cast<size_t>(by) * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadPixels(0, 0, bx, by, GL_BGRA, GL_UNSIGNED_BYTE, big.data());
        glViewport(0, 0, cx, cy);
        result.assign(static_cast<size_t>(cx) * static_cast<size_t>(cy) * 4, 0);
        const int n = factor * factor;
        for (int y = 0; y < cy; ++y) {
            for (int x = 0; x < cx; ++x) {
                int sum[4] = {};
                for (int j = 0; j < factor; ++j) {
                    // GL reads rows from the bottom; the result goes top row first.
                    const unsigned char* row = &big[(static_cast<size_t>((cy - 1 - y) * factor + j) * bx +
                                                     static_cast<size_t>(x) * factor) * 4];
                    for (int i = 0; i < factor; ++i) {
                        for (int c = 0; c < 4; ++c) sum[c] += row[i * 4 + c];
                    }
                }
                unsigned char* out = &result[(static_cast<size_t>(y) * cx + x) * 4];
                for (int c = 0; c < 4; ++c) out[c] = static_cast<unsigned char>((sum[c] + n / 2) / n);
            }
        }
    }
    if (fbo != 0) {
        g_fbo.bindFramebuffer(GL_FRAMEBUFFER, 0);
        g_fbo.deleteFramebuffers(1, &fbo);
        g_fbo.deleteRenderbuffers(1, &colour);
        g_fbo.deleteRenderbuffers(1, &depth);
    }
    ::wglMakeCurrent(nullptr, nullptr);
    return result;
}

double MeanDifference(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
    if (a.size() != b.size() || a.empty()) return -1.0;
    long long sum = 0;
    for (size_t i = 0; i + 3 < a.size(); i += 4) {
        for (size_t c = 0; c < 3; ++c) sum += std::abs(static_cast<int>(a[i + c]) - static_cast<int>(b[i + c]));
    }
    return static_cast<double>(sum) / static_cast<double>(a.size() / 4 * 3);
}

}  // namespace vxtest
