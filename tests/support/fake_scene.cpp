#include "tests/support/fake_scene.h"

#include <memory>

#include "app/device.h"
#include "app/driver_state.h"
#include "core/alloc_block.h"

namespace fakes {

SceneFake sceneFake;

namespace {

// What the fakes allocate stays reachable to the end, as the player's records do: the list is
// never destroyed, so that leak checkers at exit still see it.
std::vector<void*>& kept()
{
    static std::vector<void*>* blocks = std::make_unique<std::vector<void*>>().release();
    return *blocks;
}

std::string num(long long value) { return std::to_string(value); }

RenderView* fake_render_view_create(int width, int height)
{
    calls.push_back("render_view_create(" + num(width) + ", " + num(height) + ")");
    RenderView* view = alloc_record<RenderView>();
    kept().push_back(view);
    view->width = width;
    view->height = height;
    return view;
}

void fake_prepare(Scene&) { calls.push_back("prepare_scene_for_device"); }

Scene* fake_build_scene(const char* fileName, int width, int height, PrepareScene prepare)
{
    calls.push_back(std::string("build_scene(") + fileName + ", " + num(width) + ", " +
                    num(height) + ", " + (prepare == fake_prepare ? "prepare" : "?") +
                    (device_is_up() ? ", device up)" : ", device down)"));
    Scene* scene = alloc_record<Scene>();
    kept().push_back(scene);
    scene->total = 7.0f;  // the driver starts the clock of the scene at 0
    if (sceneFake.withCamera) {
        auto* node = alloc_record<SceneNode>();
        auto* camera = alloc_record<Camera>();
        kept().push_back(node);
        kept().push_back(camera);
        node->type = NODE_CAMERA;
        node->data = camera;
        scene->camera = node;
    }
    sceneFake.scene = scene;
    prepare(*scene);
    return scene;
}

void fake_update_scene(Scene& scene) { sceneFake.totals.push_back(scene.total); }
void fake_update_world(Scene&) {}
void fake_upload_projection(Scene&) {}

void fake_render_scene(Scene& scene)
{
    auto* camera = static_cast<Camera*>(scene.camera->data);
    sceneFake.cameraAtRender.push_back({camera->position[0], camera->position[1],
                                        camera->position[2], camera->target[0], camera->target[1],
                                        camera->target[2]});
}

}  // namespace

SceneCalls fake_scene_calls()
{
    return {fake_render_view_create, fake_build_scene,  fake_prepare,     fake_update_scene,
            fake_update_world,       fake_upload_projection, fake_render_scene};
}

void reset_player_globals()
{
    driver_reset_state();
    calls.clear();
    sceneFake = {};
}

PlayerRig::PlayerRig() { reset_player_globals(); }

int PlayerRig::run() { return run_player(ports, fake_scene_calls(), APP_SETTINGS, &stats); }

int PlayerRig::count(const std::string& prefix)
{
    int found = 0;
    for (const std::string& call : calls)
        found += call.rfind(prefix, 0) == 0;
    return found;
}

}  // namespace fakes
