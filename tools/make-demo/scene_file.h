#pragma once
// The production's scene file: the editor section (stage.h) and the keyframer section
// (choreography.h) inside one "Main Chunk".

#include <cstdint>
#include <vector>

namespace demo {

std::vector<uint8_t> build_scene_file();

}  // namespace demo
