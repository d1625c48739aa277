// The production end to end: the real player in a virtual X display shows what the capture tool
// renders for the same moment, and Escape ends it; the capture tool's display-clock modes.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <initializer_list>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/player.h"
#include "tests/support/joined.h"
#include "tests/support/pixel_difference.h"
#include "tests/tools/demo_files.h"
#include "tests/support/skip_or_fail.h"
#include "tools/writers/chunk_writer.h"
#include "tools/writers/png_file.h"

using namespace demo_test;
namespace fs = std::filesystem;

namespace {

bool have(const char* program)
{
    return run(std::string("command -v ") + program + " > /dev/null 2>&1") == 0;
}

using testing_support::joined;
using testing_support::mean_channel_difference;

double brightness(const std::vector<uint32_t>& pixels)
{
    return mean_channel_difference(pixels, std::vector<uint32_t>(pixels.size(), 0));
}

std::string capture_command(const fs::path& scene)
{
    return quoted(CAPTURE_PATH) + " " + quoted(scene);
}

bool have_xvfb_tools()
{
    for (const char* program : {"Xvfb", "xdotool", "ffmpeg", "timeout"})
        if (!have(program))
            return false;
    return true;
}

// Runs play_under_xvfb.sh on a virtual screen of the given size; its exit code.
int play_under_xvfb(const char* screen, const fs::path& dir, const fs::path& out,
                    const char* seconds, const char* later = "")
{
    fs::path script = fs::path(SOURCE_DIR) / "tests/tools/play_under_xvfb.sh";
    // The player draws with the software device, as capture does, without first trying GL in the
    // window.
    std::string command = "SARNOJ_RENDER_DEVICE=software timeout 120 bash ";
    command += quoted(script);
    return run(command + " " + screen + " " + quoted(PLAYER_PATH) + " " + quoted(dir) + " " +
               quoted(out) + " " + seconds + " " + later);
}

// A scene with no camera, for the free camera that starts at the origin looking along +z and
// drifts along its view: a far triangle that fills the quarter x > 0, y > 0 of the view. Its two
// edges in sight lie in planes through the z axis, so the drift leaves the picture as it is while
// any turn of the view moves them.
bool write_quarter_scene(const fs::path& file)
{
    ChunkWriter w;
    w.open(chunk_id::MAIN_CHUNK);
    w.open(chunk_id::OBJECT_MESH_DATA);
    w.material({.name = "GREY", .shading = 1, .twoSided = true});
    // Both windings, so that one of them faces the view.
    w.mesh_object({.name = "QUARTER",
                   .vertices = {{0, 0, 2000}, {9000, 0, 2000}, {0, 9000, 2000}},
                   .faces = {{0, 1, 2}, {0, 2, 1}},
                   .faceMaterials = {{"GREY", {0, 1}}}});
    w.close();
    w.close();
    return w.save(file.string());
}

}  // namespace

TEST(DemoPlayback, PlayerInAVirtualDisplayShowsTheCapturedFrameAndEndsOnEscape)
{
    if (!have_xvfb_tools())
        SKIP_OR_FAIL_IN_CI("Xvfb, xdotool, ffmpeg or timeout is not installed");
    const fs::path& demo = demo_dir();
    ScratchDir out("playback");

    // Two seconds in, the camera is gliding in from the dark: every tick moves the picture a
    // little, so only the frame on the screen at the screenshot matches it.
    ASSERT_EQ(play_under_xvfb("640x480x24", demo, out.path, "2.0"), 0);
    EXPECT_EQ(read_text(out.path / "exit"), "1\n") << read_text(out.path / "stderr.txt");

    std::vector<uint32_t> shot;
    int width = 0, height = 0;
    ASSERT_TRUE(read_png((out.path / "shot.png").string(), shot, width, height));
    ASSERT_EQ(width, 640);
    ASSERT_EQ(height, 480);
    EXPECT_GT(brightness(shot), 4.0) << "the screenshot is black";

    // The player's frame log says which scene frame it presented when, on the clock the grabber
    // stamped the screenshot with. The screen then showed a frame presented shortly before the
    // stamp, with leeway for the log's time (taken once the present has returned), for a present
    // that reaches the display only with the next frame's requests, and for the image's fetch
    // (just after the stamp): the frames from the last but one presented a twentieth of a
    // second before the stamp to the last one presented that long after it, each as its count
    // of tick steps.
    double grabStart = 0, stamp = 0, grabEnd = 0;
    std::istringstream(read_text(out.path / "grabbed")) >> grabStart >> stamp >> grabEnd;
    ASSERT_TRUE(grabStart <= stamp && stamp <= grabEnd)
        << "the grabber's stamp " << std::fixed << stamp << " is not on the clock of the grab "
        << grabStart << " to " << grabEnd;
    std::istringstream log(read_text(out.path / "frames.log"));
    std::vector<long> presented;  // tick counts, from the last but one before the stamp's leeway
    double time = 0;
    float frame = 0;
    while (log >> time >> frame && time <= stamp + 0.05) {
        if (time <= stamp - 0.05 && presented.size() > 1)
            presented.erase(presented.begin(), presented.end() - 1);
        presented.push_back(std::lround(frame / FRAMES_PER_TICK));
    }
    ASSERT_FALSE(presented.empty()) << "the player logged no frame before the screenshot";
    const std::set<long> ticks(presented.begin(), presented.end());
    // A few ticks' worth: the player presents a frame every tick or more often, or, starved,
    // less often.
    EXPECT_LE(ticks.size(), 12u) << "ticks " << *ticks.begin() << " to " << *ticks.rbegin();

    // Those frames as capture draws them, their scene frames added up a tick at a time as the
    // player adds them, written in full.
    std::string list;
    float total = 0.0f;
    for (long tick = 0; tick <= *ticks.rbegin(); total += FRAMES_PER_TICK, ++tick)
        if (ticks.count(tick)) {
            char text[32];
            std::snprintf(text, sizeof text, "%s%.9g", list.empty() ? "" : ",", double(total));
            list += text;
        }
    const fs::path frames = out.path / "frames", written = out.path / "frames.txt";
    ASSERT_EQ(run(capture_command(demo) + " " + quoted(frames) + " --frames " + list + " > " +
                  quoted(written)),
              0);
    std::istringstream drawn(read_text(written));
    double best = 1e9;
    std::string bestFrame, path;
    size_t count = 0;
    while (std::getline(drawn, path)) {
        std::vector<uint32_t> pixels;
        int w = 0, h = 0;
        ASSERT_TRUE(read_png(path, pixels, w, h)) << path;
        ASSERT_EQ(pixels.size(), shot.size()) << path;
        ++count;
        if (const double d = mean_channel_difference(shot, pixels); d < best) {
            best = d;
            bestFrame = fs::path(path).filename().string();
        }
    }
    EXPECT_EQ(count, ticks.size());
    // The same renderer draws both, and the window shows the frame pixel for pixel.
    EXPECT_EQ(best, 0.0) << "nearest: " << bestFrame << " of scene frames " << list;
}

TEST(DemoPlayback, FreeCameraHoldsStillWithTheMouseLeftAloneAndTheCursorStaysHidden)
{
    if (!have_xvfb_tools())
        SKIP_OR_FAIL_IN_CI("Xvfb, xdotool, ffmpeg or timeout is not installed");
    ScratchDir scene("playback-free");
    fs::copy_file(demo_dir() / "sarnoj.mp3", scene.path / "sarnoj.mp3");
    ASSERT_TRUE(write_quarter_scene(scene.path / "sarnoj1.3ds"));
    ScratchDir out("playback-free-out");

    // A screen larger than the picture; the full-screen window covers it.
    ASSERT_EQ(play_under_xvfb("1280x1024x24", scene.path, out.path, "1.0", "1.5"), 0);
    EXPECT_EQ(read_text(out.path / "exit"), "1\n") << read_text(out.path / "stderr.txt");
    EXPECT_EQ(read_text(out.path / "pointer"), "window\n");

    std::vector<uint32_t> shot, cursor, later;
    int width = 0, height = 0;
    ASSERT_TRUE(read_png((out.path / "shot.png").string(), shot, width, height));
    ASSERT_EQ(width, 1280);
    ASSERT_EQ(height, 1024);
    // A view that kept turning would have left the triangle behind long ago.
    EXPECT_GT(brightness(shot), 4.0) << "the triangle is out of sight";
    ASSERT_TRUE(read_png((out.path / "cursor.png").string(), cursor, width, height));
    ASSERT_TRUE(read_png((out.path / "later.png").string(), later, width, height));
    ASSERT_EQ(cursor.size(), shot.size());
    ASSERT_EQ(later.size(), shot.size());
    // With the cursor drawn in, the screen is the same: the cursor is hidden over the picture.
    EXPECT_EQ(mean_channel_difference(shot, cursor), 0.0);
    // A second and a half later the view has drifted about 20 units but not turned.
    EXPECT_EQ(mean_channel_difference(shot, later), 0.0);
}

TEST(DemoPlayback, CaptureWritesDisplayFramesAsPngsAndAsVideoWithMusic)
{
    const fs::path& demo = demo_dir();
    ScratchDir out("capture-modes");
    std::string tool = quoted(CAPTURE_PATH);
    EXPECT_EQ(run(tool + " --help > /dev/null"), 0);
    EXPECT_EQ(run(capture_command(demo) + " --png > /dev/null 2>&1"), 2);
    EXPECT_EQ(run(capture_command(demo) + " --png x --first -3 > /dev/null 2>&1"), 2);
    EXPECT_EQ(run(capture_command(demo) + " --png x --first 9 --last 3 > /dev/null 2>&1"), 1);
    EXPECT_EQ(run(capture_command(demo) + " --png x --last 99999 > /dev/null 2>&1"), 1);
    EXPECT_EQ(run(capture_command(out.path / "nothing-here") + " --png x > /dev/null 2>&1"), 1);
    // A bad target stops before anything is drawn, with a line saying what is wrong.
    const fs::path said = out.path / "said.txt";
    const std::string png = joined({" --png ", quoted(out.path / "x"), " "});
    for (const std::string& bad :
         {png + "--size 0x480", png + "--size 640x8193", png + "--size 640", png + "--size 64x48x2",
          png + "--size native", png + "--size -640x480", png + "--samples 2", png + "--samples 16",
          png + "--samples 4x", png + "--samples", png + "--size 640x480 --size 320x240",
          png + "--device", png + "--device GL", png + "--device vulkan",
          png + "--device gl --device software",
          joined({" --video ", quoted(out.path / "x.mp4"), " --size 641x480"}),
          joined({" ", quoted(out.path / "x"), " --frames 1 --samples 3"})}) {
        EXPECT_EQ(run(capture_command(demo) + bad + " > /dev/null 2> " + quoted(said)), 2) << bad;
        EXPECT_NE(read_text(said).find("capture: --"), std::string::npos) << bad;
    }
    EXPECT_FALSE(fs::exists(out.path / "x"));
    EXPECT_FALSE(fs::exists(out.path / "x.mp4"));

    // Frames 5 and 6 are one tick apart on the display clock, frames 6 and 7 two... both differ
    // from frame 5, and the range gives exactly the frames asked for.
    ASSERT_EQ(run(capture_command(demo) + " --png " + quoted(out.path / "png") +
                  " --first 5 --last 7 > /dev/null 2>&1"),
              0);
    int count = 0;
    for (const auto& entry : fs::directory_iterator(out.path / "png"))
        count += entry.path().extension() == ".png";
    EXPECT_EQ(count, 3);
    EXPECT_TRUE(fs::exists(out.path / "png" / "video-00005.png"));
    EXPECT_TRUE(fs::exists(out.path / "png" / "video-00007.png"));

    // Another target size: the same view, drawn on the pixels asked for.
    ASSERT_EQ(run(capture_command(demo) + " --size 320x240 --png " + quoted(out.path / "small") +
                  " --first 5 --last 5 --samples 4 > /dev/null 2>&1"),
              0);
    std::vector<uint32_t> small;
    int width = 0, height = 0;
    ASSERT_TRUE(read_png((out.path / "small" / "video-00005.png").string(), small, width, height));
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 240);

    if (!have("ffmpeg") || !have("ffprobe"))
        SKIP_OR_FAIL_IN_CI("ffmpeg is not installed");
    fs::path video = out.path / "clip.mp4";
    ASSERT_EQ(run(capture_command(demo) + " --video " + quoted(video) +
                  " --first 60 --last 119 > /dev/null 2>&1"),
              0);
    fs::path probe = out.path / "probe.txt";
    ASSERT_EQ(run("ffprobe -v error -show_entries stream=codec_type,width,height,r_frame_rate,"
                  "nb_frames -of default=noprint_wrappers=1 " +
                  quoted(video) + " > " + quoted(probe)),
              0);
    std::string streams = read_text(probe);
    EXPECT_NE(streams.find("codec_type=video"), std::string::npos) << streams;
    EXPECT_NE(streams.find("width=640"), std::string::npos) << streams;
    EXPECT_NE(streams.find("r_frame_rate=60/1"), std::string::npos) << streams;
    EXPECT_NE(streams.find("nb_frames=60"), std::string::npos) << streams;
    EXPECT_NE(streams.find("codec_type=audio"), std::string::npos) << streams;
}
