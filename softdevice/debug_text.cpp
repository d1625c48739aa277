#include "softdevice/debug_text.h"

#include <algorithm>

#include "gfxcontext/debug_font.h"

void draw_debug_text(FrameBuffer& frame, int x, int y, uint32_t colour, const char* text,
                     int scale)
{
    layout_debug_text(x, y, text, scale, frame.width, [&](int left, int top) {
        for (int py = std::max(top, 0); py < std::min(top + scale, frame.height); py++)
            for (int px = std::max(left, 0); px < std::min(left + scale, frame.width); px++)
                for (int s = 0; s < frame.samples; s++)
                    frame.colour_row(py, s)[px] = colour & 0x00FFFFFFu;
    });
}
