#pragma once
// The target a benchmark draws on, from PREFIX_WIDTH, PREFIX_HEIGHT (default 640 x 480) and
// PREFIX_SAMPLES (1, 4 or 8; default 1) in the environment, as bench/run-*.sh pass them.

#include <cstdlib>
#include <optional>
#include <string>

#include "gfxcontext/render_target.h"

// Null, with the reason in `error`, when a variable holds something else.
inline std::optional<RenderTarget> bench_target(const std::string& prefix, std::string& error)
{
    const auto setting = [&](const char* name, const char* otherwise) {
        const char* value = std::getenv((prefix + name).c_str());
        return std::string(value ? value : otherwise);
    };
    auto size = parse_target_size(setting("_WIDTH", "640") + "x" + setting("_HEIGHT", "480"),
                                  error);
    const auto samples = parse_sample_count(setting("_SAMPLES", "1"), error);
    if (!size || size->native || !samples) {
        error = prefix + "_WIDTH, " + prefix + "_HEIGHT, " + prefix + "_SAMPLES: " + error;
        return std::nullopt;
    }
    size->samples = *samples;
    return size;
}
