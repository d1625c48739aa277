#pragma once
// The system's millisecond count since start-up; it wraps after 2^32 ms.

#include <cstdint>

class ClockPort {
public:
    virtual ~ClockPort() = default;
    virtual uint32_t milliseconds() = 0;
};
