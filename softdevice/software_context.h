#pragma once
// The software device: a fixed-function rasteriser behind the context contract. Finished frames
// go to the presenter given (null: frames are kept only in the context's own buffers). Its
// contexts draw on targets of the size asked for (by default the size each context is made with).

#include <memory>

#include "gfxcontext/context.h"
#include "gfxcontext/presenter.h"
#include "gfxcontext/render_target.h"

std::unique_ptr<gfx::ContextLibrary> make_software_context_library(Presenter* presenter,
                                                                   const RenderTarget& target = {});
