#pragma once
// The browser page as the player's window: the canvas (id "canvas") is the window, its keyboard,
// mouse and the page's pointer lock arrive as window messages. Each pass of the main loop hands
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

    // Called from the browser's event handlers.
    void post(const WebMessage& message);
    void pointer_moved(double x, double y, double dx, double dy, bool locked);
    bool cursor_hidden() const { return !cursorShown; }

private:
    bool paced;
    bool created = false;
    bool cursorShown = true;
    int width = 0, height = 0;
    // Where the cursor is in the window's coordinates. Under pointer lock the browser reports
    // only movements, added up here from the last point set_cursor_pos put it on.
    double cursorX = 0.0, cursorY = 0.0;
    std::deque<WebMessage> pending;
};
