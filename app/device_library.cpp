#include "app/device_library.h"

#include "gfxcontext/software_context.h"
#include "gldevice/gl_context.h"

std::optional<RenderDevice> parse_render_device(std::string_view text, std::string& error)
{
    if (text == "software")
        return RenderDevice::software;
    if (text == "gl")
        return RenderDevice::gl;
    error = "device \"";
    error += text;
    error += "\" is neither software nor gl";
    return std::nullopt;
}

DeviceLibrary make_device_library(RenderDevice wanted, Presenter* presenter,
                                  const RenderTarget& target, std::FILE* warnings)
{
    if (wanted == RenderDevice::gl) {
        std::string reason;
        if (auto library = make_gl_context_library(presenter, target, reason))
            return {std::move(library), RenderDevice::gl};
        if (warnings)
            std::fprintf(warnings, "sarnoj: no GL device (%s): drawing with the software device\n",
                         reason.c_str());
    }
    return {make_software_context_library(presenter, target), RenderDevice::software};
}
