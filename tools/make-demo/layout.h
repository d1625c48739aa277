#pragma once
// Where things stand on the stage: shared by the editor section, which builds them, and the
// keyframer section, which moves them. World units, Z up, the floor at z = 0.

#include <cmath>

#include "tools/writers/chunk_writer.h"

namespace demo::layout {

constexpr int kPillars = 8;
constexpr float kPillarRing = 130.0f;
constexpr float kPillarHeight = 100.0f;
constexpr float kCrystalHeight = 118.0f;
constexpr float kHeartHeight = 55.0f;
constexpr float kOrreryHeight = 62.0f;
constexpr int kBanners = 4;
constexpr float kBannerRing = 122.0f;
constexpr float kBannerTop = 96.0f;
constexpr float kBannerHalfHeight = 36.0f;
constexpr int kScreens = 4;
constexpr float kScreenRing = 185.0f;
constexpr float kScreenTop = 100.0f;

constexpr float kPi = 3.14159265f;

inline float pillar_angle(int k) { return (float(k) + 0.5f) * 2 * kPi / kPillars; }
inline V3 pillar_base(int k)
{
    return {kPillarRing * std::cos(pillar_angle(k)), kPillarRing * std::sin(pillar_angle(k)), 0};
}
inline float banner_angle(int k) { return float(k) * 2 * kPi / kBanners; }
inline float screen_angle(int k) { return (float(k) + 0.5f) * 2 * kPi / kScreens; }

}  // namespace demo::layout
