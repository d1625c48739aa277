#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/sdl_presenter.h"

namespace {
bool same(SDL_Rect a, SDL_Rect b) { return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h; }
}  // namespace

TEST(SdlPresenter, PictureFillsTheScreenWithItsAspectKept)
{
    EXPECT_TRUE(same(fit_keeping_aspect(640, 480, 1920, 1080), {240, 0, 1440, 1080}));
    EXPECT_TRUE(same(fit_keeping_aspect(640, 480, 1280, 1024), {0, 32, 1280, 960}));
    EXPECT_TRUE(same(fit_keeping_aspect(640, 480, 640, 480), {0, 0, 640, 480}));
    EXPECT_TRUE(same(fit_keeping_aspect(640, 480, 0, 480), {0, 0, 0, 0}));
}

TEST(SdlPresenter, ShowsFramesInAWindowOnTheDummyDriver)
{
    ::setenv("SDL_VIDEODRIVER", "dummy", 0);  // no window on the desktop unless asked for
    SdlWindow window;
    if (!window.register_class("d3d test") || !window.create_window("d3d test", 640, 480, true))
        GTEST_SKIP() << "no video driver";
    SdlPresenter presenter(window);
    std::vector<uint32_t> frame(640 * 480, 0x00FF8000);
    presenter.present(frame.data(), 640, 480);
    presenter.present(frame.data(), 640, 480);
    presenter.present(nullptr, 640, 480);  // nothing to show: ignored
}
