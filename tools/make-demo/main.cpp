// make-demo DIR [--frames N]: writes our own production into DIR: the scene "sarnoj1.3ds" with its
// textures and the music "sarnoj.mp3". The same arguments give the same files, byte for byte.
// make-demo --crafted-scenes DIR: writes the golden frames' small scenes into DIR instead, for
// scripts/compare-devices.sh to draw through both devices.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "tools/make-demo/mp3_encoder.h"
#include "tools/make-demo/music.h"
#include "tools/make-demo/scene_file.h"
#include "tools/make-demo/textures.h"
#include "tools/make-demo/timing.h"
#include "tools/writers/crafted_scenes.h"
#include "tools/writers/pcx_writer.h"

namespace {

void usage(std::FILE* out)
{
    std::fprintf(out,
                 "usage: make-demo DIR [--frames N]\n"
                 "       make-demo --crafted-scenes DIR\n"
                 "Writes the built-in production into DIR: sarnoj1.3ds, its textures and\n"
                 "sarnoj.mp3. --frames N cuts the music at scene frame N (default %d),\n"
                 "for quick tests; the scene is the same either way.\n"
                 "--crafted-scenes writes the golden frames' scenes instead: lit.3ds,\n"
                 "headlight.3ds, paused.3ds, near-plane.3ds and their texture.\n",
                 demo::kEndFrame);
}

int fail(const std::string& message)
{
    std::fprintf(stderr, "make-demo: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string dir;
    int frames = demo::kEndFrame;
    bool crafted = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        }
        if (arg == "--frames" && i + 1 < argc) {
            char* end = nullptr;
            long value = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || value < 1 || value > demo::kEndFrame)
                return fail("--frames wants a number from 1 to " + std::to_string(demo::kEndFrame));
            frames = int(value);
        } else if (arg == "--crafted-scenes" && !crafted) {
            crafted = true;
        } else if (dir.empty() && !arg.starts_with("-")) {
            dir = arg;
        } else {
            usage(stderr);
            return 1;
        }
    }
    if (dir.empty()) {
        usage(stderr);
        return 1;
    }
    if (crafted)
        return write_crafted_scenes(dir) ? 0 : fail("cannot write the crafted scenes into " + dir);
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error)
        return fail("cannot make " + dir + ": " + error.message());

    std::string problem = demo::write_textures(dir);
    if (!problem.empty())
        return fail(problem);
    if (!write_file_bytes(dir + "/sarnoj1.3ds", demo::build_scene_file()))
        return fail("cannot write " + dir + "/sarnoj1.3ds");

    std::vector<int16_t> pcm = demo::render_music(frames);
    problem = demo::encode_mp3(pcm, dir + "/sarnoj.mp3");
    if (!problem.empty())
        return fail(problem);
    return 0;
}
