#pragma once
// The millisecond count on the page's high-resolution clock (performance.now()).

#include "app/clock_port.h"

class WebClock : public ClockPort {
public:
    uint32_t milliseconds() override;
};
