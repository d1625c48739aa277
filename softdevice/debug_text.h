#pragma once
// The debug text drawn into the software device's frame.

#include <cstdint>

#include "softdevice/framebuffer.h"

// Draws text with its top-left corner at pixel (x, y), each font pixel a square of scale x scale
// frame pixels (every sample of them); a line break starts a new line below x. Pixels outside the
// frame are skipped.
void draw_debug_text(FrameBuffer& frame, int x, int y, uint32_t colour, const char* text,
                     int scale = 1);
