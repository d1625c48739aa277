#include <gtest/gtest.h>

#include "app/input_state.h"
#include "app/window.h"
#include "core/fatal_error.h"
#include "tests/support/fake_scene.h"

using fakes::FakeWindow;

namespace {

LPARAM key(uint8_t scan, bool extended = false, bool alt = false)
{
    return key_lparam(scan, extended, alt, false, false);
}

void down(LPARAM lParam) { window_proc(nullptr, WM_KEYDOWN, 0, lParam); }
void up(LPARAM lParam) { window_proc(nullptr, WM_KEYUP, 0, lParam); }

class WindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        fakes::reset_player_globals();
        window.port = &port;
    }
    FakeWindow port;
};

}  // namespace

TEST_F(WindowTest, KeySlotsCountAutoRepeatsAndClearOnRelease)
{
    down(key(0x1E));
    down(key(0x1E));
    down(key(0x1E));
    EXPECT_EQ(input.keys[0x1E], 3);
    up(key(0x1E));
    EXPECT_EQ(input.keys[0x1E], 0);

    // A counter wraps at 256: a key held that long reads as up for one repeat.
    for (int i = 0; i < 256; ++i)
        down(key(0x10));
    EXPECT_EQ(input.keys[0x10], 0);
    down(key(0x10));
    EXPECT_EQ(input.keys[0x10], 1);
}

TEST_F(WindowTest, ExtendedKeysCountAboveTheOrdinaryOnes)
{
    down(key(0x48, true));  // arrow up
    down(key(0x48, true));
    down(key(0x48));  // keypad 8, the same scan code
    EXPECT_EQ(input.keys[61 + 0x48], 2);
    EXPECT_EQ(input.keys[0x48], 1);
    up(key(0x48, true));
    EXPECT_EQ(input.keys[61 + 0x48], 0);
    EXPECT_EQ(input.keys[0x48], 1);
}

TEST_F(WindowTest, KeysWithAltHeldLeaveTheTableAlone)
{
    down(key(0x1E));
    down(key(0x1E, false, true));
    EXPECT_EQ(input.keys[0x1E], 1);
    up(key(0x1E, false, true));
    EXPECT_EQ(input.keys[0x1E], 1);
    // The other context bits 27 and 28 act the same.
    down(key(0x1E) | LPARAM(1) << 27);
    up(key(0x1E) | LPARAM(1) << 28);
    EXPECT_EQ(input.keys[0x1E], 1);
    // System key messages go to the default procedure.
    EXPECT_EQ(window_proc(nullptr, WM_SYSKEYDOWN, 0, key(0x01, false, true)), 77);
    EXPECT_EQ(input.keys[KEY_ESCAPE], 0);
    EXPECT_EQ(port.defaultMessages, std::vector<uint32_t>{WM_SYSKEYDOWN});
}

TEST_F(WindowTest, KeysBeyondTheTableAreIgnored)
{
    // The Windows keys are extended 0x5B and 0x5C: slots 152 and 153 would lie past the table,
    // and so would an ordinary scan code of 152 or more.
    input.mouseDx = 11;
    input.mouseDy = 12;
    down(key(0x5B, true));
    down(key(0xFF, true));
    down(key(0x98));
    down(key(0xFF));
    up(key(0xFF));
    EXPECT_EQ(input.mouseDx, 11);
    EXPECT_EQ(input.mouseDy, 12);
    for (int slot = 0; slot < KEY_SLOTS; ++slot)
        EXPECT_EQ(input.keys[slot], 0) << slot;
    // The last slot inside the table still counts.
    down(key(90, true));
    down(key(151));
    EXPECT_EQ(input.keys[151], 2);
}

TEST_F(WindowTest, CloseRequestAndEscapeSetTheQuitSignal)
{
    EXPECT_EQ(window_proc(nullptr, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(input.keys[KEY_ESCAPE], 1);
    input_reset_keys();
    down(key(0x01));
    EXPECT_EQ(input.keys[KEY_ESCAPE], 1);
    EXPECT_TRUE(port.defaultMessages.empty());
}

TEST_F(WindowTest, MouseDeltaIsMeasuredFromTheCentre)
{
    input.mouseCentreX = 512;
    input.mouseCentreY = 384;
    window_proc(nullptr, WM_MOUSEMOVE, 0, mouse_lparam(512, 384));
    EXPECT_EQ(input.mouseDx, 0);
    EXPECT_EQ(input.mouseDy, 0);
    window_proc(nullptr, WM_MOUSEMOVE, 0, mouse_lparam(500, 1000));
    EXPECT_EQ(input.mouseDx, -12);
    EXPECT_EQ(input.mouseDy, 616);
    // Coordinates are read as unsigned words.
    window_proc(nullptr, WM_MOUSEMOVE, 0, mouse_lparam(-1, 0));
    EXPECT_EQ(input.mouseDx, 65535 - 512);
    EXPECT_EQ(input.mouseDy, -384);
}

TEST_F(WindowTest, ButtonsTrackDownUpAndDoubleClick)
{
    struct Case {
        uint32_t message;
        int32_t InputState::*button;
        int32_t value;
    } cases[] = {
        {WM_LBUTTONDOWN, &InputState::leftButton, 1},   {WM_LBUTTONDBLCLK, &InputState::leftButton, 2},
        {WM_LBUTTONUP, &InputState::leftButton, 0},     {WM_RBUTTONDOWN, &InputState::rightButton, 1},
        {WM_RBUTTONDBLCLK, &InputState::rightButton, 2}, {WM_RBUTTONUP, &InputState::rightButton, 0},
        {WM_MBUTTONDOWN, &InputState::middleButton, 1}, {WM_MBUTTONDBLCLK, &InputState::middleButton, 2},
        {WM_MBUTTONUP, &InputState::middleButton, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(window_proc(nullptr, c.message, 0, 0), 0);
        EXPECT_EQ(input.*c.button, c.value) << c.message;
    }
}

TEST_F(WindowTest, CreateShowsTheWindowWithTheCursorOnTheDesktopCentre)
{
    port.clip = {-1281, -3, 0, 1024};  // sums divide with truncation toward zero
    window_create(640, 480, "d3d test", true);
    EXPECT_EQ(fakes::calls, (std::vector<std::string>{
                                "register_class(d3d test)", "create_window(d3d test, 640, 480, 1)",
                                "show_cursor(0)", "cursor_clip_rect()", "set_cursor_pos(-640, 510)",
                                "show_window()"}));
    EXPECT_EQ(window.handle, &port);

    fakes::calls.clear();
    window_create(640, 480, "d3d test", false);
    EXPECT_EQ(fakes::PlayerRig::count("show_cursor"), 0);
}

TEST_F(WindowTest, CreateFailuresStopTheProgram)
{
    port.refuseClass = true;
    EXPECT_EXIT(window_create(640, 480, "d3d test", true), testing::ExitedWithCode(1),
                "Error!: Class registration failed!");
    port.refuseClass = false;
    port.refuseWindow = true;
    EXPECT_EXIT(window_create(640, 480, "d3d test", true), testing::ExitedWithCode(1),
                "Error!: Window creation failed!");
}

TEST_F(WindowTest, AnExtendedKeyCountsEvenWithTheAltBitsSet)
{
    // The extended bit is looked at first: bits 27 to 29 only hold back the ordinary keys.
    for (int bit : {27, 28, 29}) {
        down(key(0x48, true) | LPARAM(1) << bit);
        EXPECT_EQ(input.keys[61 + 0x48], 1) << "bit " << bit;
        up(key(0x48, true) | LPARAM(1) << bit);
        EXPECT_EQ(input.keys[61 + 0x48], 0) << "bit " << bit;
    }
}
