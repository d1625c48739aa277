#pragma once
// Gives back everything a (possibly half-built) scene holds, so that a test can load thousands of
// scenes in one process. The player never frees its scene.

#include "scene/scene.h"

void release_scene(Scene* scene);
