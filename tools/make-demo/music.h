#pragma once
// The soundtrack, synthesised from the score: 16-bit stereo PCM at 44.1 kHz.

#include <cstdint>
#include <vector>

namespace demo {

// Interleaved left/right samples covering scene frames 0 .. endFrame and a short ring-out.
std::vector<int16_t> render_music(int endFrame);

// The number of stereo samples render_music(endFrame) gives.
int64_t music_sample_count(int endFrame);

}  // namespace demo
