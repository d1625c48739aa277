#pragma once
// The window messages the player understands, with their values and lParam layout. The platform
// layer turns its own events into these, so the window procedure handles one set of messages
// whatever the windowing system underneath.

#include <cstdint>

using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_SYSKEYDOWN = 0x0104;
constexpr uint32_t WM_SYSKEYUP = 0x0105;
constexpr uint32_t WM_MOUSEMOVE = 0x0200;
constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr uint32_t WM_LBUTTONUP = 0x0202;
constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;
constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr uint32_t WM_RBUTTONUP = 0x0205;
constexpr uint32_t WM_RBUTTONDBLCLK = 0x0206;
constexpr uint32_t WM_MBUTTONDOWN = 0x0207;
constexpr uint32_t WM_MBUTTONUP = 0x0208;
constexpr uint32_t WM_MBUTTONDBLCLK = 0x0209;

// Key message lParam: repeat count in bits 0-15, PC set-1 scan code in bits 16-23, extended key
// in bit 24, Alt held in bit 29, previous key state in bit 30, released in bit 31.
constexpr LPARAM KEY_EXTENDED = LPARAM(1) << 24;
constexpr LPARAM KEY_ALT_HELD = LPARAM(1) << 29;
constexpr LPARAM KEY_WAS_DOWN = LPARAM(1) << 30;
constexpr LPARAM KEY_RELEASED = LPARAM(1) << 31;

constexpr LPARAM key_lparam(uint8_t scanCode, bool extended, bool altHeld, bool wasDown,
                            bool released)
{
    return 1 | LPARAM(scanCode) << 16 | (extended ? KEY_EXTENDED : 0) |
           (altHeld ? KEY_ALT_HELD : 0) | (wasDown ? KEY_WAS_DOWN : 0) |
           (released ? KEY_RELEASED : 0);
}

// Mouse message lParam: x in the low word, y in the high word, client coordinates.
constexpr LPARAM mouse_lparam(int x, int y)
{
    return LPARAM(uint32_t(x) & 0xFFFF) | LPARAM(uint32_t(y) & 0xFFFF) << 16;
}

using WindowProc = LRESULT (*)(void* window, uint32_t message, WPARAM wParam, LPARAM lParam);
