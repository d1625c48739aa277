#pragma once
// The browser page as the player's window: the canvas (id "canvas") is the window, its keyboard,
// mouse and the page's pointer lock arrive as window messages. Leaving the page's full screen
// closes the window, as Escape does. The pointer is locked only for the free camera. Each pass of the main loop hands
// the browser control until its next animation frame, so the page stays alive while the loop
// keeps its shape.

#include <cstdint>
#include <deque>

#include "app/window_port.h"

struct WebMessage {
    uint32_t message;
    WPARAM wParam;
    LPARAM lParam;
};

// Gives back all the run holds of the page (listeners, pointer lock, full screen), on every
// end: std::exit skips the window's destructor.
void web_release_page();

class WebWindow : public WindowPort {
public:
    // Paced, a pass of the loop waits for the browser's next animation frame, as the native
    // window waits for the display's; unpaced it draws as fast as it can.
    explicit WebWindow(bool paced = true) : paced(paced) {}
    ~WebWindow() override;
    WebWindow(const WebWindow&) = delete;
    WebWindow& operator=(const WebWindow&) = delete;

    bool register_class(const char* className) override;
    bool create_window(const char* title, int width, int height, bool fullScreen) override;
    void show_window() override;
    void* handle() override;
    void pump_messages(WindowProc proc) override;
    LRESULT default_proc(uint32_t message, WPARAM wParam, LPARAM lParam) override;
    ScreenRect cursor_clip_rect() override;
    void set_cursor_pos(int x, int y) override;
    void show_cursor(bool show) override;

    // Whether the free camera flies: only then does a click on the canvas lock the pointer.
    void steer_by_mouse(bool on);
    bool steering() const { return steer; }

    // Called from the browser's event handlers.
    void post(const WebMessage& message);
    // A movement under pointer lock, in CSS pixels.
    void pointer_moved(double dx, double dy);
    void full_screen_changed(bool fullScreen);

private:
    bool paced;
    bool created = false;
    bool running = false;
    bool steer = false;
    bool fullScreen = false;
    int width = 0, height = 0;
    // Where the cursor is in the window's coordinates: the movements added up from the last
    // point set_cursor_pos put it on, held inside the window.
    double cursorX = 0.0, cursorY = 0.0;
    std::deque<WebMessage> pending;
};
