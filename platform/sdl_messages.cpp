#include "platform/sdl_messages.h"

#include "platform/sdl_scan_codes.h"

namespace {

bool key_message(const SDL_KeyboardEvent& key, WindowMessage& out)
{
    PcScanCode scan = pc_scan_code(key.keysym.scancode);
    if (scan.code == 0)
        return false;
    bool down = key.type == SDL_KEYDOWN;
    // With Alt held the system reports keys as system keys, which the window leaves alone.
    bool alt = (key.keysym.mod & KMOD_ALT) != 0;
    if (alt)
        out.message = down ? WM_SYSKEYDOWN : WM_SYSKEYUP;
    else
        out.message = down ? WM_KEYDOWN : WM_KEYUP;
    out.wParam = 0;
    out.lParam = key_lparam(scan.code, scan.extended, alt, !down || key.repeat != 0, !down);
    return true;
}

bool button_message(const SDL_MouseButtonEvent& button, WindowMessage& out)
{
    uint32_t base;
    switch (button.button) {
    case SDL_BUTTON_LEFT: base = WM_LBUTTONDOWN; break;
    case SDL_BUTTON_RIGHT: base = WM_RBUTTONDOWN; break;
    case SDL_BUTTON_MIDDLE: base = WM_MBUTTONDOWN; break;
    default: return false;
    }
    // Down, up and double-click follow each other in the message numbers; every second click
    // of a quick series is a double-click.
    if (button.type == SDL_MOUSEBUTTONUP)
        out.message = base + 1;
    else
        out.message = button.clicks % 2 == 0 ? base + 2 : base;
    out.wParam = 0;
    out.lParam = mouse_lparam(button.x, button.y);
    return true;
}

}  // namespace

bool sdl_event_to_message(const SDL_Event& event, WindowMessage& out)
{
    switch (event.type) {
    case SDL_QUIT:
        out = {WM_CLOSE, 0, 0};
        return true;
    case SDL_WINDOWEVENT:
        if (event.window.event != SDL_WINDOWEVENT_CLOSE)
            return false;
        out = {WM_CLOSE, 0, 0};
        return true;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        return key_message(event.key, out);
    case SDL_MOUSEMOTION:
        out = {WM_MOUSEMOVE, 0, mouse_lparam(event.motion.x, event.motion.y)};
        return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        return button_message(event.button, out);
    default:
        return false;
    }
}
