#pragma once
// The debug-text font: 5 x 7 glyphs for printable ASCII in 6 x 8 cells, drawn over the frame with
// a transparent background.

#include <cstdint>

#include "gfxcontext/framebuffer.h"

constexpr int glyphCellWidth = 6, glyphCellHeight = 8;

// Columns of the glyph for character c, bit 0 the top row; blank for anything not printable.
const uint8_t* glyph_columns(unsigned char c);

// Draws text with its top-left corner at pixel (x, y), each font pixel a square of scale x scale
// frame pixels (every sample of them); a line break starts a new line below x. Pixels outside the
// frame are skipped.
void draw_debug_text(FrameBuffer& frame, int x, int y, uint32_t colour, const char* text,
                     int scale = 1);
