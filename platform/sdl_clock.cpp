#include "platform/sdl_clock.h"

#include <SDL.h>

uint32_t SdlClock::milliseconds()
{
    // SDL_GetTicks64 would not wrap; the 32-bit count keeps the clock's arithmetic as it is
    // everywhere else.
    return static_cast<uint32_t>(SDL_GetTicks64());
}
