#pragma once
// The browser's physical key names (KeyboardEvent.code: "Escape", "KeyA", "ArrowUp") as the PC
// set-1 scan codes the window messages carry, as platform/sdl_scan_codes does for SDL's.

#include <cstdint>
#include <string_view>

struct DomScanCode {
    uint8_t code;   // 0: the key has no set-1 code and sends no message
    bool extended;  // sent with the extended-key bit (arrows, the navigation block, right Ctrl/Alt)
};

DomScanCode dom_scan_code(std::string_view code);
