#pragma once
// The GL device in the SDL window: an OpenGL 3.3 core context of the window's own, each frame
// shown by swapping the window's buffers, in step with the display's retrace.

#include "app/device_library.h"
#include "gfxcontext/presenter.h"
#include "gfxcontext/render_target.h"
#include "platform/sdl_window.h"

// The window must have been made with OpenGL (SdlWindow::prefer_gl). The device draws on
// `gpuTarget` when a graphics processor draws its context, else on `softwareTarget`.
GlAttempt make_sdl_gl_device(SdlWindow& window, Presenter* presenter,
                             const RenderTarget& softwareTarget, const RenderTarget& gpuTarget);
