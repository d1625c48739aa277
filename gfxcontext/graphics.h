#pragma once
// The graphics globals: the context library in use, and the context, device and Direct3D object
// that device set-up takes from it. The face drawers and mesh preparation draw through these.

#include "gfxcontext/context.h"

struct Graphics {
    gfx::ContextLibrary* library;
    gfx::Context* context;
    gfx::Device* device;
    gfx::Direct3D* d3d;
};

extern Graphics graphics;
