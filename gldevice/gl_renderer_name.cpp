#include "gldevice/gl_renderer_name.h"

#include <algorithm>
#include <cctype>
#include <string>

bool is_software_renderer(std::string_view renderer)
{
    // GL has no query for this. Mesa's GLX_MESA_query_renderer answers "accelerated" only for GLX
    // contexts and EGL has none; headless, candidate_displays prefers an EGL device that does not
    // say EGL_MESA_device_software, but a window's context is judged by its renderer's name alone.
    std::string lower(renderer);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    for (const char* name : {"llvmpipe", "softpipe", "swrast", "software", "swiftshader",
                             "microsoft basic render driver"})
        if (lower.find(name) != std::string::npos)
            return true;
    // The old OpenSWR rasteriser calls itself "SWR" (with nothing or its version after it).
    for (size_t at = lower.find("swr"); at != std::string::npos; at = lower.find("swr", at + 1)) {
        const bool wordStart = at == 0 || !std::isalnum(static_cast<unsigned char>(lower[at - 1]));
        const bool wordEnd =
            at + 3 == lower.size() || !std::isalnum(static_cast<unsigned char>(lower[at + 3]));
        if (wordStart && wordEnd)
            return true;
    }
    return false;
}
