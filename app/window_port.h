#pragma once
// The window as the driver sees it: one top-level window whose events arrive as window messages,
// and the system cursor.

#include <cstdint>

#include "app/window_messages.h"

struct ScreenRect {
    int left, top, right, bottom;
};

class WindowPort {
public:
    virtual ~WindowPort() = default;
    // Makes the window system ready for a window of this class; false when it cannot be.
    virtual bool register_class(const char* className) = 0;
    // Creates the window, hidden until show: full screen covers the desktop, otherwise an outer
    // size of width x height. False when no window could be made.
    virtual bool create_window(const char* title, int width, int height, bool fullScreen) = 0;
    virtual void show_window() = 0;
    // The platform's handle of the window, for the graphics context (null before create_window).
    virtual void* handle() = 0;
    // Removes every pending message of the window and hands it to proc, in order.
    virtual void pump_messages(WindowProc proc) = 0;
    // What the system does with a message the window procedure leaves alone.
    virtual LRESULT default_proc(uint32_t message, WPARAM wParam, LPARAM lParam) = 0;
    // The rectangle the cursor is confined to (the whole window when it is not confined), in
    // the coordinates of the window's mouse messages. Those are the window's own coordinates,
    // so a centre taken from here is the one that mouse messages report after set_cursor_pos,
    // wherever the window lies on the screen.
    virtual ScreenRect cursor_clip_rect() = 0;
    // Puts the cursor on a point given in the coordinates of cursor_clip_rect.
    virtual void set_cursor_pos(int x, int y) = 0;
    virtual void show_cursor(bool show) = 0;
};
