#include "tools/make-demo/textures.h"

#include <array>
#include <cmath>
#include <cstdint>

#include "tools/make-demo/paint.h"
#include "tools/writers/jpeg_writer.h"
#include "tools/writers/pcx_writer.h"

namespace demo {
namespace {

using paint::Rgb;
constexpr float kPi = 3.14159265f;

struct Image {
    int width, height;
    std::vector<uint32_t> pixels;
};

struct IndexedImage {
    int width, height;
    std::vector<uint8_t> indices;
    std::array<uint8_t, 768> palette;
};

// Polished floor tiles: cream marble with grey-blue veins and a dark joint around each tile.
Image marble()
{
    Image image{256, 256, {}};
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            float fx = float(x) / 32, fy = float(y) / 32;
            float turbulence = paint::fractal(fx, fy, 8, 5, 11);
            float vein = std::abs(std::sin((fx + fy * 0.6f) * 1.3f + turbulence * 9.0f));
            vein = std::pow(vein, 0.35f);
            float cloud = paint::fractal(fx, fy, 8, 3, 5);
            Rgb base = paint::mix({222, 214, 200}, {244, 240, 232}, cloud);
            Rgb colour = paint::mix({72, 84, 110}, base, vein);
            int edge = std::min(std::min(x, 255 - x), std::min(y, 255 - y));
            if (edge < 3)
                colour = paint::mix({40, 38, 44}, colour, float(edge) / 3.0f);
            image.pixels.push_back(paint::pack(colour));
        }
    return image;
}

// Fluted sandstone for the pillars: vertical flutes, weathered grain, a band near the top.
Image stone()
{
    Image image{128, 128, {}};
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            float flute = 0.75f + 0.25f * std::cos(float(x) / 16.0f * 2 * kPi);
            float grain = paint::fractal(float(x) / 4, float(y) / 16, 8, 4, 23);
            Rgb colour = paint::mix({120, 92, 64}, {214, 182, 138}, grain * flute);
            if (y % 64 < 6)
                colour = paint::mix(colour, {90, 66, 44}, 0.6f);
            image.pixels.push_back(paint::pack(colour));
        }
    return image;
}

// Gold leaf for the lace screens.
Image gold()
{
    Image image{128, 128, {}};
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            float shine = paint::fractal(float(x) / 8, float(y) / 8, 16, 4, 41);
            float sweep = 0.5f + 0.5f * std::sin(float(x + y) / 128.0f * 2 * kPi);
            Rgb colour = paint::mix({150, 96, 24}, {255, 214, 120}, shine * 0.6f + sweep * 0.4f);
            image.pixels.push_back(paint::pack(colour));
        }
    return image;
}

// A studio sphere map for the chrome planet: bright sky above, a glowing horizon, warm floor
// below, and two soft lamps.
Image chrome()
{
    Image image{128, 128, {}};
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            float nx = float(x) / 64 - 1, ny = float(y) / 64 - 1;
            float t = ny;  // -1 top (sky) .. 1 bottom (floor)
            Rgb colour = t < 0
                             ? paint::mix({250, 250, 255}, {60, 90, 170}, std::min(1.0f, -t * 1.4f))
                             : paint::mix({255, 220, 170}, {70, 40, 30}, std::min(1.0f, t * 2.0f));
            float horizon = std::exp(-t * t * 60.0f);
            colour = paint::mix(colour, {255, 255, 255}, horizon * 0.8f);
            for (auto [lx, ly] : {std::pair{-0.45f, -0.5f}, std::pair{0.55f, -0.2f}}) {
                float d = std::hypot(nx - lx, ny - ly);
                colour = paint::mix(colour, {255, 250, 235}, std::exp(-d * d * 90.0f));
            }
            image.pixels.push_back(paint::pack(colour));
        }
    return image;
}

// The banners: deep red cloth, gold border and an eight-pointed star in a ring.
Image banner()
{
    Image image{64, 128, {}};
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 64; ++x) {
            float weave = 0.85f + 0.15f * paint::noise(float(x) / 2, float(y) / 2, 32, 61);
            Rgb colour{150 * weave, 20 * weave, 36 * weave};
            Rgb goldColour{235, 190, 80};
            bool border = x < 4 || x > 59 || y < 4 || (y > 110 && y < 114);
            float dx = float(x) - 31.5f, dy = float(y) - 48.0f;
            float r = std::hypot(dx, dy), angle = std::atan2(dy, dx);
            bool ring = r > 19 && r < 22;
            float star = 9.0f + 8.0f * std::pow(std::abs(std::cos(angle * 4)), 6.0f);
            if (border || ring || r < star)
                colour = goldColour;
            if (y >= 114)  // the fringe
                colour = (x % 4 < 2) ? goldColour : Rgb{0, 0, 0};
            image.pixels.push_back(paint::pack(colour));
        }
    return image;
}

std::array<uint8_t, 768> gradient_palette(std::initializer_list<std::pair<int, Rgb>> stops)
{
    std::array<uint8_t, 768> palette{};
    auto previous = *stops.begin();
    for (auto stop : stops) {
        for (int i = previous.first; i <= stop.first; ++i) {
            float t = stop.first == previous.first
                          ? 1.0f
                          : float(i - previous.first) / float(stop.first - previous.first);
            uint32_t c = paint::pack(paint::mix(previous.second, stop.second, t));
            palette[size_t(i) * 3] = uint8_t(c >> 16);
            palette[size_t(i) * 3 + 1] = uint8_t(c >> 8);
            palette[size_t(i) * 3 + 2] = uint8_t(c);
        }
        previous = stop;
    }
    return palette;
}

// Cracked, glowing rock for the morphing heart: cell borders burn, cell middles are cool crust.
IndexedImage lava()
{
    IndexedImage image{128, 128, {}, gradient_palette({{0, {10, 0, 0}},
                                                      {90, {120, 10, 0}},
                                                      {170, {240, 90, 0}},
                                                      {230, {255, 210, 60}},
                                                      {255, {255, 255, 220}}})};
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            float nearest, second;
            paint::cells(float(x) / 16, float(y) / 16, 8, 77, nearest, second);
            float crack = 1.0f - paint::smoothstep(0.0f, 0.18f, second - nearest);
            float crust = paint::fractal(float(x) / 16, float(y) / 16, 8, 3, 79) * 0.35f;
            image.indices.push_back(uint8_t(std::min(255.0f, (crack * 0.9f + crust) * 255)));
        }
    return image;
}

// Light for the halo and the beams: brightest at the bottom edge (v = 1), thin streaks across.
IndexedImage glow()
{
    IndexedImage image{64, 64, {}, gradient_palette({{0, {0, 0, 0}},
                                                    {100, {40, 20, 120}},
                                                    {180, {60, 140, 255}},
                                                    {255, {230, 250, 255}}})};
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            float v = float(y) / 63.0f;
            float streak = 0.65f + 0.35f * std::sin(float(x) / 64.0f * 2 * kPi * 4);
            float level = std::pow(v, 1.6f) * streak;
            image.indices.push_back(uint8_t(std::min(255.0f, level * 255)));
        }
    return image;
}

// The lace: a rosette in a ring of circles inside a frame; white is solid, black is open.
IndexedImage lace()
{
    IndexedImage image{128, 128, {}, gradient_palette({{0, {0, 0, 0}}, {255, {255, 255, 255}}})};
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            float dx = float(x) - 63.5f, dy = float(y) - 63.5f;
            float r = std::hypot(dx, dy), angle = std::atan2(dy, dx);
            bool frame = x < 6 || x > 121 || y < 6 || y > 121;
            bool petals = r < 28 + 14 * std::abs(std::cos(angle * 4)) && r > 8 &&
                          std::abs(std::sin(angle * 8)) > 0.35f;
            bool hub = r < 5;
            bool ring = std::abs(r - 50) < 2.5f;
            bool beads = false;
            for (int k = 0; k < 16; ++k) {
                float a = float(k) / 16 * 2 * kPi;
                if (std::hypot(dx - 50 * std::cos(a), dy - 50 * std::sin(a)) < 4.5f)
                    beads = true;
            }
            bool corner = std::abs(std::abs(dx) - std::abs(dy)) < 2.0f && r > 56;
            bool solid = frame || petals || hub || ring || beads || corner;
            image.indices.push_back(solid ? 255 : 0);
        }
    return image;
}

const std::vector<TextureFile> kFiles = {
    {"marble.jpg", "Marble.tga"},  // missing under its own name: the JPG fall-back finds it
    {"stone.pcx", "stone.bmp"},    // neither BMP nor JPG: the PCX fall-back
    {"gold.jpg", "gold.png"},
    {"chrome.jpg", "Chrome.JPG"},  // the same name in another case
    {"banner.pcx", "Banner.Pcx"},  // PCX: the player tries BANNER.JPG, then the decoder's "pcx"
    {"lava.pcx", "LAVA.GIF"},
    {"glow.pcx", "GLOW.PCX"},
    {"lace.pcx", "lace.pcx"},
};

}  // namespace

const std::vector<TextureFile>& texture_files() { return kFiles; }

const std::string& scene_name(const std::string& stem)
{
    for (const TextureFile& file : kFiles)
        if (file.fileName.starts_with(stem + "."))
            return file.sceneName;
    return kFiles.front().sceneName;
}

std::string write_textures(const std::string& dir)
{
    auto jpeg = [&](const char* name, const Image& image) {
        return write_jpeg(dir + "/" + name, image.pixels, image.width, image.height, 92);
    };
    auto rgb = [&](const char* name, const Image& image) {
        return write_file_bytes(dir + "/" + name,
                                encode_pcx_rgb(image.pixels, image.width, image.height));
    };
    auto indexed = [&](const char* name, const IndexedImage& image) {
        return write_file_bytes(
            dir + "/" + name,
            encode_pcx_indexed(image.indices, image.width, image.height, image.palette));
    };
    bool ok = jpeg("marble.jpg", marble()) && rgb("stone.pcx", stone()) &&
              jpeg("gold.jpg", gold()) && jpeg("chrome.jpg", chrome()) &&
              rgb("banner.pcx", banner()) && indexed("lava.pcx", lava()) &&
              indexed("glow.pcx", glow()) && indexed("lace.pcx", lace());
    return ok ? std::string() : "cannot write the textures into " + dir;
}

}  // namespace demo
