#pragma once
// What the scene harnesses demand of every scene the build returns: the records hold together.
// Every array is read to the length its count claims (an overflow shows under the sanitizer),
// every face's corners lie in its mesh's vertex array, every list ends. Aborts (a finding)
// otherwise.

#include "scene/scene.h"
#include "tests/fuzz/scene_messages.h"

void check_scene(const Scene& scene);
