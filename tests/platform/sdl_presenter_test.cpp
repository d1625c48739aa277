#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/sdl_presenter.h"
#include "tests/support/skip_or_fail.h"

namespace {
bool same(SDL_Rect a, SDL_Rect b) { return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h; }

// The colour the window shows at (x, y), as 0xRRGGBB; the dummy driver keeps the window's
// picture in a surface in memory.
uint32_t shown_at(SDL_Surface* surface, int x, int y)
{
    SDL_LockSurface(surface);
    const auto* row = static_cast<const uint8_t*>(surface->pixels) + size_t(y) * surface->pitch;
    uint32_t pixel = 0;
    std::memcpy(&pixel, row + size_t(x) * surface->format->BytesPerPixel,
                surface->format->BytesPerPixel);
    SDL_UnlockSurface(surface);
    uint8_t r, g, b;
    SDL_GetRGB(pixel, surface->format, &r, &g, &b);
    return uint32_t(r) << 16 | uint32_t(g) << 8 | b;
}
}  // namespace

TEST(SdlPresenter, PictureFillsTheScreenWithItsAspectKept)
{
    EXPECT_TRUE(same(fit_keeping_aspect(640, 480, 1920, 1080), {240, 0, 1440, 1080}));
    EXPECT_TRUE(same(fit_keeping_aspect(640, 480, 1280, 1024), {0, 32, 1280, 960}));
    EXPECT_TRUE(same(fit_keeping_aspect(640, 480, 640, 480), {0, 0, 640, 480}));
    EXPECT_TRUE(same(fit_keeping_aspect(640, 480, 0, 480), {0, 0, 0, 0}));
}

TEST(SdlPresenter, ShowsFramesInTheWindowWithBarsAroundAWiderPicture)
{
    ::setenv("SDL_VIDEODRIVER", "dummy", 1);  // its window keeps the picture where we can read it
    SdlWindow window;
    if (!window.register_class("d3d test") || !window.create_window("d3d test", 640, 480, false))
        SKIP_OR_FAIL_IN_CI("no video driver");
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::strcmp(driver, "dummy") != 0)
        SKIP_OR_FAIL_IN_CI("video already started on another driver");
    SdlPresenter presenter(window);
    // The real pixels a native target fills.
    int outputWidth = 0, outputHeight = 0;
    ASSERT_TRUE(presenter.output_size(outputWidth, outputHeight));
    EXPECT_EQ(outputWidth, 640);
    EXPECT_EQ(outputHeight, 480);
    std::vector<uint32_t> frame(640 * 480, 0x00FF8000);
    presenter.present(frame.data(), 640, 480);
    SDL_Surface* surface = SDL_GetWindowSurface(window.sdl_window());
    ASSERT_NE(surface, nullptr) << SDL_GetError();
    ASSERT_GE(surface->w, 640);
    ASSERT_GE(surface->h, 480);
    EXPECT_EQ(shown_at(surface, 320, 240), 0xFF8000u);
    EXPECT_EQ(shown_at(surface, 0, 0), 0xFF8000u);

    // A picture twice as wide as high, in a new size: scaled to the width, black above and below.
    std::vector<uint32_t> wide(320 * 160, 0x0000FF00);
    presenter.present(wide.data(), 320, 160);
    EXPECT_EQ(shown_at(surface, 320, 240), 0x00FF00u);
    EXPECT_EQ(shown_at(surface, 320, 20), 0x000000u);
    EXPECT_EQ(shown_at(surface, 320, 460), 0x000000u);

    presenter.present(nullptr, 320, 160);  // nothing to show: the picture stays
    EXPECT_EQ(shown_at(surface, 320, 240), 0x00FF00u);

    // The dummy driver's renderer does not wait for a retrace: the presenter waits out the
    // display's period (60 Hz where the display names none) rather than spin.
    const auto period = display_period(window.sdl_window());
    EXPECT_GE(period, std::chrono::milliseconds(4));
    EXPECT_LE(period, std::chrono::milliseconds(34));
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 6; ++i)
        presenter.present(wide.data(), 320, 160);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 5 * period);
}

// The GL window asks for adaptive sync, then plain; only where the driver grants neither does its
// loop wait out the display's period itself, and then it does not spin.
TEST(SdlPresenter, TheGlWindowWaitsOutThePeriodOnlyWhereNoSyncIsGranted)
{
    const auto period = std::chrono::milliseconds(8);
    std::vector<int> asked;
    const auto granting = [&asked](int granted) {
        return [&asked, granted](int interval) {
            asked.push_back(interval);
            return interval == granted ? 0 : -1;
        };
    };
    EXPECT_FALSE(pacer_unless_synchronised(granting(-1), period));
    EXPECT_EQ(asked, std::vector<int>{-1});
    asked.clear();
    EXPECT_FALSE(pacer_unless_synchronised(granting(1), period));
    EXPECT_EQ(asked, (std::vector<int>{-1, 1}));
    asked.clear();
    auto pacer = pacer_unless_synchronised(granting(0), period);
    EXPECT_EQ(asked, (std::vector<int>{-1, 1}));
    ASSERT_TRUE(pacer);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 6; ++i)
        pacer->wait();
    EXPECT_GE(std::chrono::steady_clock::now() - start, 5 * period);
}
