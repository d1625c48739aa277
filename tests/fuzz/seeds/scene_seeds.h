#pragma once
// Scene files for the scene and frame harnesses, written with the project's 3DS chunk writer:
// together they hold every chunk of the loader's table, and each stays small.

#include <cstdint>
#include <string>
#include <vector>

struct SceneSeed {
    std::string name;
    std::vector<uint8_t> bytes;
    std::vector<float> frames;  // where the frame harness looks at it
};

std::vector<SceneSeed> scene_seeds();
