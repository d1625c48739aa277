#pragma once
// The scene of the soak run, written into a directory as "sarnoj1.3ds" with its textures: about
// the size of a production (some 20,000 faces in 26 meshes), every kind of material, omni lights
// with keyed colours, a keyed camera that sweeps the scene to frame 1150, a dummy hierarchy,
// morphing and hidden meshes. False when a file cannot be written.

#include <filesystem>

bool write_soak_scene(const std::filesystem::path& dir);
