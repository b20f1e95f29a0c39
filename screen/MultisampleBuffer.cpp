#include "screen/MultisampleBuffer.h"

#include <GL/glext.h>

#include "framework/EntryPoint.h"
#include "screen/FramebufferCalls.h"

FramebufferCalls g_fbo;

namespace {

template <typename Fn>
bool Get(Fn& fn, const char* name) {
    fn = EntryPointAs<Fn>(::wglGetProcAddress(name));
    return fn != nullptr;
}

}  // namespace

bool FramebufferCalls::Load() {
    if (getRenderbufferParameteriv != nullptr) return true;
    const bool all = Get(genFramebuffers, "glGenFramebuffers") && Get(deleteFramebuffers, "glDeleteFramebuffers") &&
                     Get(bindFramebuffer, "glBindFramebuffer") && Get(genRenderbuffers, "glGenRenderbuffers") &&
                     Get(deleteRenderbuffers, "glDeleteRenderbuffers") && Get(bindRenderbuffer, "glBindRenderbuffer") &&
                     Get(storageMultisample, "glRenderbufferStorageMultisample") &&
                     Get(framebufferRenderbuffer, "glFramebufferRenderbuffer") &&
                     Get(framebufferTexture2D, "glFramebufferTexture2D") &&
                     Get(checkFramebufferStatus, "glCheckFramebufferStatus") &&
                     Get(blitFramebuffer, "glBlitFramebuffer");
    // Set last: its being set says that all the others are.
    if (all) Get(getRenderbufferParameteriv, "glGetRenderbufferParameteriv");
    return getRenderbufferParameteriv != nullptr;
}

bool CMultisampleBuffer::Create(int samples, int cx, int cy) {
    Delete();
    if (samples < 2 || !g_fbo.Load()) return false;
    GLint most = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &most);
    if (most < 2) return false;
    m_nSamples = samples < most ? samples : most;
    m_cx = cx > 0 ? cx : 1;
    m_cy = cy > 0 ? cy : 1;
    g_fbo.genFramebuffers(1, &m_fbo);
    g_fbo.genRenderbuffers(1, &m_colour);
    g_fbo.genRenderbuffers(1, &m_depth);
    if (m_fbo == 0 || m_colour == 0 || m_depth == 0 || !Allocate()) {
        Delete();
        return false;
    }
    return true;
}

bool CMultisampleBuffer::Allocate() {
    g_fbo.bindFramebuffer(GL_FRAMEBUFFER, m_fbo);
    g_fbo.bindRenderbuffer(GL_RENDERBUFFER, m_colour);
    g_fbo.storageMultisample(GL_RENDERBUFFER, m_nSamples, GL_RGBA8, m_cx, m_cy);
    GLint given = 0;
    g_fbo.getRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_SAMPLES, &given);
    g_fbo.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_colour);
    g_fbo.bindRenderbuffer(GL_RENDERBUFFER, m_depth);
    g_fbo.storageMultisample(GL_RENDERBUFFER, m_nSamples, GL_DEPTH_COMPONENT24, m_cx, m_cy);
    g_fbo.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, m_depth);
    const bool complete = g_fbo.checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    g_fbo.bindRenderbuffer(GL_RENDERBUFFER, 0);
    g_fbo.bindFramebuffer(GL_FRAMEBUFFER, 0);
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
    if (m_fbo != 0) g_fbo.bindFramebuffer(GL_FRAMEBUFFER, m_fbo);
}

void CMultisampleBuffer::Resolve() const {
    if (m_fbo == 0) return;
    g_fbo.bindFramebuffer(GL_READ_FRAMEBUFFER, m_fbo);
    g_fbo.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDrawBuffer(GL_BACK);
    g_fbo.blitFramebuffer(0, 0, m_cx, m_cy, 0, 0, m_cx, m_cy, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    g_fbo.bindFramebuffer(GL_FRAMEBUFFER, 0);
}

void CMultisampleBuffer::Delete() {
    if (m_fbo != 0) g_fbo.deleteFramebuffers(1, &m_fbo);
    if (m_colour != 0) g_fbo.deleteRenderbuffers(1, &m_colour);
    if (m_depth != 0) g_fbo.deleteRenderbuffers(1, &m_depth);
    m_fbo = m_colour = m_depth = 0;
    m_nSamples = 0;
}
