#pragma once
// The debug text drawn into the software device's frame.

#include <cstdint>

#include "softdevice/framebuffer.h"

// Draws text with its top-left corner at pixel (x, y), each font pixel a square of scale x scale
// frame pixels (every sample of them); a line break starts a new line below x. Only the pixels
// within [clipX0, clipX1) x [clipY0, clipY1), a part of the frame, are drawn.
void draw_debug_text(FrameBuffer& frame, int x, int y, uint32_t colour, const char* text,
                     int scale, int clipX0, int clipY0, int clipX1, int clipY1);
