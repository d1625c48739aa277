#include "app/driver_state.h"

#include "app/device.h"
#include "app/frame_clock.h"
#include "app/input_state.h"
#include "app/window.h"
#include "core/fatal_error.h"
#include "gfxcontext/graphics.h"

void driver_reset_state()
{
    window = Window{};
    input = InputState{};
    frameClock = FrameClock{};
    graphics = Graphics{};
    deviceUp = false;
    set_fatal_hooks({});
}
