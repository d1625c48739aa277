#pragma once
// The one entry point of the scene loader, and the operations on the loaded records.

#include <cstdint>

#include "scene/scene.h"

using PrepareScene = void (*)(Scene& scene);

Scene* build_scene(const char* fileName, int width, int height, PrepareScene prepare);
