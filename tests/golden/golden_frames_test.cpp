// Frames drawn headless exactly as the player draws them, compared with images kept beside the
// tests. Crafted scenes cover the drawers, lights, hierarchy and the paused fly-through; the
// shared scenes are drawn when they are present. GOLDEN_UPDATE=1 writes the images anew.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "app/headless_player.h"
#include "gfxcontext/offscreen_presenter.h"
#include "tests/support/golden_image.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/skip_or_fail.h"
#include "tools/compare-frames/frame_compare.h"
#include "tools/writers/crafted_scenes.h"
#include "tools/writers/png_file.h"

namespace fs = std::filesystem;
using testing_support::InDirectory;

namespace {

const fs::path GOLDEN_DIR = fs::path(SOURCE_DIR) / "tests" / "golden" / "images";

// The device draws the same frame whatever its threads and SIMD code: the frame is the image.
void expect_golden(const OffscreenPresenter& shown, const std::string& name, int width = 640,
                   int height = 480)
{
    ASSERT_EQ(shown.width, width);
    ASSERT_EQ(shown.height, height);
    testing_support::expect_golden_image(GOLDEN_DIR / (name + ".png"), shown.frame, shown.width,
                                         shown.height, 0);
}

int lit_pixels(const OffscreenPresenter& shown, int x0, int y0, int x1, int y1)
{
    int count = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            count += (shown.frame[size_t(y) * size_t(shown.width) + size_t(x)] & 0xFFFFFF) != 0;
    return count;
}

}  // namespace

TEST(GoldenFrames, LitSceneAtThreeFrames)
{
    testing_support::ScratchDir dir("golden-lit");
    ASSERT_TRUE(write_lit_scene(dir.path));
    InDirectory inside(dir.path);
    HeadlessPlayer player("lit.3ds");
    for (int frame : {0, 50, 100}) {
        player.render(float(frame));
        expect_golden(player.presenter(), "lit-" + std::to_string(frame));
        EXPECT_EQ(lit_pixels(player.presenter(), 0, 0, 90, 16), 0) << "no pause text";
    }
}

TEST(GoldenFrames, HeadlightScene)
{
    testing_support::ScratchDir dir("golden-headlight");
    ASSERT_TRUE(write_headlight_scene(dir.path));
    InDirectory inside(dir.path);
    HeadlessPlayer player("headlight.3ds");
    player.render(0.0f);
    expect_golden(player.presenter(), "headlight-0");
    EXPECT_GT(lit_pixels(player.presenter(), 0, 0, 640, 480), 10000);
}

TEST(GoldenFrames, WithoutACameraTheSceneIsPausedAndTheFreeCameraDrifts)
{
    testing_support::ScratchDir dir("golden-paused");
    ASSERT_TRUE(write_paused_scene(dir.path));
    InDirectory inside(dir.path);
    HeadlessPlayer player("paused.3ds");
    player.render(0.0f);
    expect_golden(player.presenter(), "paused-0");
    EXPECT_GT(lit_pixels(player.presenter(), 0, 0, 90, 16), 20) << "* PAUSED *";
    const int before = lit_pixels(player.presenter(), 100, 0, 640, 480);
    player.render(20.0f);  // 100 ticks: 20 units nearer the box
    expect_golden(player.presenter(), "paused-20");
    EXPECT_GT(lit_pixels(player.presenter(), 100, 0, 640, 480), before);
    EXPECT_EQ(player.scene().total, 0.0f);
}

TEST(GoldenFrames, FullSizeWithFourSamples)
{
    // The same scenes on a 1920 x 1440 target with 4 samples a pixel: the picture, the edges
    // smoothed, and "* PAUSED *" three times as large in its corner.
    constexpr RenderTarget target{1920, 1440, false, 4};
    testing_support::ScratchDir dir("golden-full");
    ASSERT_TRUE(write_lit_scene(dir.path));
    ASSERT_TRUE(write_paused_scene(dir.path));
    InDirectory inside(dir.path);
    {
        HeadlessPlayer player("lit.3ds", target);
        player.render(50.0f);
        expect_golden(player.presenter(), "lit-50-1920x1440x4", 1920, 1440);
    }
    HeadlessPlayer player("paused.3ds", target);
    player.render(0.0f);
    expect_golden(player.presenter(), "paused-0-1920x1440x4", 1920, 1440);
    EXPECT_GT(lit_pixels(player.presenter(), 0, 0, 270, 48), 180) << "* PAUSED *";
}

TEST(GoldenFrames, SharedScenes)
{
    const fs::path shared = fs::path(SHARED_DIR) / "scenes";
    if (!fs::is_directory(shared))
        SKIP_OR_FAIL_IN_CI("no shared scenes");
    struct Shot {
        const char* file;
        float frame;
    };
    const Shot shots[] = {{"TargetCameraAnim.3ds", 0},  {"TargetCameraAnim.3ds", 50},
                          {"RotatingCube.3DS", 0},      {"test1.3ds", 0},
                          {"jeep1.3ds", 0},             {"Granate.3DS", 0},
                          {"fels.3ds", 0}};
    InDirectory inside(shared);
    for (const Shot& shot : shots) {
        HeadlessPlayer player(shot.file);
        player.render(shot.frame);
        std::string name = fs::path(shot.file).stem().string() + "-" +
                           std::to_string(int(shot.frame));
        expect_golden(player.presenter(), name);
    }
}

// The GL device draws the golden frames within the bounds scripts/compare-devices.sh holds it to:
// textures, blending and wireframe (lit), the debug text over the free camera's view (paused).
TEST(GoldenFrames, TheGlDeviceDrawsThemAlike)
{
    testing_support::ScratchDir dir("golden-gl");
    ASSERT_TRUE(write_lit_scene(dir.path));
    ASSERT_TRUE(write_paused_scene(dir.path));
    InDirectory inside(dir.path);
    auto expect_close = [](const OffscreenPresenter& shown, const std::string& name) {
        std::vector<uint32_t> golden;
        int width = 0, height = 0;
        ASSERT_TRUE(read_png((GOLDEN_DIR / (name + ".png")).string(), golden, width, height));
        ASSERT_EQ(shown.width, width);
        ASSERT_EQ(shown.height, height);
        const FrameComparison c = compare_frames(golden, shown.frame, width, height);
        EXPECT_GE(c.psnr, minimumPsnr) << name;
        EXPECT_LE(c.worstBlockMean, largestBlockMeanDifference)
            << name << " at " << c.worstBlockX << "," << c.worstBlockY;
    };
    {
        HeadlessPlayer player("lit.3ds", {}, 640, 480, RenderDevice::gl);
        if (player.device() != RenderDevice::gl)
            SKIP_OR_FAIL_IN_CI("no GL context can be made here");
        for (int frame : {0, 50}) {
            player.render(float(frame));
            expect_close(player.presenter(), "lit-" + std::to_string(frame));
        }
    }
    HeadlessPlayer player("paused.3ds", {}, 640, 480, RenderDevice::gl);
    player.render(0.0f);
    expect_close(player.presenter(), "paused-0");
    EXPECT_GT(lit_pixels(player.presenter(), 0, 0, 90, 16), 20) << "* PAUSED *";
}

TEST(GoldenFrames, FramesCompareByPsnrAndBlockMeans)
{
    // 32 x 16: two blocks. The same frames are infinitely close; one channel of one pixel four
    // steps off gives MSE 16 / (512 x 3) and a block mean of 4 / 256; a whole block a channel
    // nine steps off is beyond the bounds, eight steps off is within them.
    std::vector<uint32_t> a(32 * 16, 0x406080), b = a;
    EXPECT_FALSE(std::isfinite(compare_frames(a, b, 32, 16).psnr));
    b[17] = 0x446080;
    FrameComparison c = compare_frames(a, b, 32, 16);
    EXPECT_NEAR(c.psnr, 10.0 * std::log10(255.0 * 255.0 * 512.0 * 3.0 / 16.0), 1e-9);
    EXPECT_NEAR(c.worstBlockMean, 4.0 / 256.0, 1e-12);
    EXPECT_EQ(c.worstBlockX, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 16; x < 32; ++x)
            b[size_t(y * 32 + x)] = 0x406089;
    c = compare_frames(a, b, 32, 16);
    EXPECT_DOUBLE_EQ(c.worstBlockMean, 9.0);
    EXPECT_EQ(c.worstBlockX, 16);
    EXPECT_EQ(c.worstBlockY, 0);
    EXPECT_FALSE(frames_agree(c));
    for (int y = 0; y < 16; ++y)
        for (int x = 16; x < 32; ++x)
            b[size_t(y * 32 + x)] = 0x406088;
    c = compare_frames(a, b, 32, 16);
    EXPECT_DOUBLE_EQ(c.worstBlockMean, 8.0);
    EXPECT_GE(c.psnr, minimumPsnr);
    EXPECT_TRUE(frames_agree(c));
    // Differences count by their size: a block half twelve steps brighter, half twelve darker
    // is twelve steps off, not none.
    for (int y = 0; y < 16; ++y)
        for (int x = 16; x < 32; ++x)
            b[size_t(y * 32 + x)] = y < 8 ? 0x40608C : 0x406074;
    EXPECT_DOUBLE_EQ(compare_frames(a, b, 32, 16).worstBlockMean, 12.0);
    // A partial block at the right edge is the mean of its own pixels.
    std::vector<uint32_t> narrowA(20 * 1, 0), narrowB(20 * 1, 0);
    narrowB[19] = 0x000010;
    EXPECT_DOUBLE_EQ(compare_frames(narrowA, narrowB, 20, 1).worstBlockMean, 4.0);
}

TEST(GoldenFrames, EveryPixelBeyondTheToleranceCounts)
{
    // Two pixels wide: one the same, one a step off in red, one two steps off in blue, one three
    // steps under in green.
    const std::vector<uint32_t> golden = {0x102030, 0x102030, 0x102030, 0x102030};
    const std::vector<uint32_t> frame = {0x102030, 0x112030, 0x102032, 0x101D30};
    const testing_support::ImageDifference exact =
        testing_support::compare_images(golden, frame, 2, 0);
    EXPECT_EQ(exact.pixels, 3);
    EXPECT_EQ(exact.largest, 3);
    EXPECT_EQ(exact.firstX, 1);
    EXPECT_EQ(exact.firstY, 0);
    const testing_support::ImageDifference step =
        testing_support::compare_images(golden, frame, 2, 1);
    EXPECT_EQ(step.pixels, 2);
    EXPECT_EQ(step.firstX, 0);
    EXPECT_EQ(step.firstY, 1);
    // Three steps are within a tolerance of three.
    EXPECT_EQ(testing_support::compare_images(golden, frame, 2, 3).pixels, 0);
}
