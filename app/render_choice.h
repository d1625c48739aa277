#pragma once
// The target the player draws on, as its environment asks for it:
//   SARNOJ_RENDER_SIZE     "native" (the largest 4:3 area of the window's real pixels) or "WxH"
//   SARNOJ_RENDER_SAMPLES  1, 4 or 8
// Unset, the player draws at its logical 640 x 480 with one sample a pixel. A value it cannot use
// is reported in one line on `warnings` and that setting keeps its default; a size and sample
// count that together need more than the `available` memory are both reported and left at their
// defaults.

#include <cstdint>
#include <cstdio>
#include <optional>

#include "gfxcontext/render_target.h"

constexpr const char* RENDER_SIZE_VARIABLE = "SARNOJ_RENDER_SIZE";
constexpr const char* RENDER_SAMPLES_VARIABLE = "SARNOJ_RENDER_SAMPLES";

RenderTarget render_target_from_environment(
    std::FILE* warnings, std::optional<uint64_t> available = available_memory());
