#pragma once
// The OpenGL 3.3 core entry points, declared by the system's headers and resolved by linking
// against the GL dispatch library.

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>
