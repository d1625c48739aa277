#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "app/driver_state.h"
#include "app/input_state.h"
#include "app/window.h"
#include "platform/sdl_messages.h"
#include "platform/sdl_scan_codes.h"
#include "platform/sdl_window.h"
#include "tests/support/fake_scene.h"
#include "tests/support/skip_or_fail.h"

namespace {

SDL_Event key_event(SDL_Scancode code, bool down, uint16_t mod = KMOD_NONE, bool repeat = false)
{
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.type = event.type;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat;
    event.key.keysym.scancode = code;
    event.key.keysym.mod = mod;
    return event;
}

WindowMessage translate(const SDL_Event& event)
{
    WindowMessage message{};
    EXPECT_TRUE(sdl_event_to_message(event, message));
    return message;
}

// Feeds the events through the translation into the window procedure.
void feed(std::initializer_list<SDL_Event> events)
{
    for (const SDL_Event& event : events) {
        WindowMessage message;
        if (sdl_event_to_message(event, message))
            window_proc(nullptr, message.message, message.wParam, message.lParam);
    }
}

}  // namespace

TEST(SdlMessages, KeysCarryTheirSetOneScanCodes)
{
    WindowMessage escape = translate(key_event(SDL_SCANCODE_ESCAPE, true));
    EXPECT_EQ(escape.message, WM_KEYDOWN);
    EXPECT_EQ(escape.lParam, 1 | 0x01 << 16);

    WindowMessage up = translate(key_event(SDL_SCANCODE_UP, true, KMOD_NONE, true));
    EXPECT_EQ(up.lParam, 1 | 0x48 << 16 | KEY_EXTENDED | KEY_WAS_DOWN);

    WindowMessage released = translate(key_event(SDL_SCANCODE_A, false));
    EXPECT_EQ(released.message, WM_KEYUP);
    EXPECT_EQ(released.lParam, 1 | 0x1E << 16 | KEY_WAS_DOWN | KEY_RELEASED);

    WindowMessage withAlt = translate(key_event(SDL_SCANCODE_F4, true, KMOD_LALT));
    EXPECT_EQ(withAlt.message, WM_SYSKEYDOWN);
    EXPECT_EQ(withAlt.lParam, 1 | 0x3E << 16 | KEY_ALT_HELD);

    // Keys with no set-1 code send nothing.
    WindowMessage none;
    EXPECT_FALSE(sdl_event_to_message(key_event(SDL_SCANCODE_F20, true), none));
}

TEST(SdlMessages, ScanCodesFollowTheKeyboardLayout)
{
    struct {
        SDL_Scancode key;
        uint8_t code;
        bool extended;
    } cases[] = {
        {SDL_SCANCODE_1, 0x02, false},  {SDL_SCANCODE_0, 0x0B, false},
        {SDL_SCANCODE_Q, 0x10, false},  {SDL_SCANCODE_Z, 0x2C, false},
        {SDL_SCANCODE_M, 0x32, false},  {SDL_SCANCODE_SPACE, 0x39, false},
        {SDL_SCANCODE_F1, 0x3B, false}, {SDL_SCANCODE_F10, 0x44, false},
        {SDL_SCANCODE_F12, 0x58, false}, {SDL_SCANCODE_KP_4, 0x4B, false},
        {SDL_SCANCODE_LEFT, 0x4B, true}, {SDL_SCANCODE_RIGHT, 0x4D, true},
        {SDL_SCANCODE_DOWN, 0x50, true}, {SDL_SCANCODE_RCTRL, 0x1D, true},
    };
    for (const auto& c : cases) {
        PcScanCode scan = pc_scan_code(c.key);
        EXPECT_EQ(scan.code, c.code) << SDL_GetScancodeName(c.key);
        EXPECT_EQ(scan.extended, c.extended) << SDL_GetScancodeName(c.key);
    }
}

TEST(SdlMessages, KeyboardReachesTheKeyTable)
{
    fakes::reset_player_globals();
    feed({key_event(SDL_SCANCODE_LEFT, true), key_event(SDL_SCANCODE_LEFT, true, KMOD_NONE, true),
          key_event(SDL_SCANCODE_KP_4, true), key_event(SDL_SCANCODE_LGUI, true),
          key_event(SDL_SCANCODE_A, true, KMOD_RALT)});
    EXPECT_EQ(input.keys[61 + 0x4B], 2);
    EXPECT_EQ(input.keys[0x4B], 1);
    EXPECT_EQ(input.keys[0x1E], 0);
    feed({key_event(SDL_SCANCODE_LEFT, false)});
    EXPECT_EQ(input.keys[61 + 0x4B], 0);
}

TEST(SdlMessages, MouseAndCloseRequests)
{
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.x = 700;
    motion.motion.y = 20;
    WindowMessage move = translate(motion);
    EXPECT_EQ(move.message, WM_MOUSEMOVE);
    EXPECT_EQ(move.lParam, 700 | 20 << 16);

    SDL_Event button{};
    button.type = SDL_MOUSEBUTTONDOWN;
    button.button.button = SDL_BUTTON_RIGHT;
    button.button.clicks = 1;
    EXPECT_EQ(translate(button).message, WM_RBUTTONDOWN);
    button.button.clicks = 2;
    EXPECT_EQ(translate(button).message, WM_RBUTTONDBLCLK);
    button.button.button = SDL_BUTTON_MIDDLE;
    button.type = SDL_MOUSEBUTTONUP;
    EXPECT_EQ(translate(button).message, WM_MBUTTONUP);
    button.button.button = SDL_BUTTON_X1;
    WindowMessage none;
    EXPECT_FALSE(sdl_event_to_message(button, none));

    SDL_Event quit{};
    quit.type = SDL_QUIT;
    EXPECT_EQ(translate(quit).message, WM_CLOSE);
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    EXPECT_EQ(translate(close).message, WM_CLOSE);
    close.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    EXPECT_FALSE(sdl_event_to_message(close, none));
}

TEST(SdlMessages, PuttingTheCursorBackOnTheCentreReadsAsNoMovement)
{
    ::setenv("SDL_VIDEODRIVER", "dummy", 1);  // its display is 1024 x 768, larger than the window
    fakes::reset_player_globals();
    SdlWindow port;
    window.port = &port;
    window_create(640, 480, WINDOW_NAME, false);
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::strcmp(driver, "dummy") != 0) {
        driver_reset_state();
        SKIP_OR_FAIL_IN_CI("video already started on another driver");
    }
    // Away from the screen's origin, as on a second monitor or a screen larger than the window.
    SDL_SetWindowPosition(port.sdl_window(), 300, 200);
    port.pump_messages(window_proc);
    EXPECT_EQ(input.mouseCentreX, 320);
    EXPECT_EQ(input.mouseCentreY, 240);

    port.set_cursor_pos(100, 50);
    port.pump_messages(window_proc);
    EXPECT_EQ(input.mouseDx, 100 - 320);
    EXPECT_EQ(input.mouseDy, 50 - 240);
    // What the main loop does after spending a delta: the move back is not a delta of its own.
    for (int pass = 0; pass < 3; ++pass) {
        port.set_cursor_pos(input.mouseCentreX, input.mouseCentreY);
        input.mouseDx = input.mouseDy = 7;
        port.pump_messages(window_proc);
        EXPECT_EQ(input.mouseDx, 0) << pass;
        EXPECT_EQ(input.mouseDy, 0) << pass;
        port.set_cursor_pos(330, 250);
        port.pump_messages(window_proc);
    }
    driver_reset_state();
}
