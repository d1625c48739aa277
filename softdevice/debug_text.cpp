#include "softdevice/debug_text.h"

#include <algorithm>

#include "gfxcontext/debug_font.h"

void draw_debug_text(FrameBuffer& frame, int x, int y, uint32_t colour, const char* text,
                     int scale, int clipX0, int clipY0, int clipX1, int clipY1)
{
    layout_debug_text(x, y, text, scale, frame.width, [&](int left, int top) {
        for (int py = std::max(top, clipY0); py < std::min(top + scale, clipY1); py++)
            for (int px = std::max(left, clipX0); px < std::min(left + scale, clipX1); px++)
                for (int s = 0; s < frame.samples; s++)
                    frame.colour_at(px, py, s) = colour & 0x00FFFFFFu;
    });
}
