#include "platform/sdl_window.h"

#include <SDL.h>

#include "platform/sdl_messages.h"

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
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (fullScreen)
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
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
    int display = window ? SDL_GetWindowDisplayIndex(window) : 0;
    SDL_Rect bounds{0, 0, 0, 0};
    if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds) != 0)
        return {0, 0, 0, 0};
    return {bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
}

void SdlWindow::set_cursor_pos(int x, int y)
{
    if (SDL_WarpMouseGlobal(x, y) == 0 || !window)
        return;
    // Where the cursor cannot be moved on the screen, move it within the window instead.
    int windowX = 0, windowY = 0;
    SDL_GetWindowPosition(window, &windowX, &windowY);
    SDL_WarpMouseInWindow(window, x - windowX, y - windowY);
}

void SdlWindow::show_cursor(bool show)
{
    SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}
