#include "web/pointer_motion.h"

#include <algorithm>

bool contained_scale(double cssWidth, double cssHeight, int pixelWidth, int pixelHeight, int width,
                     int height, double& sx, double& sy)
{
    if (!(cssWidth > 0.0) || !(cssHeight > 0.0) || pixelWidth <= 0 || pixelHeight <= 0 ||
        width <= 0 || height <= 0)
        return false;
    // The image grows by the same factor along both axes, the smaller of the two that fit.
    const double shown = std::min(cssWidth / pixelWidth, cssHeight / pixelHeight);
    sx = width / (pixelWidth * shown);
    sy = height / (pixelHeight * shown);
    return true;
}

void move_held_cursor(double& x, double& y, double dx, double dy, double sx, double sy, int width,
                      int height)
{
    x = std::clamp(x + dx * sx, 0.0, double(std::max(width - 1, 0)));
    y = std::clamp(y + dy * sy, 0.0, double(std::max(height - 1, 0)));
}
