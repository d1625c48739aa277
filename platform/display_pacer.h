#pragma once
// Keeps a window loop whose frames the display does not hold back (no vertical sync granted) from
// spinning: each shown frame waits out what is left of the display's period since the last one.

#include <SDL_video.h>

#include <chrono>

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
