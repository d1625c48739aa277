#pragma once
// SDL's key positions as PC set-1 scan codes, the codes the key table is indexed by.

#include <SDL_scancode.h>

#include <cstdint>

struct PcScanCode {
    uint8_t code;   // 0: the key has no set-1 code and sends no message
    bool extended;  // sent with the extended-key bit (arrows, the navigation block, right Ctrl/Alt)
};

PcScanCode pc_scan_code(SDL_Scancode key);
