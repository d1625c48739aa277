#pragma once
// What the driver calls of the renderer: load-time preparation for the device, and per frame the
// projection upload and the visibility, transform and drawing pass. What it keeps between calls is
// the record in render/renderer_state.h.

#include "scene/scene.h"

void prepare_scene_for_device(Scene& scene);
void upload_projection(Scene& scene);
void render_scene(Scene& scene);
void batch_flush();

