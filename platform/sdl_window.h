#pragma once
// The player's window on SDL. Full screen is a borderless window the size of the desktop (the
// picture is scaled into it by the presenter), so the desktop mode is never changed.

#include <SDL_video.h>

#include "app/window_port.h"

class SdlWindow : public WindowPort {
public:
    ~SdlWindow() override;

    bool register_class(const char* className) override;
    bool create_window(const char* title, int width, int height, bool fullScreen) override;
    void show_window() override;
    void* handle() override { return window; }
    void pump_messages(WindowProc proc) override;
    LRESULT default_proc(uint32_t message, WPARAM wParam, LPARAM lParam) override;
    ScreenRect cursor_clip_rect() override;
    void set_cursor_pos(int x, int y) override;
    void show_cursor(bool show) override;

    SDL_Window* sdl_window() { return window; }

private:
    SDL_Window* window = nullptr;
    bool videoStarted = false;
};
