#include "app/scene_calls.h"

#include "anim/scene_update.h"
#include "loader/scene_build.h"
#include "render/render_view.h"
#include "render/renderer.h"

SceneCalls player_scene_calls()
{
    return {
        render_view_create,
        build_scene,
        prepare_scene_for_device,
        update_scene,
        update_world,
        upload_projection,
        render_scene,
    };
}
