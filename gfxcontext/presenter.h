#pragma once
#include <cstdint>

// Shows a finished 640 x 480 frame: in a window, or kept in memory (tests, capture).
class Presenter {
public:
    virtual ~Presenter() = default;
    // pixels: width x height 32-bit pixels 0x00RRGGBB, top row first.
    virtual void present(const uint32_t* pixels, int width, int height) = 0;
};
