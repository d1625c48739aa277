#pragma once
// Bringing the graphics up once at start, presenting each finished frame, and taking the
// graphics down at the end or on a fatal error. Between frames a scene is always open on the
// device: every drawing call happens between the begin-scene that ends device_setup or
// present_frame and the end-scene at the start of the next present_frame.
//
// The context library is graphics.library, set before device_setup.

#include <cstdint>

#include "gfxcontext/context.h"
#include "render/render_view.h"

// Device indices tried after the hardware levels before giving up: no machine has more adapters.
constexpr uint32_t DEVICE_INDICES_TRIED = 16;

// Creates the window and the context, keeps its device and Direct3D object in the graphics
// globals, sets the initial render and texture states and opens the first scene. When no
// selector yields a context the program stops ("No graphics device could be created!").
void device_setup(const RenderView& view, bool fullScreen);
// The render and texture states device_setup gives a new device (dithering, depth test,
// clipping, no fixed-function lighting, no culling, alpha blending, linear filters and mipmaps):
// the renderer relies on them. Also for harnesses that make their own context.
void device_set_initial_states(gfx::Device& device);
// Ends the scene, shows it, clears the buffers and opens the next scene; counts the elapsed ticks.
void present_frame();
void device_shutdown();
bool device_is_up();

// Set by device_setup, cleared by device_shutdown; read it through device_is_up.
extern bool deviceUp;
