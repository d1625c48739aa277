#pragma once
// Gives back what decoding a texture image took: its levels, their pixels and the map's own.

#include <cstdlib>

#include "scene/scene.h"

// Frees the map's pixels and levels (level 0 shares the map's pixels) and clears it.
inline void free_image(TextureMap& map)
{
    for (ImageLevel* level = map.levels; level;) {
        ImageLevel* next = level->next;
        if (level->level > 0)
            std::free(level->pixels);
        std::free(level);
        level = next;
    }
    std::free(map.pixels);
    map = TextureMap{};
}
