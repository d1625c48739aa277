#pragma once
// The fixed set of valid images against which the scene harnesses resolve material maps: one of
// each kind the player reads, square and not, powers of two and not. The seeds name them.

namespace scene_textures {

inline constexpr const char* rgb_pcx = "A.PCX";         // three planes, 16 x 16
inline constexpr const char* indexed_pcx = "B.PCX";     // one plane with palette, 8 x 8
inline constexpr const char* square_jpeg = "C.JPG";     // 16 x 16
inline constexpr const char* wide_jpeg = "D.JPG";       // 8 x 4
inline constexpr const char* odd_pcx = "E.PCX";         // three planes, 5 x 3

// Writes the images into the current directory; aborts when it cannot.
void write_scene_textures();

}  // namespace scene_textures
