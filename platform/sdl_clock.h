#pragma once
// The millisecond count of SDL, which like the system's wraps after 2^32 ms.

#include "app/clock_port.h"

class SdlClock : public ClockPort {
public:
    uint32_t milliseconds() override;
};
