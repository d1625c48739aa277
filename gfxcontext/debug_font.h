#pragma once
// The debug-text font: 5 x 7 glyphs for printable ASCII in 6 x 8 cells, drawn over the frame with
// a transparent background.

#include <cstdint>

constexpr int glyphCellWidth = 6, glyphCellHeight = 8;

// Columns of the glyph for character c, bit 0 the top row; blank for anything not printable.
const uint8_t* glyph_columns(unsigned char c);

// Lays text out with its top-left corner at pixel (x, y): square(px, py) for the top-left pixel
// of each font pixel, which covers scale x scale pixels from there; glyphs in cells of 6 x 8 font
// pixels, a line break back to x and down a cell. What would start beyond frameWidth is skipped.
template <class Square>
void layout_debug_text(int x, int y, const char* text, int scale, int frameWidth, Square&& square)
{
    const int left = x;
    for (const char* p = text; *p; p++) {
        if (*p == '\n') {
            x = left;
            y += glyphCellHeight * scale;
            continue;
        }
        const uint8_t* columns = glyph_columns(static_cast<unsigned char>(*p));
        for (int column = 0; column < 5; column++)
            for (int row = 0; row < 7; row++)
                if (columns[column] >> row & 1)
                    square(x + column * scale, y + row * scale);
        x += glyphCellWidth * scale;
        if (x > frameWidth)   // nothing further on this line can show
            while (p[1] && p[1] != '\n')
                p++;
    }
}
