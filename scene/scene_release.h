#pragma once
// Gives back everything a scene holds, also one whose build was stopped half-way, so that tests,
// benchmarks and tools can load many scenes in one process. The player itself keeps its scene to
// the end of the run.

#include "scene/scene.h"

void release_scene(Scene* scene);
