#pragma once
// The input of the frame harness: the frames at which the scene is updated and drawn, then the
// scene file. The first byte gives how many frames (1 + its value mod 4, at most 3: there are
// three words), then three 16-bit little-endian words give them in fiftieths of a frame (0 to
// 1310.7, beyond the end at 1150), unused words included; the rest is the file.

#include <cstdint>
#include <span>
#include <vector>

inline constexpr size_t frame_input_header = 7;

struct FrameInput {
    std::vector<float> frames;
    std::span<const uint8_t> scene;
};

// An input shorter than the header has no frames and no scene.
FrameInput split_frame_input(std::span<const uint8_t> input);

// The inverse, for the seeds: one to three frames, each a multiple of 1/50.
std::vector<uint8_t> join_frame_input(std::span<const float> frames,
                                      std::span<const uint8_t> scene);
