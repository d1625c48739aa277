#pragma once
// The shader programs of the GL device: one for the scene's primitives (clip-space vertices as
// the device contract transforms them, the diffuse colour flat or Gouraud, optionally modulating
// a texture), one for the debug text's solid squares and, in WebGL 2, one for lines.

#include "gldevice/gl_api.h"

struct GlPrograms {
    GLuint scene = 0, text = 0;
    GLuint line = 0;        // WebGL 2 only: lines drawn pixel by pixel (see gl_programs.cpp)
    GLint sceneMode = -1;    // bit 0: textured, bit 1: Gouraud, bit 2: magnified to LOD 0.5
    GLint scenePixel = -1;   // (1 / width, 1 / height) of the target
    GLint textScale = -1;    // (2 / width, 2 / height) of the target
    GLint textColour = -1;
    GLint linePixel = -1;   // (1 / width, 1 / height) of the target

    GlPrograms() = default;
    GlPrograms(const GlPrograms&) = delete;
    GlPrograms& operator=(const GlPrograms&) = delete;
    ~GlPrograms();
};

// False when a program does not compile or link (the driver is then of no use to us).
bool make_programs(GlPrograms& programs);
