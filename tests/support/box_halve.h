#pragma once
// The next level of a square mip chain made in a test or a benchmark: each texel the rounded
// mean of four, per channel.

#include <cstdint>
#include <vector>

inline std::vector<uint32_t> box_halve(const std::vector<uint32_t>& level, int size)
{
    const int half = size / 2;
    std::vector<uint32_t> out(size_t(half) * half);
    for (int y = 0; y < half; y++)
        for (int x = 0; x < half; x++) {
            uint32_t texel = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                uint32_t sum = 0;
                for (int k = 0; k < 4; k++)
                    sum += level[size_t(2 * y + k / 2) * size + 2 * x + k % 2] >> shift & 255;
                texel |= ((sum + 2) / 4) << shift;
            }
            out[size_t(y) * half + x] = texel;
        }
    return out;
}
