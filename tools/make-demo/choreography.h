#pragma once
// The keyframer section of the production: how everything moves, lights up, hides and morphs
// over the 1150 frames, in time with the music's beats (timing.h, score.h).

#include "tools/writers/chunk_writer.h"

namespace demo {

// Writes the chunks inside "Keyframer Data" (the caller opens and closes it).
void write_choreography(ChunkWriter& writer);

}  // namespace demo
