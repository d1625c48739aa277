#pragma once
// The GL entry points: OpenGL 3.3 core natively, declared by the system's headers and resolved by
// linking against the GL dispatch library; OpenGL ES 3.0 in the browser, which emscripten maps
// onto WebGL 2. What the two lack of each other is chosen here at compile time.

#ifdef __EMSCRIPTEN__
#include <GLES3/gl3.h>
// WebGL 2: GLSL ES 3.00, no BGRA pixel or vertex formats, no polygon modes, no base vertex, no
// mapped buffers, no provoking-vertex choice (the last vertex's flat values count).
#define PLAYER_WEBGL 1
#else
#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>
#endif

// The first lines of every shader: its language version, and in GLSL ES the precisions that 3.30
// has by default.
#ifdef PLAYER_WEBGL
inline constexpr const char* glShaderPrefix = "#version 300 es\n"
                                              "precision highp float;\n"
                                              "precision highp int;\n"
                                              "precision highp sampler2D;\n";
#else
inline constexpr const char* glShaderPrefix = "#version 330 core\n";
#endif

#include <cstdint>

// A8R8G8B8 as A8B8G8R8 and back: the bytes R G B A in memory, where BGRA is not taken.
constexpr uint32_t swap_red_blue(uint32_t pixel)
{
    return (pixel & 0xFF00FF00u) | ((pixel >> 16) & 0xFFu) | ((pixel & 0xFFu) << 16);
}
