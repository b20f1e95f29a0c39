#include "screen/MultisampleBuffer.h"

#include <GL/glext.h>

namespace {

// The framebuffer object entry points (OpenGL 3.0, or ARB_framebuffer_object), got once.
struct FramebufferCalls {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEMULTISAMPLEPROC storageMultisample = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
    PFNGLBLITFRAMEBUFFERPROC blitFramebuffer = nullptr;
    PFNGLGETRENDERBUFFERPARAMETERIVPROC getRenderbufferParameteriv = nullptr;

    template <typename Fn>
    static void Get(Fn& fn, const char* name) {
        fn = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::wglGetProcAddress(name)));
    }
    bool Load() {
        Get(genFramebuffers, "glGenFramebuffers");
        Get(deleteFramebuffers, "glDeleteFramebuffers");
        Get(bindFramebuffer, "glBindFramebuffer");
        Get(genRenderbuffers, "glGenRenderbuffers");
        Get(deleteRenderbuffers, "glDeleteRenderbuffers");
        Get(bindRenderbuffer, "glBindRenderbuffer");
        Get(storageMultisample, "glRenderbufferStorageMultisample");
        Get(framebufferRenderbuffer, "glFramebufferRenderbuffer");
        Get(checkFramebufferStatus, "glCheckFramebufferStatus");
        Get(blitFramebuffer, "glBlitFramebuffer");
        Get(getRenderbufferParameteriv, "glGetRenderbufferParameteriv");
        return genFramebuffers && deleteFramebuffers && bindFramebuffer && genRenderbuffers && deleteRenderbuffers &&
               bindRenderbuffer && storageMultisample && framebufferRenderbuffer && checkFramebufferStatus &&
               blitFramebuffer && getRenderbufferParameteriv;
    }
};

FramebufferCalls g_gl;

}  // namespace

bool CMultisampleBuffer::Create(int samples, int cx, int cy) {
    Delete();
    if (samples < 2 || !g_gl.Load()) return false;
    GLint most = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &most);
    if (most < 2) return false;
    m_nSamples = samples < most ? samples : most;
    m_cx = cx > 0 ? cx : 1;
    m_cy = cy > 0 ? cy : 1;
    g_gl.genFramebuffers(1, &m_fbo);
    g_gl.genRenderbuffers(1, &m_colour);
    g_gl.genRenderbuffers(1, &m_depth);
    if (m_fbo == 0 || m_colour == 0 || m_depth == 0 || !Allocate()) {
        Delete();
        return false;
    }
    return true;
}

bool CMultisampleBuffer::Allocate() {
    g_gl.bindFramebuffer(GL_FRAMEBUFFER, m_fbo);
    g_gl.bindRenderbuffer(GL_RENDERBUFFER, m_colour);
    g_gl.storageMultisample(GL_RENDERBUFFER, m_nSamples, GL_RGBA8, m_cx, m_cy);
    GLint given = 0;
    g_gl.getRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_SAMPLES, &given);
    g_gl.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_colour);
    g_gl.bindRenderbuffer(GL_RENDERBUFFER, m_depth);
    g_gl.storageMultisample(GL_RENDERBUFFER, m_nSamples, GL_DEPTH_COMPONENT24, m_cx, m_cy);
    g_gl.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, m_depth);
    const bool complete = g_gl.checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    g_gl.bindRenderbuffer(GL_RENDERBUFFER, 0);
    g_gl.bindFramebuffer(GL_FRAMEBUFFER, 0);
    // The driver may give other sample counts than asked; none (a single-sampled buffer) is no gain.
    m_nSamples = given;
    return complete && given >= 2;
}

void CMultisampleBuffer::Resize(int cx, int cy) {
    if (m_fbo == 0 || cx <= 0 || cy <= 0 || (cx == m_cx && cy == m_cy)) return;
    m_cx = cx;
    m_cy = cy;
    if (!Allocate()) Delete();  // refused at this size: single-sampled frames from now on
}

void CMultisampleBuffer::Bind() const {
    if (m_fbo != 0) g_gl.bindFramebuffer(GL_FRAMEBUFFER, m_fbo);
}

void CMultisampleBuffer::Resolve() const {
    if (m_fbo == 0) return;
    g_gl.bindFramebuffer(GL_READ_FRAMEBUFFER, m_fbo);
    g_gl.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDrawBuffer(GL_BACK);
    g_gl.blitFramebuffer(0, 0, m_cx, m_cy, 0, 0, m_cx, m_cy, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    g_gl.bindFramebuffer(GL_FRAMEBUFFER, 0);
}

void CMultisampleBuffer::Delete() {
    if (m_fbo != 0) g_gl.deleteFramebuffers(1, &m_fbo);
    if (m_colour != 0) g_gl.deleteRenderbuffers(1, &m_colour);
    if (m_depth != 0) g_gl.deleteRenderbuffers(1, &m_depth);
    m_fbo = m_colour = m_depth = 0;
    m_nSamples = 0;
}
