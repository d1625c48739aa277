#pragma once

#include <string_view>

// Whether a GL_RENDERER string names a rasteriser that runs on the processor (llvmpipe, softpipe,
// swrast, SWR, SwiftShader, the Microsoft Basic Render Driver, or anything calling itself
// software).
bool is_software_renderer(std::string_view renderer);
