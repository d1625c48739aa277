#include "tests/fuzz/frame_input.h"

#include <algorithm>
#include <cmath>

FrameInput split_frame_input(std::span<const uint8_t> input)
{
    FrameInput result;
    if (input.size() < frame_input_header)
        return result;
    int count = std::min(1 + input[0] % 4, 3);
    for (int i = 0; i < count; ++i) {
        int word = input[1 + 2 * i] | input[2 + 2 * i] << 8;
        result.frames.push_back(float(word) / 50.0f);
    }
    result.scene = input.subspan(frame_input_header);
    return result;
}

std::vector<uint8_t> join_frame_input(std::span<const float> frames,
                                      std::span<const uint8_t> scene)
{
    std::vector<uint8_t> input(frame_input_header, 0);
    size_t count = std::clamp<size_t>(frames.size(), 1, 3);
    input[0] = uint8_t(count - 1);
    for (size_t i = 0; i < count && i < frames.size(); ++i) {
        auto word = uint16_t(std::lround(std::clamp(frames[i], 0.0f, 1310.0f) * 50.0f));
        input[1 + 2 * i] = uint8_t(word);
        input[2 + 2 * i] = uint8_t(word >> 8);
    }
    input.insert(input.end(), scene.begin(), scene.end());
    return input;
}
