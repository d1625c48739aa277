#pragma once
// The player's one window: created just before the graphics context, its messages turned into
// the input state by window_proc while the main loop pumps them.

#include "app/window_messages.h"
#include "app/window_port.h"

struct Window {
    WindowPort* port;  // the window system; set before window_create
    void* handle;      // set by window_create
};

extern Window window;

constexpr const char* WINDOW_NAME = "d3d test";

// Registers the class, creates and shows the window and puts the cursor on the mouse centre,
// the middle of the area the cursor may move in.
// Failures stop the program ("Class registration failed!", "Window creation failed!").
void window_create(int width, int height, const char* name, bool fullScreen);

LRESULT window_proc(void* hwnd, uint32_t message, WPARAM wParam, LPARAM lParam);
