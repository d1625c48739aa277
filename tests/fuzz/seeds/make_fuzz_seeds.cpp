// Writes the seed corpora of the harnesses: make_fuzz_seeds <corpus directory>. Every file is
// made by the project's own writers, so the seeds are the files the player is meant to read;
// the fuzzer takes it from there.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/fuzz/frame_input.h"
#include "tests/fuzz/seeds/scene_seeds.h"
#include "tests/fuzz/seeds/seed_images.h"
#include "tests/fuzz/seeds/seed_writer.h"
#include "tests/fuzz/texture_files.h"

using namespace seed_images;

namespace {

void image_seeds(SeedWriter& out)
{
    out.put("pcx", "rgb_8x8.pcx", pcx_rgb(8, 8));
    out.put("pcx", "rgb_63x5.pcx", pcx_rgb(63, 5));
    out.put("pcx", "rgb_1x1.pcx", pcx_rgb(1, 1));
    out.put("pcx", "indexed_16x16.pcx", pcx_indexed(16, 16));
    out.put("pcx", "indexed_5x3.pcx", pcx_indexed(5, 3));

    out.put("jpeg", "colour_8x8.jpg", jpeg(8, 8));
    out.put("jpeg", "colour_3x2.jpg", jpeg(3, 2));
    out.put("jpeg", "colour_17x9_q40.jpg", jpeg(17, 9, 40));
    out.put("jpeg", "colour_32x16_q100.jpg", jpeg(32, 16, 100));

    // The texture loader's search: bits 0-1 the given name (PCX, JPG, TGA, JPX), bit 2 lower-case
    // files on disk, bits 3-5 which of given, JPG and PCX exist (texture_files.h).
    const std::vector<uint8_t> pcx = pcx_rgb(4, 4), indexed = pcx_indexed(4, 2), jpg = jpeg(4, 4);
    const std::vector<uint8_t> bmp24 = bmp(5, 3, 24), bmp8 = bmp(4, 4, 8), bmp32 = bmp(3, 2, 32);
    const std::vector<uint8_t> tga24 = tga(5, 3, 24, false), tgaRuns = tga(9, 4, 32, true);
    const std::vector<uint8_t> tgaIndexed = tga(6, 2, 8, true), pngRgb = png(5, 4);
    const std::vector<uint8_t> other = {'G', 'I', 'F', '8', '9', 'a'};
    struct Case {
        const char* name;
        uint8_t choices;
        std::vector<std::vector<uint8_t>> files;
    };
    const Case cases[] = {
        {"pcx_as_named", 0 | 8, {pcx}},
        {"jpeg_as_named", 1 | 8, {jpg}},
        {"jpeg_named_pcx", 0 | 8, {jpg}},
        {"pcx_named_jpg", 1 | 8, {indexed}},
        {"pcx_beside_jpeg", 0 | 8 | 16, {pcx, jpg}},
        {"other_then_jpg", 2 | 8 | 16, {other, jpg}},
        {"other_then_pcx", 2 | 8 | 32, {other, pcx}},
        {"missing_then_jpg", 3 | 16, {jpg}},
        {"missing_then_pcx", 3 | 32, {indexed}},
        {"missing_everywhere", 2, {}},
        {"all_other", 2 | 8 | 16 | 32, {other, other, other}},
        {"lower_case_files", 2 | 4 | 32, {pcx}},
        {"empty_file", 1 | 8, {{}}},
        {"bmp_as_named", 3 | 8, {bmp24}},
        {"bmp_indexed_named_tga", 2 | 8, {bmp8}},
        {"bmp_32_bits", 3 | 8, {bmp32}},
        {"tga_as_named", 2 | 8, {tga24}},
        {"tga_runs", 2 | 8, {tgaRuns}},
        {"tga_indexed_runs", 2 | 4 | 8, {tgaIndexed}},
        {"png_as_named", 3 | 8, {pngRgb}},
        {"png_as_jpg_variant", 3 | 16, {pngRgb}},
        {"bmp_as_pcx_variant", 2 | 32, {bmp24}},
        {"tga_beside_jpeg", 2 | 8 | 16, {tga24, jpg}},
        {"tga_beside_other", 2 | 8 | 16, {tgaRuns, other}},
    };
    for (const Case& c : cases)
        out.put("texture_file", c.name, join_texture_input(c.choices, c.files));
}

// The scene harness takes the files as they are; the frame harnesses (null and software
// device) take each with the frames at which to look at it.
void scene_file_seeds(SeedWriter& out)
{
    for (const SceneSeed& seed : scene_seeds()) {
        out.put("scene", seed.name, seed.bytes);
        std::string name = seed.name.substr(0, seed.name.size() - 4) + ".frame";
        std::vector<uint8_t> input = join_frame_input(seed.frames, seed.bytes);
        out.put("frame", name, input);
        out.put("frame_software", name, input);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds <corpus directory>\n");
        return 2;
    }
    SeedWriter out(argv[1]);
    image_seeds(out);
    scene_file_seeds(out);
    return out.failed() ? 1 : 0;
}
