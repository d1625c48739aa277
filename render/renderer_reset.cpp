#include "render/draw_list.h"
#include "render/face_drawers.h"
#include "render/mesh_preparation.h"
#include "render/renderer.h"

void renderer_forget_device()
{
    deviceBuffers = DeviceBuffers{};
    textureRegistry = nullptr;
    batchState = BATCH_STATE_INITIAL;
    draw_list_forget_spares();
}
