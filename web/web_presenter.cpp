#include "web/web_presenter.h"

#include <emscripten.h>

#include "core/fatal_error.h"
#include "gfxcontext/render_target.h"
#include "web/canvas_pixels.h"

namespace {

// 0 when the canvas has no 2D context to give: it went to a WebGL context.
EM_JS(int, web_put_frame, (const uint8_t* rgba, int width, int height), {
    const canvas = document.getElementById('canvas');
    if (!canvas)
        return 1;
    if (canvas.width != width || canvas.height != height) {
        canvas.width = width;
        canvas.height = height;
    }
    const context = canvas.getContext('2d');
    if (!context)
        return 0;
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
    return 1;
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
    // A canvas that went to WebGL (a GL device that could not draw after all) never shows these
    // frames: the run stops with the reason rather than play on black.
    if (!web_put_frame(rgba.data(), width, height))
        fatal_error("The canvas cannot show the software device's frames: it went to WebGL, "
                    "which could not draw here. Load the page again with ?device=software.");
}

bool WebPresenter::output_size(int& width, int& height)
{
    width = web_view_width();
    height = web_view_height();
    return width > 0 && height > 0;
}
