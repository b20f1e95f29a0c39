#pragma once
// The framebuffer object entry points (OpenGL 3.0, or ARB_framebuffer_object), which the system's
// OpenGL library does not export: got once from a current context and shared by every user of
// framebuffer objects (screen/MultisampleBuffer.h, screen/AccumulationBuffer.h).
#include <windows.h>

#include <GL/gl.h>
#include <GL/glext.h>

struct FramebufferCalls {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEMULTISAMPLEPROC storageMultisample = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
    PFNGLFRAMEBUFFERTEXTURE2DPROC framebufferTexture2D = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
    PFNGLBLITFRAMEBUFFERPROC blitFramebuffer = nullptr;
    PFNGLGETRENDERBUFFERPARAMETERIVPROC getRenderbufferParameteriv = nullptr;

    // Gets them all from the current context; false when any is missing. Cheap after the first success.
    bool Load();
};

// The one set, for the context that is current (every context of a process on one driver gets the
// same entry points).
extern FramebufferCalls g_fbo;
