#pragma once
// The player's window on SDL. Full screen is a borderless window the size of the desktop (the
// picture is scaled into it by the presenter), so the desktop mode is never changed. The cursor
// is handled in the window's own coordinates, the ones its motion events carry, so the centre,
// the warp back to it and the reported positions agree wherever the window lies on the screen.

#include <SDL_video.h>

#include "app/window_port.h"

class SdlWindow : public WindowPort {
public:
    ~SdlWindow() override;

    bool register_class(const char* className) override;
    // Also false when SDL could only find a video driver that shows nothing (no display server)
    // and no driver was asked for with SDL_VIDEODRIVER.
    bool create_window(const char* title, int width, int height, bool fullScreen) override;
    void show_window() override;
    void* handle() override { return window; }
    void pump_messages(WindowProc proc) override;
    LRESULT default_proc(uint32_t message, WPARAM wParam, LPARAM lParam) override;
    ScreenRect cursor_clip_rect() override;
    void set_cursor_pos(int x, int y) override;
    void show_cursor(bool show) override;

    SDL_Window* sdl_window() { return window; }
    // Makes the window with OpenGL, for the GL device, where the video driver offers it (set
    // before the window is made).
    void prefer_gl(bool gl) { preferGl = gl; }
    // Called once a renderer is attached: attaching one may re-create the system's window, and
    // the new one shows the default cursor until the cursor is set on it again.
    void renderer_attached();

private:
    SDL_Window* window = nullptr;
    bool videoStarted = false;
    bool cursorShown = true;
    bool preferGl = false;
};

// True for SDL's video drivers that keep their windows in memory and show nothing.
bool sdl_driver_shows_nothing(const char* driver);
