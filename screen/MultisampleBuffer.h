#pragma once
// CMultisampleBuffer: a multisampled framebuffer object the screen draws its frames into when they are
// shown by copying (under Wine), resolved into the back buffer before the copy reads it. Under Wine on
// a virtual display a window's multisampled pixel format is taken and its context reports its samples,
// but what is drawn into the window is not multisampled (measured with Mesa's software renderer); a
// framebuffer object is. Every call needs the context current.
#include <windows.h>

#include <GL/gl.h>

class CMultisampleBuffer {
public:
    // Makes the buffers: colour and depth, with up to `samples` samples (as many as the driver allows),
    // cx x cy pixels. False, with nothing made, when the driver has no framebuffer objects or refuses
    // them; the frames are then drawn single-sampled into the window as before.
    bool Create(int samples, int cx, int cy);
    // New storage for a window of cx x cy pixels (a size of 0 keeps the old one).
    void Resize(int cx, int cy);
    // Frames are drawn into the buffers from here on, until Resolve.
    void Bind() const;
    // Resolves the frame into the back buffer (within the scissor box when that test is on) and draws
    // into the window again.
    void Resolve() const;
    void Delete();
    bool Active() const { return m_fbo != 0; }
    // The framebuffer object itself (0 when there is none).
    GLuint Framebuffer() const { return m_fbo; }
    // The samples the driver gave the buffers.
    int Samples() const { return m_nSamples; }

private:
    bool Allocate();

    GLuint m_fbo = 0;
    GLuint m_colour = 0;
    GLuint m_depth = 0;
    int m_nSamples = 0;
    int m_cx = 0;
    int m_cy = 0;
};
