#pragma once
// What the driver calls of the renderer: load-time preparation for the device, and per frame the
// projection upload and the visibility, transform and drawing pass.

#include "scene/scene.h"

void prepare_scene_for_device(Scene& scene);
void upload_projection(Scene& scene);
void render_scene(Scene& scene);
void batch_flush();

// Forgets what the renderer's globals hold of an earlier device and scene (vertex buffers,
// registered textures, batch states, spare draw-list entries) without releasing any of it: the
// device that owned them is gone or its scene's blocks were freed wholesale. For whoever brings
// up a device after another one in the same process (headless player, tests, benchmarks).
void renderer_forget_device();
