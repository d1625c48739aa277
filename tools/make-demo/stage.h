#pragma once
// The editor section of the production: materials, meshes, lights and the camera as they stand
// before anything moves.

#include "tools/writers/chunk_writer.h"

namespace demo {

// Writes the chunks inside "Object Mesh Data" (the caller opens and closes it).
void write_stage(ChunkWriter& writer);

// Names shared with the keyframer section.
namespace names {
constexpr const char* kFloor = "Floor";
constexpr const char* kColonnade = "Colonnade";
constexpr const char* kHeart = "Heart";
constexpr const char* kHeartStar = "HeartStar";
constexpr const char* kHeartBloom = "HeartBloom";
constexpr const char* kPlanet = "Planet";
constexpr const char* kMoon = "Moon";
constexpr const char* kHalo = "Halo";
constexpr const char* kDome = "Dome";
constexpr const char* kStars = "Stars";
constexpr const char* kVeil = "Veil";
constexpr const char* kSun = "Sun";
constexpr const char* kPulse = "Pulse";
constexpr const char* kOrbitLight = "OrbitLight";
constexpr const char* kSearch = "Search";
constexpr const char* kCamera = "Camera01";
}  // namespace names

// Indexed names: "Crystal3", "Beam5", "Banner2", "Screen1".
std::string indexed_name(const char* stem, int index);

}  // namespace demo
