#pragma once
// The target the player draws on and the device it draws with, as its environment asks for them:
//   SARNOJ_RENDER_SIZE     "native" (the largest 4:3 area of the window's real pixels) or "WxH"
//   SARNOJ_RENDER_SAMPLES  1, 4 or 8
//   SARNOJ_RENDER_DEVICE   software or gl: that device, whatever the machine offers
// Unset, the player draws at its logical 640 x 480 with one sample a pixel (on a graphics
// processor, `graphicsProcessor`: native with 4 samples), with the device
// device_setup's selection gives it (see app/device_library.h). A value it cannot use is
// reported in one line on `warnings` and that setting keeps its default; a size and sample count
// that together need more than the `available` memory are both reported and left at their
// defaults.

#include <cstdint>
#include <cstdio>
#include <optional>

#include "app/device_library.h"
#include "gfxcontext/render_target.h"

constexpr const char* RENDER_SIZE_VARIABLE = "SARNOJ_RENDER_SIZE";
constexpr const char* RENDER_SAMPLES_VARIABLE = "SARNOJ_RENDER_SAMPLES";
constexpr const char* RENDER_DEVICE_VARIABLE = "SARNOJ_RENDER_DEVICE";

RenderTarget render_target_from_environment(
    std::FILE* warnings, std::optional<uint64_t> available = available_memory(),
    bool graphicsProcessor = false);

// The device the environment forces; null when unset or not usable.
std::optional<RenderDevice> render_device_from_environment(std::FILE* warnings);
