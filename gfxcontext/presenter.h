#pragma once
#include <cstdint>

// Shows a finished frame: in a window, or kept in memory (tests, capture).
class Presenter {
public:
    virtual ~Presenter() = default;
    // pixels: width x height 32-bit pixels 0x00RRGGBB, top row first.
    virtual void present(const uint32_t* pixels, int width, int height) = 0;
    // The real pixels the frames are shown on, where the presenter knows them; false otherwise.
    virtual bool output_size(int& width, int& height)
    {
        (void)width;
        (void)height;
        return false;
    }
};
