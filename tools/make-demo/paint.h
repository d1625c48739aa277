#pragma once
// Small deterministic painting helpers for the procedural textures: hashed value noise, fractal
// sums, colour mixing. Nothing depends on a random source or on the time.

#include <cstdint>

namespace demo::paint {

// Smooth value noise in 0..1, repeating every `period` units in x and y.
float noise(float x, float y, int period, uint32_t seed);
// Sum of octaves of noise, each twice the frequency and half the weight; 0..1.
float fractal(float x, float y, int period, int octaves, uint32_t seed);
// Distance to the nearest and second nearest of a repeating grid of jittered cell points.
void cells(float x, float y, int period, uint32_t seed, float& nearest, float& second);

struct Rgb {
    float r, g, b;
};
Rgb mix(Rgb a, Rgb b, float t);
uint32_t pack(Rgb c);  // 0x00RRGGBB, channels clamped to 0..255
float smoothstep(float edge0, float edge1, float x);

}  // namespace demo::paint
