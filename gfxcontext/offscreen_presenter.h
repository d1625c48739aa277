#pragma once
// Keeps each finished frame in memory: tests and the capture tool draw exactly what the player
// shows.

#include <cstdint>
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
