#pragma once
// Everything the renderer keeps between calls, in one record: the device's batch buffers, the
// registered device textures, the batch and state cache, and the draw list's spare entries.
// All of it belongs to one device and one scene. Whoever brings up a device after another one in
// the same process (headless player, tests, benchmarks, fuzz harnesses) forgets the earlier one
// by assigning a fresh record, `renderer = Renderer{};`: nothing is released, since the device
// that owned it is gone or its scene's blocks were freed wholesale.

#include "render/draw_list.h"
#include "render/face_drawers.h"
#include "render/mesh_preparation.h"

struct Renderer {
    DeviceBuffers buffers{};
    TextureEntry* textures = nullptr;  // newest first
    BatchState batch = BATCH_STATE_INITIAL;
    DrawListMemory drawList{};
};

extern Renderer renderer;
