#pragma once
// The camera the driver supplies when the scene has none: it drifts forward along its view
// direction every tick and turns with the mouse, while the scene clock stands still.

#include "scene/scene.h"

struct FreeCamera {
    float position[3];
    float polar, azimuth;  // radians; the direction is measured from the +z axis
    float direction[3];
    SceneNode node;  // type camera, data = &camera; not in the scene's node list
    Camera camera;   // what update_world reads: position, target, roll 0, fov 63
};

// A free camera at the origin looking along +z, from alloc_block.
FreeCamera* free_camera_create();
// Direction from the current angles, then target = position + direction.
void free_camera_aim(FreeCamera& camera);
// One tick: forward by 0.2 of the direction, target = position + direction, then the mouse delta
// (pixels) turns it by 0.00125 radians a pixel. The direction is not recomputed here.
void free_camera_tick(FreeCamera& camera, int mouseDx, int mouseDy);
