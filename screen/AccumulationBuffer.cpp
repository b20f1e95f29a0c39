#include "screen/AccumulationBuffer.h"

#include <GL/glext.h>

#include <initializer_list>

#include "screen/FramebufferCalls.h"

std::atomic<bool> g_bAccumulationRefused{false};

namespace {

// Makes `texture` a texture of cx x cy pixels in `format` and `fbo` a framebuffer object drawing into
// it; false when the driver does not take it.
bool Attach(GLuint fbo, GLuint texture, GLenum format, int cx, int cy) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), cx, cy, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    g_fbo.bindFramebuffer(GL_FRAMEBUFFER, fbo);
    g_fbo.framebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    const bool complete = g_fbo.checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    g_fbo.bindFramebuffer(GL_FRAMEBUFFER, 0);
    while (glGetError() != GL_NO_ERROR) {
    }  // a refused format leaves an error: it is answered here, by the result
    return complete;
}

}  // namespace

bool CAccumulationBuffer::Create(int cx, int cy) {
    Delete();
    if (g_bAccumulationRefused.load() || !g_fbo.Load()) return false;
    m_cx = cx > 0 ? cx : 1;
    m_cy = cy > 0 ? cy : 1;
    g_fbo.genFramebuffers(1, &m_passFbo);
    g_fbo.genFramebuffers(1, &m_sumFbo);
    glGenTextures(1, &m_passTexture);
    glGenTextures(1, &m_sumTexture);
    if (m_passFbo == 0 || m_sumFbo == 0 || m_passTexture == 0 || m_sumTexture == 0 || !Allocate()) {
        Delete();
        return false;
    }
    return true;
}

bool CAccumulationBuffer::Allocate() {
    if (!Attach(m_passFbo, m_passTexture, GL_RGBA8, m_cx, m_cy)) return false;
    // Eight bits would lose up to half a level with every pass added; half floats keep 11 bits of
    // mantissa, far more than 16 passes need.
    for (const GLenum format : {GL_RGBA16F, GL_RGBA16}) {
        if (Attach(m_sumFbo, m_sumTexture, format, m_cx, m_cy)) return true;
    }
    return false;
}

void CAccumulationBuffer::Resize(int cx, int cy) {
    if (m_sumFbo == 0 || cx <= 0 || cy <= 0 || (cx == m_cx && cy == m_cy)) return;
    m_cx = cx;
    m_cy = cy;
    if (!Allocate()) Delete();  // refused at this size: no refined pictures from now on
}

void CAccumulationBuffer::Delete() {
    if (m_passFbo != 0) g_fbo.deleteFramebuffers(1, &m_passFbo);
    if (m_sumFbo != 0) g_fbo.deleteFramebuffers(1, &m_sumFbo);
    if (m_passTexture != 0) glDeleteTextures(1, &m_passTexture);
    if (m_sumTexture != 0) glDeleteTextures(1, &m_sumTexture);
    m_passFbo = m_sumFbo = m_passTexture = m_sumTexture = 0;
}

void CAccumulationBuffer::Clear() {
    if (m_sumFbo == 0) return;
    g_fbo.bindFramebuffer(GL_FRAMEBUFFER, m_sumFbo);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    g_fbo.bindFramebuffer(GL_FRAMEBUFFER, 0);
}

void CAccumulationBuffer::DrawRows(GLuint texture, int y0, int rows) const {
    glPushAttrib(GL_ENABLE_BIT | GL_VIEWPORT_BIT | GL_SCISSOR_BIT | GL_TEXTURE_BIT | GL_CURRENT_BIT |
                 GL_COLOR_BUFFER_BIT);
    glViewport(0, 0, m_cx, m_cy);
    glScissor(0, y0, m_cx, rows);
    glEnable(GL_SCISSOR_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    // The whole texture over the whole viewport: each pixel's centre falls on its texel's centre, so
    // nearest sampling copies it exactly; the scissor keeps the rows.
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-1.0f, -1.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(1.0f, -1.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(1.0f, 1.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glBindTexture(GL_TEXTURE_2D, 0);
    glPopAttrib();
}

void CAccumulationBuffer::Add(GLuint source, int y0, int rows, float weight) {
    if (m_sumFbo == 0) return;
    glDisable(GL_SCISSOR_TEST);
    // The pass, resolved where it is multisampled.
    g_fbo.bindFramebuffer(GL_READ_FRAMEBUFFER, source);
    if (source == 0) glReadBuffer(GL_BACK);
    g_fbo.bindFramebuffer(GL_DRAW_FRAMEBUFFER, m_passFbo);
    g_fbo.blitFramebuffer(0, y0, m_cx, y0 + rows, 0, y0, m_cx, y0 + rows, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    // Added to the sums: the pass's colour times the weight, plus what is there.
    g_fbo.bindFramebuffer(GL_FRAMEBUFFER, m_sumFbo);
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_TEXTURE_BIT | GL_CURRENT_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4f(weight, weight, weight, weight);
    DrawRows(m_passTexture, y0, rows);
    glPopAttrib();
    g_fbo.bindFramebuffer(GL_FRAMEBUFFER, 0);
    glDrawBuffer(GL_BACK);
}

void CAccumulationBuffer::Show() const {
    if (m_sumFbo == 0) return;
    g_fbo.bindFramebuffer(GL_FRAMEBUFFER, 0);
    glDrawBuffer(GL_BACK);
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_TEXTURE_BIT);
    glDisable(GL_BLEND);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    DrawRows(m_sumTexture, 0, m_cy);
    glPopAttrib();
}
