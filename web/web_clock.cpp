#include "web/web_clock.h"

#include <emscripten.h>

uint32_t WebClock::milliseconds()
{
    // Wraps after 2^32 ms like the system count the clock's arithmetic is written for.
    return static_cast<uint32_t>(static_cast<uint64_t>(emscripten_get_now()));
}
