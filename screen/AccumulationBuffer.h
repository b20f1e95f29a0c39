#pragma once
// CAccumulationBuffer: where the refined picture is summed, pass by pass. Each pass of the same frame,
// drawn with its own sub-pixel offset, is copied (resolved, where it was drawn multisampled) into a pass
// texture and added, weighted, into sums kept in a texture of 16-bit floats (16-bit fixed point where
// floats are refused) by blending; the sums are then drawn into the window's back buffer in one go,
// which takes them whether it is multisampled (the window's own format) or not (frames shown by
// copying). Every call needs the context current.
#include <windows.h>

#include <GL/gl.h>

#include <atomic>

// Test seam (false in the program): the driver is taken to refuse every format the sums can be kept in,
// as a driver without float or 16-bit render targets would.
extern std::atomic<bool> g_bAccumulationRefused;

class CAccumulationBuffer {
public:
    // Makes the pass texture, the sums and their framebuffer objects, cx x cy pixels. False, with
    // nothing made, when the driver has no framebuffer objects or refuses the formats.
    bool Create(int cx, int cy);
    // New storage for a window of cx x cy pixels (a size of 0 keeps the old one); the sums are lost.
    void Resize(int cx, int cy);
    void Delete();
    bool Active() const { return m_sumFbo != 0; }

    // Sets every sum to zero (a new picture).
    void Clear();
    // Adds rows y0 .. y0 + rows - 1 (from the bottom) of the pass just drawn into `source` (a
    // framebuffer object, or 0: the window's back buffer), each pixel times `weight`. Leaves framebuffer
    // 0 bound for drawing, the scissor test off, and the state it changes as it found it.
    void Add(GLuint source, int y0, int rows, float weight);
    // Draws the sums into the window's back buffer, the whole window, and leaves framebuffer 0 bound.
    void Show() const;

private:
    bool Allocate();
    // Draws rows y0 .. y0 + rows - 1 of `texture` over the same rows of the bound framebuffer.
    void DrawRows(GLuint texture, int y0, int rows) const;

    GLuint m_passFbo = 0;
    GLuint m_passTexture = 0;
    GLuint m_sumFbo = 0;
    GLuint m_sumTexture = 0;
    int m_cx = 0;
    int m_cy = 0;
};
