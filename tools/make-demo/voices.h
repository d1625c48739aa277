#pragma once
// The instruments: each renders one note event, alone, into the mix buses. A voice keeps no state
// between events, so the same score always gives the same samples.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/make-demo/score.h"

namespace demo {

struct StereoBus {
    std::vector<float> left, right;
    void resize(size_t samples)
    {
        left.assign(samples, 0.0f);
        right.assign(samples, 0.0f);
    }
};

// dry: straight to the master; echo: into the ping-pong delay; room: into the reverb.
struct MixBuses {
    StereoBus dry, echo, room;
};

// Adds the sound of one event, starting at sample `start` and lasting `length` samples (plus its
// release), to the buses; samples past the buses' end are dropped.
void render_voice(const NoteEvent& event, int64_t start, int64_t length, uint32_t seed,
                  MixBuses& buses);

}  // namespace demo
