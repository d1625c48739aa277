#pragma once
// A context library whose device accepts every call and draws nothing: benchmarks of the work
// before rasterisation, and runs that need no picture.

#include <memory>

#include "gfxcontext/context.h"

std::unique_ptr<gfx::ContextLibrary> make_null_context_library();
