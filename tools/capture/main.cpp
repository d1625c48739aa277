// capture: renders a scene without a window, exactly as the player draws it, and writes the
// frames as PNG images or as a video with the scene's music.
//
//   capture SCENE.3ds OUTDIR --frames 0,10.4,250
//   capture SCENE.3ds OUTDIR --from 100 --to 120
//   capture SCENE --video OUT.mp4 [--first K] [--last K]
//   capture SCENE --png OUTDIR [--first K] [--last K]
//   any of them with [--size WxH] [--samples N] [--device software|gl]
//
// --frames takes scene frames as given; --from/--to takes every frame the player's clock passes
// through between the two (0.2 a tick, added up from 0 as the main loop adds it). Images are
// named OUTDIR/frame-NNNNN.N.png. Texture files are looked up beside the scene file, as the
// player looks them up in its working directory.
//
// --video and --png show the run as a 60 Hz display shows it: video frame K is the scene after
// the tick steps due by K/60 seconds, from K = 0 until the player stops at frame 1150. SCENE may
// also be a directory holding sarnoj1.3ds; the music is the sarnoj.mp3 beside the scene.
//
// --size and --samples choose the target the device draws on (default 640x480, one sample): the
// scene is drawn as the player draws it at 640 x 480, and the images and video have the target's
// size. --device gl draws with the GL device (headless through EGL) where one starts and its
// render buffers fit in the graphics memory, else with the software device after a line on stderr.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/headless_player.h"
#include "app/player.h"
#include "core/file_open.h"
#include "gfxcontext/render_target.h"
#include "tools/capture/progress_bar.h"
#include "tools/capture/video_clock.h"
#include "tools/capture/video_pipe.h"
#include "tools/writers/png_file.h"

namespace fs = std::filesystem;

namespace {

void print_usage(std::FILE* out)
{
    std::fprintf(out,
                 "usage: capture SCENE.3ds OUTDIR --frames F[,F...]\n"
                 "       capture SCENE.3ds OUTDIR --from FIRST --to LAST\n"
                 "       capture SCENE --video OUT.mp4 [--first K] [--last K]\n"
                 "       capture SCENE --png OUTDIR [--first K] [--last K]\n"
                 "Renders the scene as the player draws it, without a window.\n"
                 "--frames, --from/--to: scene frames (0 to %.0f) as PNG files in OUTDIR.\n"
                 "--video, --png: the run as a 60 Hz display shows it; video frame K is the scene\n"
                 "  after the tick steps due by K/60 s, from --first (default 0) to --last\n"
                 "  (default: the last frame before the player stops at scene frame %.0f).\n"
                 "  --video writes an MP4 with the music beside the scene (needs ffmpeg),\n"
                 "  --png writes OUTDIR/video-KKKKK.png.\n"
                 "SCENE is a .3ds file or a directory holding sarnoj1.3ds.\n"
                 "Options for every form:\n"
                 "  --size WxH   the pixels drawn (each side 1 to %d, even for --video;\n"
                 "               default 640x480): the player's 640 x 480 view at that size\n"
                 "  --samples N  samples a pixel: 1 (default), 4 or 8\n"
                 "  --device D   software (default) or gl; gl falls back to software when no\n"
                 "               GL context can be made or its render buffers do not fit\n",
                 double(HEADLESS_LAST_FRAME), double(END_FRAME), maxTargetSide);
}

int usage()
{
    print_usage(stderr);
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

bool parse_video_frame(const char* text, int64_t& frame)
{
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(text, &end, 10);
    frame = value;
    return *text != '\0' && *end == '\0' && errno == 0 && value >= 0;
}

int fail(const std::string& message)
{
    std::fprintf(stderr, "capture: %s\n", message.c_str());
    return 1;
}

int bad_option(const std::string& message)
{
    std::fprintf(stderr, "capture: %s (see capture --help)\n", message.c_str());
    return 2;
}

// Takes --size, --samples and --device (each at most once, anywhere after SCENE) out of the
// arguments into `target` and `device`; the rest stay in `rest` in their order. 0, or 2 with the
// reason printed.
int take_target_options(int argc, char** argv, std::vector<char*>& rest, RenderTarget& target,
                        RenderDevice& device)
{
    bool sized = false, sampled = false, chosen = false;
    for (int i = 0; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (i < 2 || (option != "--size" && option != "--samples" && option != "--device")) {
            rest.push_back(argv[i]);
            continue;
        }
        if (i + 1 >= argc)
            return bad_option(std::string(option) + " needs a value");
        const std::string_view value = argv[++i];
        std::string error;
        if (option == "--size") {
            auto size = sized ? std::nullopt : parse_target_size(value, error);
            if (!size || size->native)
                return bad_option("--size " + std::string(value) +
                                  (sized ? ": given twice"
                                         : ": give WxH, each side from 1 to " +
                                               std::to_string(maxTargetSide)));
            target.width = size->width;
            target.height = size->height;
            sized = true;
        } else if (option == "--device") {
            auto parsed = chosen ? std::nullopt : parse_render_device(value, error);
            if (!parsed)
                return bad_option("--device " + std::string(value) +
                                  (chosen ? ": given twice" : ": the device is software or gl"));
            device = *parsed;
            chosen = true;
        } else {
            auto samples = sampled ? std::nullopt : parse_sample_count(value, error);
            if (!samples)
                return bad_option("--samples " + std::string(value) +
                                  (sampled ? ": given twice" : ": the count is 1, 4 or 8"));
            target.samples = *samples;
            sampled = true;
        }
    }
    return 0;
}

// The scene file SCENE names: the file itself, or the sarnoj1.3ds (in any letter case) inside
// the directory SCENE.
fs::path scene_file(const char* argument)
{
    std::error_code error;
    fs::path scene = fs::absolute(argument, error);
    if (fs::is_directory(scene, error)) {
        std::string found = find_file_case_blind((scene / APP_SETTINGS.sceneFileName).string());
        scene = found.empty() ? scene / APP_SETTINGS.sceneFileName : fs::path(found);
    }
    return scene;
}

// --video and --png: the frames a 60 Hz display shows, into an MP4 or numbered PNG files.
int capture_display_frames(int argc, char** argv, const RenderTarget& target,
                           RenderDevice device)
{
    std::string video, pngDir;
    int64_t first = 0, last = -1;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string_view option = argv[i];
        if (option == "--video" && video.empty() && pngDir.empty())
            video = argv[i + 1];
        else if (option == "--png" && video.empty() && pngDir.empty())
            pngDir = argv[i + 1];
        else if (option == "--first" && parse_video_frame(argv[i + 1], first))
            continue;
        else if (option == "--last" && parse_video_frame(argv[i + 1], last))
            continue;
        else
            return usage();
    }
    if (argc % 2 != 0 || (video.empty() && pngDir.empty()))
        return usage();
    // The encoder keeps colour at half resolution: the picture has to split into 2 x 2 blocks.
    const TargetSize size = resolve_target_size(target, 640, 480, 0, 0);
    if (!video.empty() && (size.width % 2 != 0 || size.height % 2 != 0))
        return bad_option("--video needs a --size with even sides, not " +
                          std::to_string(size.width) + "x" + std::to_string(size.height));
    if (const std::string problem = target_memory_problem(size, target.samples, available_memory());
        !problem.empty())
        return bad_option("--size and --samples: " + problem);
    const int64_t stop = video_frame_at_end(END_FRAME);
    if (last < 0)
        last = stop - 1;
    if (first > last || last >= stop)
        return fail("frames run from 0 to " + std::to_string(stop - 1) +
                    " (the player stops there)");

    std::error_code error;
    const fs::path scene = scene_file(argv[1]);
    if (!fs::exists(scene, error))
        return fail("no scene " + scene.string());
    const std::string music =
        find_file_case_blind((scene.parent_path() / MUSIC_FILE_NAME).string());
    const fs::path output = fs::absolute(video.empty() ? pngDir : video, error);
    if (!pngDir.empty()) {
        fs::create_directories(output, error);
        if (error || !fs::is_directory(output))
            return fail("cannot make the directory " + pngDir);
    }
    fs::current_path(scene.parent_path(), error);
    if (error)
        return fail("no directory " + scene.parent_path().string());

    HeadlessPlayer player(scene.filename().c_str(), target, 640, 480, device);
    if (player.device() == RenderDevice::gl)
        report_gl_device(stderr, player.gl_renderer());
    std::unique_ptr<VideoPipe> pipe;
    if (!video.empty()) {
        pipe = std::make_unique<VideoPipe>(output.string(), size.width, size.height,
                                           VIDEO_FRAMES_PER_SECOND,
                                           music, double(first) / VIDEO_FRAMES_PER_SECOND);
        if (!pipe->error().empty())
            return fail(pipe->error());
    }
    ProgressBar progress(stderr, int(last - first + 1));
    SceneClock clock;
    for (int64_t k = first; k <= last; ++k) {
        clock.advance_to(ticks_due(k));
        player.render(clock.total);
        const OffscreenPresenter& shown = player.presenter();
        if (pipe) {
            if (!pipe->write(shown.frame.data()))
                return fail(pipe->error());
        } else {
            char name[32];
            std::snprintf(name, sizeof name, "video-%05lld.png", static_cast<long long>(k));
            if (!write_png((output / name).string(), shown.frame, shown.width, shown.height))
                return fail("cannot write " + (output / name).string());
        }
        progress.update(int(k - first + 1));
    }
    if (pipe && !pipe->finish())
        return fail(pipe->error() + " writing " + output.string());
    progress.finish();
    std::printf("%s\n", output.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
        print_usage(stdout);
        return 0;
    }
    RenderTarget target;
    std::vector<char*> rest;
    RenderDevice device = RenderDevice::software;
    if (int status = take_target_options(argc, argv, rest, target, device))
        return status;
    argc = int(rest.size());
    rest.push_back(nullptr);
    argv = rest.data();
    const std::string_view second = argc >= 3 ? argv[2] : "";
    if (argc >= 4 &&
        (second == "--video" || second == "--png" || second == "--first" || second == "--last"))
        return capture_display_frames(argc, argv, target, device);
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
    const fs::path scene = scene_file(argv[1]);
    if (!fs::exists(scene, error))
        return fail("no scene " + scene.string());
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

    HeadlessPlayer player(scene.filename().c_str(), target, 640, 480, device);
    if (player.device() == RenderDevice::gl)
        report_gl_device(stderr, player.gl_renderer());
    for (float frame : frames) {
        player.render(frame);
        char name[64];
        std::snprintf(name, sizeof name, "frame-%07.1f.png", double(frame));
        const OffscreenPresenter& shown = player.presenter();
        const std::string path = (outDir / name).string();
        if (!write_png(path, shown.frame, shown.width, shown.height)) {
            std::fprintf(stderr, "capture: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
    }
    return 0;
}
