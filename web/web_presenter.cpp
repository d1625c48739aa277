#include "web/web_presenter.h"

#include <emscripten.h>

#include "gfxcontext/render_target.h"
#include "web/canvas_pixels.h"

namespace {

EM_JS(void, web_put_frame, (const uint8_t* rgba, int width, int height), {
    const canvas = document.getElementById('canvas');
    if (!canvas)
        return;
    if (canvas.width != width || canvas.height != height) {
        canvas.width = width;
        canvas.height = height;
    }
    // Null when the canvas went to a WebGL context that the GL device could not use after all.
    const context = canvas.getContext('2d');
    if (!context)
        return;
    const bytes = width * height * 4;
    // Memory shared with the device's threads can only be copied into an image; memory of the
    // page's own is shown where it lies.
    if (typeof SharedArrayBuffer !== 'undefined' && HEAPU8.buffer instanceof SharedArrayBuffer) {
        let image = Module.sarnojImage;
        if (!image || image.width != width || image.height != height)
            image = Module.sarnojImage = context.createImageData(width, height);
        image.data.set(HEAPU8.subarray(rgba, rgba + bytes));
        context.putImageData(image, 0, 0);
    } else {
        context.putImageData(
            new ImageData(new Uint8ClampedArray(HEAPU8.buffer, rgba, bytes), width, height), 0, 0);
    }
});

EM_JS(int, web_view_width, (), {
    return Math.floor(window.innerWidth * (window.devicePixelRatio || 1));
});
EM_JS(int, web_view_height, (), {
    return Math.floor(window.innerHeight * (window.devicePixelRatio || 1));
});

}  // namespace

void WebPresenter::present(const uint32_t* pixels, int width, int height)
{
    if (!pixels || width <= 0 || height <= 0 || width > maxTargetSide ||
        height > maxTargetSide)
        return;
    pixels_to_rgba({pixels, size_t(width) * size_t(height)}, rgba);
    web_put_frame(rgba.data(), width, height);
}

bool WebPresenter::output_size(int& width, int& height)
{
    width = web_view_width();
    height = web_view_height();
    return width > 0 && height > 0;
}
