#include "gfxcontext/offscreen_presenter.h"

#include <cstddef>

void OffscreenPresenter::present(const uint32_t* pixels, int w, int h)
{
    frame.assign(pixels, pixels + size_t(w) * h);
    width = w;
    height = h;
    framesPresented++;
}
