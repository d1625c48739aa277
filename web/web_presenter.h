#pragma once
// Finished frames put on the page's canvas (a 2D context's putImageData); the page scales the
// canvas to the view keeping its aspect, as the native window does.

#include <cstdint>
#include <vector>

#include "gfxcontext/presenter.h"

class WebPresenter : public Presenter {
public:
    void present(const uint32_t* pixels, int width, int height) override;
    // The page's view in device pixels.
    bool output_size(int& width, int& height) override;

private:
    std::vector<uint8_t> rgba;
};
