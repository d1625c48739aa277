#pragma once
#include <cstdint>

// One level of a texture image's chain of halved images (level 0 shares the map's pixels).
struct ImageLevel {
    ImageLevel* next;
    uint32_t* pixels;
    int width, height;
    int level;
};
