#pragma once
// Keeps a window loop whose frames the display does not hold back (no vertical sync granted) from
// spinning: each shown frame waits out what is left of the display's period since the last one.

#include <SDL_video.h>

#include <chrono>
#include <functional>
#include <optional>

class DisplayPacer {
public:
    explicit DisplayPacer(std::chrono::nanoseconds period) : period(period) {}
    // Called after each frame is shown.
    void wait();

private:
    std::chrono::nanoseconds period;
    std::chrono::steady_clock::time_point next{};
};

// The period of the display showing `window`: its refresh rate's, 60 Hz where SDL knows none.
std::chrono::nanoseconds display_period(SDL_Window* window);

// Asks for frames in step with the display's retrace through setInterval (SDL_GL_SetSwapInterval's
// convention, 0 when granted): adaptive (-1) where the driver offers it, so that a late frame is
// shown at once rather than a whole period later, else plain (1). Where neither is granted, swaps
// return at once: the pacer of the display's period that the loop then waits with.
std::optional<DisplayPacer> pacer_unless_synchronised(const std::function<int(int)>& setInterval,
                                                      std::chrono::nanoseconds period);
