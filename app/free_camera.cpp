#include "app/free_camera.h"

#include <cmath>

#include "core/alloc_block.h"

namespace {

constexpr float STEP = 0.2f;
constexpr float TURN_PER_PIXEL = 0.00125f;

void set_target(FreeCamera& free)
{
    for (int i = 0; i < 3; ++i) {
        free.camera.position[i] = free.position[i];
        free.camera.target[i] = free.position[i] + free.direction[i];
    }
}

}  // namespace

FreeCamera* free_camera_create()
{
    FreeCamera* free = alloc_record<FreeCamera>();
    free->node.type = NODE_CAMERA;
    free->node.data = &free->camera;
    free->camera.kind = KIND_CAMERA;
    free->camera.fov = 63.0f;
    free_camera_aim(*free);
    return free;
}

void free_camera_aim(FreeCamera& free)
{
    float p = free.polar, a = free.azimuth;
    free.direction[0] = std::sin(p) * std::cos(a);
    free.direction[1] = std::sin(p) * std::sin(a);
    free.direction[2] = std::cos(p);
    set_target(free);
}

void free_camera_tick(FreeCamera& free, int mouseDx, int mouseDy)
{
    for (int i = 0; i < 3; ++i)
        free.position[i] += free.direction[i] * STEP;
    set_target(free);
    free.azimuth -= static_cast<float>(mouseDx) * TURN_PER_PIXEL;
    free.polar -= static_cast<float>(mouseDy) * TURN_PER_PIXEL;
}
