#pragma once
// The free camera's mouse on the page: under pointer lock the browser reports only movements, in
// the page's CSS pixels. They are scaled to the window's pixels as the canvas shows them and
// added to a cursor held inside the window, as the native cursor is held inside the screen.

// Window pixels per CSS pixel for a canvas whose box is cssWidth x cssHeight and whose
// pixelWidth x pixelHeight image is shown whole in it keeping its aspect (object-fit: contain,
// with black bars beside or above), for a window of width x height drawn on that image.
// False when a size is empty.
bool contained_scale(double cssWidth, double cssHeight, int pixelWidth, int pixelHeight, int width,
                     int height, double& sx, double& sy);

// The cursor (x, y) moved by (dx, dy) CSS pixels at that scale, held within the window's
// 0 .. width - 1 by 0 .. height - 1.
void move_held_cursor(double& x, double& y, double dx, double dy, double sx, double sy, int width,
                      int height);
