#include "platform/display_pacer.h"

#include <SDL.h>

#include <thread>

void DisplayPacer::wait()
{
    auto now = std::chrono::steady_clock::now();
    if (now < next) {
        std::this_thread::sleep_until(next);
        now = next;
    }
    next = now + period;
}

std::chrono::nanoseconds display_period(SDL_Window* window)
{
    SDL_DisplayMode mode{};
    const int display = window ? SDL_GetWindowDisplayIndex(window) : 0;
    int hertz = 60;
    if (display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0)
        hertz = mode.refresh_rate;
    return std::chrono::nanoseconds(1000000000 / hertz);
}

std::optional<DisplayPacer> pacer_unless_synchronised(const std::function<int(int)>& setInterval,
                                                      std::chrono::nanoseconds period)
{
    if (setInterval(-1) == 0 || setInterval(1) == 0)
        return std::nullopt;
    return DisplayPacer(period);
}
