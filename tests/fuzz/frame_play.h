#pragma once
// The frame harnesses: any scene file, played. It is loaded and built with the device
// preparation onto a device in the player's initial states, then drawn at the frames the input
// chooses (frame_input.h) by the player's own pass (draw_player_frame). A scene without a camera
// is shown through the free camera, as the driver does. Every outcome is a drawn frame or one of the loader's or the
// device preparation's messages. Everything an input allocated is released after it.

#include <cstdint>
#include <memory>
#include <span>

#include "gfxcontext/context.h"

using MakeLibrary = std::unique_ptr<gfx::ContextLibrary> (*)();

void frame_harness_init();
void frame_harness_run(std::span<const uint8_t> data, MakeLibrary make, int width, int height);
