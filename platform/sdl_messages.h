#pragma once
// SDL events as the window messages the window procedure reads: keys with set-1 scan codes,
// mouse moves in client coordinates, buttons, and the close request.

#include <SDL_events.h>

#include "app/window_messages.h"

struct WindowMessage {
    uint32_t message;
    WPARAM wParam;
    LPARAM lParam;
};

// False when the event means nothing to the window.
bool sdl_event_to_message(const SDL_Event& event, WindowMessage& out);
