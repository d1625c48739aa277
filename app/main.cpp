// The player program: the SDL platform, the context library and the scene operations wired into
// the driver.

#include "app/core/alloc_block.h"
#include "app/core/fatal_error.h"
#include "app/player.h"
#include "gfxcontext/software_context.h"
#include "platform/sdl_clock.h"
#include "platform/sdl_message_box.h"
#include "platform/sdl_presenter.h"
#include "platform/sdl_sound.h"
#include "platform/sdl_window.h"
#include "render/render_view.h"

// ---- Stand-ins for the scene operations ----------------------------------------------------
// Until loading, animation and drawing are in, the player plays an empty scene without a
// camera: the paused fly-through. Replace each stand-in in sceneCalls below by the real
// operation and delete this block.
namespace stand_in {

Scene* build_scene(const char*, int width, int height, PrepareScene prepare)
{
    Scene* scene = alloc_record<Scene>();
    scene->view = ::render_view_create(width, height);
    if (prepare)
        prepare(*scene);
    return scene;
}

void nothing(Scene&) {}

}  // namespace stand_in

namespace {

const SceneCalls sceneCalls = {
    render_view_create,            // render_view_create
    stand_in::build_scene,         // build_scene
    stand_in::nothing,             // prepare_scene_for_device
    stand_in::nothing,             // update_scene
    stand_in::nothing,             // update_world
    stand_in::nothing,             // upload_projection
    stand_in::nothing,             // render_scene
};
// ---- end of the stand-ins ------------------------------------------------------------------

}  // namespace

int main(int, char**)
{
    set_fatal_hooks({sdl_show_message_box, nullptr, nullptr});

    SdlWindow window;
    SdlClock clock;
    SdlMessageBox messageBox;
    SdlSound sound;
    SdlPresenter presenter(window);
    // The software device: finished frames go to the window through the presenter.
    auto graphics = make_software_context_library(&presenter);

    PlayerPorts ports{window, clock, messageBox, sound, *graphics};
    return run_player(ports, sceneCalls);
}
