#include "platform/sdl_presenter.h"

#include <SDL.h>

#include <cstdint>

#include "gfxcontext/render_target.h"

SdlPresenter::~SdlPresenter()
{
    if (texture)
        SDL_DestroyTexture(texture);
    if (renderer)
        SDL_DestroyRenderer(renderer);
}

SDL_Rect fit_keeping_aspect(int width, int height, int outputWidth, int outputHeight)
{
    const TargetSize fitted = fit_aspect(width, height, outputWidth, outputHeight);
    if (fitted.width <= 0 || fitted.height <= 0)
        return {0, 0, 0, 0};
    return {(outputWidth - fitted.width) / 2, (outputHeight - fitted.height) / 2, fitted.width,
            fitted.height};
}

bool SdlPresenter::prepare_renderer()
{
    if (failed || !window.sdl_window())
        return false;
    if (!renderer) {
        renderer = SDL_CreateRenderer(window.sdl_window(), -1,
                                      SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
        if (!renderer)
            renderer = SDL_CreateRenderer(window.sdl_window(), -1, SDL_RENDERER_SOFTWARE);
        if (!renderer) {
            // Frames are simply not shown; presentation results are not examined.
            failed = true;
            return false;
        }
        // SDL's software renderer copies to the window's surface, which waits for no retrace
        // (whatever its flags claim).
        SDL_RendererInfo info{};
        if (SDL_GetRendererInfo(renderer, &info) != 0 ||
            !(info.flags & SDL_RENDERER_PRESENTVSYNC) || (info.flags & SDL_RENDERER_SOFTWARE))
            pacer.emplace(display_period(window.sdl_window()));
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
        window.renderer_attached();
    }
    return true;
}

bool SdlPresenter::output_size(int& width, int& height)
{
    return prepare_renderer() && SDL_GetRendererOutputSize(renderer, &width, &height) == 0 &&
           width > 0 && height > 0;
}

bool SdlPresenter::prepare(int width, int height)
{
    if (!prepare_renderer())
        return false;
    if (!texture || width != textureWidth || height != textureHeight) {
        if (texture)
            SDL_DestroyTexture(texture);
        texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                    width, height);
        textureWidth = width;
        textureHeight = height;
        if (!texture)
            return false;
    }
    return true;
}

void SdlPresenter::present(const uint32_t* pixels, int width, int height)
{
    if (!pixels || width <= 0 || height <= 0 || !prepare(width, height))
        return;
    SDL_UpdateTexture(texture, nullptr, pixels, width * 4);
    int outputWidth = 0, outputHeight = 0;
    SDL_GetRendererOutputSize(renderer, &outputWidth, &outputHeight);
    SDL_Rect target = fit_keeping_aspect(width, height, outputWidth, outputHeight);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, texture, nullptr, &target);
    SDL_RenderPresent(renderer);
    if (pacer)
        pacer->wait();
}
