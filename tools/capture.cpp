// capture: renders a scene file without a window, exactly as the player draws it, and writes the
// frames as PNG images.
//
//   capture SCENE.3ds OUTDIR --frames 0,10.4,250
//   capture SCENE.3ds OUTDIR --from 100 --to 120
//
// --frames takes scene frames as given; --from/--to takes every frame the player's clock passes
// through between the two (0.2 a tick, added up from 0 as the main loop adds it). Images are
// named OUTDIR/frame-NNNNN.N.png. Texture files are looked up beside the scene file, as the
// player looks them up in its working directory.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/headless_player.h"

namespace fs = std::filesystem;

namespace {

constexpr float FRAMES_PER_TICK = 0.2f;

int usage()
{
    std::fprintf(stderr,
                 "usage: capture SCENE.3ds OUTDIR --frames F[,F...]\n"
                 "       capture SCENE.3ds OUTDIR --from FIRST --to LAST\n"
                 "frames between 0 and %.0f\n",
                 double(HEADLESS_LAST_FRAME));
    return 2;
}

bool parse_frame(std::string_view text, float& frame)
{
    std::string copy(text);
    char* end = nullptr;
    errno = 0;
    frame = std::strtof(copy.c_str(), &end);
    return !copy.empty() && end && *end == '\0' && errno == 0 && frame >= 0.0f &&
           frame <= HEADLESS_LAST_FRAME;
}

bool parse_list(std::string_view text, std::vector<float>& frames)
{
    while (!text.empty()) {
        const size_t comma = text.find(',');
        float frame = 0.0f;
        if (!parse_frame(text.substr(0, comma), frame))
            return false;
        frames.push_back(frame);
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
    }
    return !frames.empty();
}

// The frames the main loop's clock passes through, added up in single precision from 0.
std::vector<float> tick_frames(float first, float last)
{
    std::vector<float> frames;
    for (float total = 0.0f; total <= last; total += FRAMES_PER_TICK)
        if (total >= first)
            frames.push_back(total);
    return frames;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 5)
        return usage();
    std::vector<float> frames;
    const std::string_view mode = argv[3];
    if (mode == "--frames" && argc == 5) {
        if (!parse_list(argv[4], frames))
            return usage();
    } else if (mode == "--from" && argc == 7 && std::string_view(argv[5]) == "--to") {
        float first = 0.0f, last = 0.0f;
        if (!parse_frame(argv[4], first) || !parse_frame(argv[6], last) || first > last)
            return usage();
        frames = tick_frames(first, last);
    } else {
        return usage();
    }

    std::error_code error;
    const fs::path scene = fs::absolute(argv[1], error);
    const fs::path outDir = fs::absolute(argv[2], error);
    fs::create_directories(outDir, error);
    if (error || !fs::is_directory(outDir)) {
        std::fprintf(stderr, "capture: cannot make the directory %s\n", argv[2]);
        return 1;
    }
    fs::current_path(scene.parent_path(), error);
    if (error) {
        std::fprintf(stderr, "capture: no directory %s\n", scene.parent_path().c_str());
        return 1;
    }

    HeadlessPlayer player(scene.filename().c_str());
    for (float frame : frames) {
        player.render(frame);
        char name[64];
        std::snprintf(name, sizeof name, "frame-%07.1f.png", double(frame));
        const OffscreenPresenter& shown = player.presenter();
        const std::string path = (outDir / name).string();
        if (!write_png(path, shown.frame.data(), shown.width, shown.height)) {
            std::fprintf(stderr, "capture: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
    }
    return 0;
}
