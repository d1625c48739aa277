#pragma once
// The small scenes the golden frames are drawn from, which scripts/compare-devices.sh also draws
// through both devices (written there by `make-demo --crafted-scenes DIR`). Each writer puts its
// scene (and its texture) into dir; false when a file cannot be written.

#include <filesystem>

// lit.3ds: a textured cube spinning, a flat pyramid under a dummy that carries it across, a
// half-transparent textured pane, a wireframe box, an omni light and a camera moving; its
// texture checker.pcx beside it.
bool write_lit_scene(const std::filesystem::path& dir);
// headlight.3ds: no light and no keyframer data: the headlight, objects where they were modelled.
bool write_headlight_scene(const std::filesystem::path& dir);
// paused.3ds: no camera: the free camera at the origin looking along +z at a box, the clock
// standing still.
bool write_paused_scene(const std::filesystem::path& dir);
// near-plane.3ds: a floor triangle with one corner far behind the camera, lit at a grazing angle,
// and two far ahead under a light straight above them: a face the near plane clips, its colour
// running from dark to bright.
bool write_near_plane_scene(const std::filesystem::path& dir);

// All four.
bool write_crafted_scenes(const std::filesystem::path& dir);
