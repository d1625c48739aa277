#pragma once
// The device the frames are drawn with: the software device, or the GL device when a GL context
// can be made. A GL device that cannot start leaves the software device in its place, with one
// line on `warnings` saying why.

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "gfxcontext/context.h"
#include "gfxcontext/presenter.h"
#include "gfxcontext/render_target.h"

enum class RenderDevice { software, gl };

// "software" or "gl"; null, with the reason in `error`, for anything else.
std::optional<RenderDevice> parse_render_device(std::string_view text, std::string& error);

struct DeviceLibrary {
    std::unique_ptr<gfx::ContextLibrary> library;
    RenderDevice device = RenderDevice::software;   // the one that started
};

DeviceLibrary make_device_library(RenderDevice wanted, Presenter* presenter,
                                  const RenderTarget& target, std::FILE* warnings);
