#include "platform/sdl_window.h"

#include <SDL.h>

#include <cstring>
#include <initializer_list>

#include "platform/sdl_messages.h"

bool sdl_driver_shows_nothing(const char* driver)
{
    if (!driver)
        return false;
    for (const char* headless : {"dummy", "evdev", "offscreen"})
        if (std::strcmp(driver, headless) == 0)
            return true;
    return false;
}

SdlWindow::~SdlWindow()
{
    if (window)
        SDL_DestroyWindow(window);
    if (videoStarted)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool SdlWindow::register_class(const char*)
{
    if (!videoStarted)
        videoStarted = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    return videoStarted;
}

bool SdlWindow::create_window(const char* title, int width, int height, bool fullScreen)
{
    // Without a display server SDL falls back to a driver that draws into memory: a run would
    // play its music to a picture nobody sees. Such a driver is used only when asked for.
    const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if (sdl_driver_shows_nothing(SDL_GetCurrentVideoDriver()) && (!asked || !*asked))
        return false;
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (fullScreen)
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    if (preferGl)
        window = SDL_CreateWindow(title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width,
                                  height, flags | SDL_WINDOW_OPENGL);
    if (!window)
        window = SDL_CreateWindow(title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width,
                                  height, flags);
    return window != nullptr;
}

void SdlWindow::show_window()
{
    SDL_ShowWindow(window);
}

void SdlWindow::pump_messages(WindowProc proc)
{
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        WindowMessage message;
        if (sdl_event_to_message(event, message))
            proc(window, message.message, message.wParam, message.lParam);
    }
}

LRESULT SdlWindow::default_proc(uint32_t, WPARAM, LPARAM)
{
    // SDL already does what the system would: Alt+F4 and the close button arrive as WM_CLOSE.
    return 0;
}

ScreenRect SdlWindow::cursor_clip_rect()
{
    // The cursor is not confined: it may go anywhere in the window, whose coordinates start at
    // its top-left corner wherever it lies on the screen.
    int width = 0, height = 0;
    if (window)
        SDL_GetWindowSize(window, &width, &height);
    return {0, 0, width, height};
}

void SdlWindow::set_cursor_pos(int x, int y)
{
    if (window)
        SDL_WarpMouseInWindow(window, x, y);
}

void SdlWindow::show_cursor(bool show)
{
    cursorShown = show;
    SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

void SdlWindow::renderer_attached()
{
    // SDL_SetCursor with no cursor puts the current one (or none, while hidden) on every window.
    SDL_ShowCursor(cursorShown ? SDL_ENABLE : SDL_DISABLE);
    SDL_SetCursor(nullptr);
}
