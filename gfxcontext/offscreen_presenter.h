#pragma once
// Keeps each finished frame in memory and writes it as PNG: tests and the capture tool draw
// exactly what the player shows.

#include <cstdint>
#include <string>
#include <vector>

#include "gfxcontext/presenter.h"

class OffscreenPresenter : public Presenter {
public:
    void present(const uint32_t* pixels, int width, int height) override;

    // The last frame presented: width x height pixels 0x00RRGGBB, top row first.
    std::vector<uint32_t> frame;
    int width = 0, height = 0;
    int framesPresented = 0;
};

// Writes width x height pixels 0x00RRGGBB as an 8-bit RGB PNG; false when the file cannot be made.
bool write_png(const std::string& path, const uint32_t* pixels, int width, int height);
// Reads an 8-bit RGB or RGBA PNG into pixels 0x00RRGGBB; false when it cannot be read.
bool read_png(const std::string& path, std::vector<uint32_t>& pixels, int& width, int& height);
