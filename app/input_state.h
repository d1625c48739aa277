#pragma once
// The keyboard and mouse state the main loop polls. The window procedure writes it while the
// loop pumps messages; the loop reads it in its tick steps and end test.

#include <cstdint>

constexpr int KEY_SLOTS = 152;
// Extended keys count in the slot 61 + scan code, above the ordinary keys.
constexpr int EXTENDED_KEY_BASE = 61;
// Escape's scan code; its slot is also the quit signal.
constexpr int KEY_ESCAPE = 1;

struct InputState {
    // Key-down messages of each key since its last key-up (auto-repeats included, wrapping at
    // 256); 0 means up.
    uint8_t keys[KEY_SLOTS];
    // Cursor position of the last mouse move minus the mouse centre, in pixels.
    int32_t mouseDx, mouseDy;
    // Screen point to which the cursor is put back.
    int32_t mouseCentreX, mouseCentreY;
    // 0 up, 1 down, 2 double-clicked.
    int32_t leftButton, middleButton, rightButton;
};

extern InputState input;

void input_reset_keys();
