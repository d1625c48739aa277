#include "app/window.h"

#include "app/input_state.h"
#include "core/fatal_error.h"

Window window{};

void window_create(int width, int height, const char* name, bool fullScreen)
{
    WindowPort& port = *window.port;
    if (!port.register_class(name))
        fatal_error("Class registration failed!");
    if (!port.create_window(name, width, height, fullScreen))
        fatal_error("Window creation failed!");
    window.handle = port.handle();
    if (fullScreen)
        port.show_cursor(false);
    // The centre is taken before the graphics context changes the display mode, in the
    // coordinates that mouse messages carry, so a move back onto it reads as no movement.
    ScreenRect clip = port.cursor_clip_rect();
    input.mouseCentreX = (clip.left + clip.right) / 2;
    input.mouseCentreY = (clip.top + clip.bottom) / 2;
    port.set_cursor_pos(input.mouseCentreX, input.mouseCentreY);
    port.show_window();
}

namespace {

// Adds one key-down to the key's slot, or clears it on key-up. Keys whose slot lies beyond the
// table (extended keys above scan code 90, ordinary ones above 151) are not tracked.
void key_message(LPARAM lParam, bool down)
{
    int scanCode = static_cast<int>((lParam >> 16) & 0xFF);
    int slot;
    if (lParam & KEY_EXTENDED)
        slot = EXTENDED_KEY_BASE + scanCode;
    else if (lParam & (LPARAM(7) << 27))
        return;  // Alt held (or another context bit): the table stays as it is
    else
        slot = scanCode;
    if (slot >= KEY_SLOTS)
        return;
    if (down)
        ++input.keys[slot];
    else
        input.keys[slot] = 0;
}

}  // namespace

LRESULT window_proc(void*, uint32_t message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        input.keys[KEY_ESCAPE] = 1;  // the quit signal; the window stays
        return 0;
    case WM_KEYDOWN:
        key_message(lParam, true);
        return 0;
    case WM_KEYUP:
        key_message(lParam, false);
        return 0;
    case WM_MOUSEMOVE:
        input.mouseDx = static_cast<int32_t>(lParam & 0xFFFF) - input.mouseCentreX;
        input.mouseDy = static_cast<int32_t>((lParam >> 16) & 0xFFFF) - input.mouseCentreY;
        return 0;
    case WM_LBUTTONDOWN: input.leftButton = 1; return 0;
    case WM_LBUTTONUP: input.leftButton = 0; return 0;
    case WM_LBUTTONDBLCLK: input.leftButton = 2; return 0;
    case WM_RBUTTONDOWN: input.rightButton = 1; return 0;
    case WM_RBUTTONUP: input.rightButton = 0; return 0;
    case WM_RBUTTONDBLCLK: input.rightButton = 2; return 0;
    case WM_MBUTTONDOWN: input.middleButton = 1; return 0;
    case WM_MBUTTONUP: input.middleButton = 0; return 0;
    case WM_MBUTTONDBLCLK: input.middleButton = 2; return 0;
    default:
        return window.port ? window.port->default_proc(message, wParam, lParam) : 0;
    }
}
