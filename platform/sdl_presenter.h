#pragma once
// Shows finished frames in the SDL window: scaled to fill the window with the picture's aspect
// kept (black bars on the rest), waiting for the display's vertical retrace (where the renderer
// cannot, waiting out the display's period itself).

#include <SDL_render.h>

#include <optional>

#include "gfxcontext/presenter.h"
#include "platform/display_pacer.h"
#include "platform/sdl_window.h"

class SdlPresenter : public Presenter {
public:
    explicit SdlPresenter(SdlWindow& window) : window(window) {}
    ~SdlPresenter() override;
    void present(const uint32_t* pixels, int width, int height) override;
    // The window's size in real pixels (larger than its size where the desktop scales).
    bool output_size(int& width, int& height) override;

private:
    bool prepare_renderer();
    bool prepare(int width, int height);

    SdlWindow& window;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int textureWidth = 0, textureHeight = 0;
    bool failed = false;
    std::optional<DisplayPacer> pacer;   // when presenting does not wait for the retrace
};

// The largest rectangle of the picture's aspect that fits the output, centred.
SDL_Rect fit_keeping_aspect(int width, int height, int outputWidth, int outputHeight);
