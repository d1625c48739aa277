#pragma once
// The GL device: the device contract drawn by OpenGL 3.3 (core) into framebuffer objects of the
// target's size and samples, each finished frame read back into the presenter. It matches the
// software device's pictures as closely as GL allows: the same pixel centres, depth range and
// test, blend factors, wrap addressing, mip levels and debug text.

#include <memory>
#include <string>

#include "gfxcontext/context.h"
#include "gfxcontext/presenter.h"
#include "gfxcontext/render_target.h"
#include "gldevice/gl_host.h"

// A library whose contexts draw through a GL context of its own, made headless through EGL, their
// frames read back into the presenter; null,
// with the reason in `reason`, when no GL context can be made. `renderer`, when given, receives
// the GL renderer's name.
std::unique_ptr<gfx::ContextLibrary> make_gl_context_library(Presenter* presenter,
                                                             const RenderTarget& target,
                                                             std::string& reason,
                                                             std::string* renderer = nullptr);

// A library drawing through the host's context, current on this thread (a window's: frames are
// shown in the window, letterboxed to the picture's aspect, rather than handed to the presenter).
// Null, with the reason, when the context is older than OpenGL 3.3 or the shaders fail.
std::unique_ptr<gfx::ContextLibrary> make_gl_context_library(std::unique_ptr<GlHost> host,
                                                             Presenter* presenter,
                                                             const RenderTarget& target,
                                                             std::string& reason);
