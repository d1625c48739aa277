#pragma once
// MP3 encoding through Debian's `lame`, run as a program and fed raw PCM through a pipe.

#include <cstdint>
#include <span>
#include <string>

namespace demo {

// Encodes interleaved 16-bit stereo samples at 44.1 kHz into `path`. The settings are fixed and
// lame writes no date or tag of its own choosing, so the same samples give the same file.
// Returns an empty string on success, else what went wrong.
std::string encode_mp3(std::span<const int16_t> samples, const std::string& path);

}  // namespace demo
