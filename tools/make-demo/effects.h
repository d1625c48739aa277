#pragma once
// The two send effects of the mix: a ping-pong echo in time with the beat and a small room.

#include "tools/make-demo/voices.h"

namespace demo {

// Adds the echo of `send` to `out`: repeats every `delaySamples`, alternating sides.
void add_ping_pong_echo(const StereoBus& send, int delaySamples, float feedback, StereoBus& out);

// Adds a Schroeder reverb (parallel combs, then all-pass filters) of `send` to `out`.
void add_room(const StereoBus& send, float level, StereoBus& out);

}  // namespace demo
