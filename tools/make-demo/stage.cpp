#include "tools/make-demo/stage.h"

#include <cmath>
#include <cstdint>

#include "tools/make-demo/geometry.h"
#include "tools/make-demo/layout.h"
#include "tools/make-demo/textures.h"

namespace demo {
namespace {

using namespace layout;

// One material per face drawer of the player (the comment names what it draws with).
void write_materials(ChunkWriter& w)
{
    auto texture = [](const char* stem, uint16_t slot = chunk_id::TEXTURE_MAP_1) {
        return MapDesc{.slot = slot, .fileName = scene_name(stem)};
    };
    // Textured, Gouraud-lit: the floor.
    w.material({.name = "Marble Floor", .ambient = {60, 60, 60}, .shading = 2,
                .maps = {texture("marble")}});
    // Textured, flat-lit: faceted pillars.
    w.material({.name = "Fluted Stone", .ambient = {80, 60, 40}, .shading = 1,
                .maps = {texture("stone")}});
    // Untextured flat: the crystals.
    w.material({.name = "Crystal", .shading = 1});
    // Untextured Gouraud: the moon.
    w.material({.name = "Pearl", .shading = 2});
    // Reflection map without a texture: becomes an environment map.
    w.material({.name = "Chrome", .shading = 2,
                .maps = {texture("chrome", chunk_id::REFLECTION_MAP)}});
    // Textured, Phong asked for: drawn Gouraud.
    w.material({.name = "Lava Heart", .shading = 3, .maps = {texture("lava")}});
    // Transparent textured, Gouraud: the halo.
    w.material({.name = "Halo Glass", .transparencyPercent = 45, .shading = 2,
                .maps = {texture("glow")}});
    // Additive transparent, flat: the light beams.
    w.material({.name = "Light Beam", .transparencyPercent = 30, .shading = 1,
                .additive = true, .maps = {texture("glow")}});
    // Opacity map over an opaque texture: see-through lace, blended without lighting shades.
    w.material({.name = "Golden Lace", .shading = 3,
                .maps = {texture("gold"), texture("lace", chunk_id::OPACITY_MAP)}});
    // Two-sided textured: the banners, seen from both sides.
    w.material({.name = "Banner Cloth", .shading = 2, .twoSided = true,
                .maps = {texture("banner")}});
    // Wireframe: the dome.
    w.material({.name = "Dome Wire", .shading = 2, .wireframe = true});
    // A shininess map and no texture: the player never draws these faces.
    w.material({.name = "Veil", .shading = 2,
                .maps = {texture("stone", chunk_id::SHININESS_MAP)}});
}

Shape heart_base() { return uv_sphere(22.0f, 24, 16); }

// Spikes where the sphere's rings and segments cross on a checkerboard.
Shape heart_star()
{
    return displaced(heart_base(), [](int i, V3) {
        if (i == 0 || i > 24 * 15)
            return 1.7f;
        int ring = (i - 1) / 24, segment = (i - 1) % 24;
        return (ring % 3 == 1 && segment % 3 == 0) ? 1.8f : 0.8f;
    });
}

// Six soft petals around the equator, flattened poles.
Shape heart_bloom()
{
    return displaced(heart_base(), [](int, V3 p) {
        float angle = std::atan2(p[1], p[0]);
        float height = p[2] / 22.0f;
        return 0.9f + 0.55f * std::pow(std::abs(std::cos(angle * 3.0f)), 3.0f) *
                          (1.0f - height * height) -
               0.25f * height * height;
    });
}

Shape star_field()
{
    // Small triangles far out on the upper sky, placed by a fixed sequence.
    Shape s;
    uint32_t state = 0x5A12C0DEu;
    auto next = [&]() {
        state = state * 1664525u + 1013904223u;
        return float(state >> 8) / float(1u << 24);
    };
    for (int k = 0; k < 360; ++k) {
        float azimuth = next() * 2 * kPi, elevation = 0.05f + next() * 1.45f;
        float distance = 900 + next() * 400, size = 1.5f + next() * 3.0f;
        V3 centre = {distance * std::cos(elevation) * std::cos(azimuth),
                     distance * std::cos(elevation) * std::sin(azimuth),
                     distance * std::sin(elevation) - 100};
        int a = s.add_vertex({centre[0] - size, centre[1], centre[2]}, {0, 0});
        int b = s.add_vertex({centre[0] + size, centre[1], centre[2]}, {0, 0});
        int c = s.add_vertex({centre[0], centre[1], centre[2] + size * 1.7f}, {0, 0});
        s.add_face(a, b, c);
    }
    return s;
}

void write_meshes(ChunkWriter& w)
{
    w.mesh_object(place(names::kFloor, grid(440, 440, 22, 22, 11), {0, 0, 0}, "Marble Floor"));

    Shape colonnade;
    for (int k = 0; k < kPillars; ++k)
        colonnade.append(prism(9, kPillarHeight, 10, 1.0f), pillar_base(k));
    w.mesh_object(place(names::kColonnade, colonnade, {0, 0, 0}, "Fluted Stone"));

    for (int k = 0; k < kPillars; ++k) {
        V3 top = pillar_base(k);
        top[2] = kCrystalHeight;
        w.mesh_object(place(indexed_name("Crystal", k).c_str(), crystal(8, 1.7f), top, "Crystal"));
        V3 base = pillar_base(k);
        base[2] = kPillarHeight + 2;
        w.mesh_object(place(indexed_name("Beam", k).c_str(), cone_tube(11, 3, 190, 12), base,
                            "Light Beam"));
    }

    // The morphing heart and its two hidden shapes (same vertex count, their own object spaces).
    w.mesh_object(place(names::kHeart, heart_base(), {0, 0, kHeartHeight}, "Lava Heart"));
    w.mesh_object(place(names::kHeartStar, heart_star(), {0, 0, -400}, "Lava Heart"));
    w.mesh_object(place(names::kHeartBloom, heart_bloom(), {0, 0, -400}, "Lava Heart"));

    w.mesh_object(place(names::kPlanet, uv_sphere(13, 20, 14), {70, 0, kOrreryHeight}, "Chrome"));
    w.mesh_object(place(names::kMoon, uv_sphere(8, 14, 10), {-95, 0, kOrreryHeight}, "Pearl"));
    w.mesh_object(place(names::kHalo, torus(48, 2.5f, 40, 6), {0, 0, kOrreryHeight}, "Halo Glass"));

    for (int k = 0; k < kBanners; ++k) {
        Shape cloth;
        cloth.append(sheet(26, 2 * kBannerHalfHeight, 4, 8), {0, 0, kBannerHalfHeight});
        float a = banner_angle(k);
        V3 at = {kBannerRing * std::cos(a), kBannerRing * std::sin(a),
                 kBannerTop - kBannerHalfHeight};
        w.mesh_object(place(indexed_name("Banner", k).c_str(), cloth, at, "Banner Cloth"));
    }
    for (int k = 0; k < kScreens; ++k) {
        Shape screen = sheet(70, 90, 5, 5);
        float a = screen_angle(k);
        V3 at = {kScreenRing * std::cos(a), kScreenRing * std::sin(a), kScreenTop};
        w.mesh_object(place(indexed_name("Screen", k).c_str(), screen, at, "Golden Lace"));
    }

    w.mesh_object(place(names::kDome, upper_part(geodesic(300, 2), -5), {0, 0, 0}, "Dome Wire"));
    w.mesh_object(place(names::kStars, star_field(), {0, 0, 0}, nullptr));
    w.mesh_object(place(names::kVeil, prism(36, 110, 8, 1.0f), {0, 0, 0}, "Veil"));
}

void write_lights(ChunkWriter& w)
{
    w.begin_object(names::kSun);
    w.begin_light({160, -220, 420}, {0.55f, 0.5f, 0.42f});
    w.float_chunk(chunk_id::MULTIPLIER, 1.0f);
    w.close();
    w.close();

    w.begin_object(names::kPulse);
    w.begin_light({0, 0, 18}, {0.9f, 0.2f, 0.5f});
    w.empty(chunk_id::FADING_IS_ON);
    w.float_chunk(chunk_id::RANGE_START, 50.0f);
    w.float_chunk(chunk_id::RANGE_END, 260.0f);
    w.float_chunk(chunk_id::MULTIPLIER, 1.3f);
    w.close();
    w.close();

    w.begin_object(names::kOrbitLight);
    w.begin_light({-95, 0, kOrreryHeight}, {0.2f, 0.8f, 1.0f});
    w.empty(chunk_id::FADING_IS_ON);
    w.float_chunk(chunk_id::RANGE_START, 30.0f);
    w.float_chunk(chunk_id::RANGE_END, 190.0f);
    w.float_chunk(chunk_id::MULTIPLIER, 1.1f);
    w.close();
    w.close();

    // The searchlight sweeps the scene (the player animates it; its light is the omnis').
    w.begin_object(names::kSearch);
    w.begin_light({0, -320, 360}, {1.0f, 0.95f, 0.8f});
    w.float_chunk(chunk_id::MULTIPLIER, 1.0f);
    w.spotlight({0, 0, 0}, 20.0f, 35.0f);
    w.close();
    w.close();
}

}  // namespace

std::string indexed_name(const char* stem, int index) { return stem + std::to_string(index + 1); }

void write_stage(ChunkWriter& w)
{
    w.background(0.0f, 0.0f, 0.02f);
    w.ambient(0.1f, 0.1f, 0.15f);
    write_materials(w);
    write_meshes(w);
    write_lights(w);
    w.camera_object(names::kCamera, {-40, -520, 260}, {0, 0, 60}, 0, 38);
}

}  // namespace demo
