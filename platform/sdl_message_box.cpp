#include "platform/sdl_message_box.h"

#include <SDL.h>

#include <cstdlib>

#include "platform/sdl_window.h"

bool sdl_display_available()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver)
        driver = std::getenv("SDL_VIDEODRIVER");
    if (sdl_driver_shows_nothing(driver))
        return false;
    return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
}

void sdl_show_message_box(const char* text, const char* caption)
{
    if (!sdl_display_available())
        return;
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr);
}

void SdlMessageBox::show(const char* text, const char* caption)
{
    sdl_show_message_box(text, caption);
}
