#include "app/device.h"

#include "app/frame_clock.h"
#include "app/input_state.h"
#include "app/window.h"
#include "core/fatal_error.h"
#include "gfxcontext/graphics.h"

bool deviceUp = false;

namespace {

void set_device_shutdown_hook(void (*shutdown)())
{
    FatalHooks hooks = set_fatal_hooks({});
    hooks.shutdownDevice = shutdown;
    set_fatal_hooks(hooks);
}

// Tries the selectors in their fixed order: the hardware levels from raster down to the default
// device (-5 to -1, never hardware transform and lighting), then the enumerated devices.
gfx::Context* create_context(bool fullScreen)
{
    gfx::ContextLibrary& library = *graphics.library;
    const uint32_t flags = fullScreen ? D3DX_CONTEXT_FULLSCREEN : 0;
    const uint32_t lastSelector = DEVICE_INDICES_TRIED - 1;
    for (uint32_t selector = D3DX_HWLEVEL_RASTER;; ++selector) {
        gfx::Context* context = nullptr;
        if (library.D3DXCreateContext(selector, flags, window.handle, D3DX_DEFAULT, D3DX_DEFAULT,
                                      &context) == D3D_OK &&
            context)
            return context;
        if (selector == lastSelector)
            fatal_error("No graphics device could be created!");
    }
}

}  // namespace

void device_setup(const RenderView& view, bool fullScreen)
{
    window_create(view.width, view.height, WINDOW_NAME, fullScreen);
    graphics.library->D3DXInitialize();
    input.leftButton = input.middleButton = input.rightButton = 0;

    graphics.context = create_context(fullScreen);
    graphics.device = graphics.context->GetD3DDevice();
    graphics.d3d = graphics.context->GetD3D();

    device_set_initial_states(*graphics.device);
    graphics.device->BeginScene();

    deviceUp = true;
    set_device_shutdown_hook(device_shutdown);
}

void device_set_initial_states(gfx::Device& device)
{
    device.SetRenderState(D3DRENDERSTATE_DITHERENABLE, 1);
    device.SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    device.SetRenderState(D3DRENDERSTATE_CLIPPING, 1);
    device.SetRenderState(D3DRENDERSTATE_LIGHTING, 0);
    device.SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    device.SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device.SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
    device.SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
    device.SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
    device.SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_LINEAR);
}

void present_frame()
{
    if (clock_running())
        frameClock.ticks_due += clock_advance();
    graphics.device->EndScene();
    graphics.context->UpdateFrame(0);
    graphics.context->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
    graphics.device->BeginScene();
}

void device_shutdown()
{
    if (!deviceUp)
        return;
    deviceUp = false;
    set_device_shutdown_hook(nullptr);
    graphics.device->EndScene();
    graphics.d3d->Release();
    graphics.device->Release();
    graphics.library->D3DXUninitialize();
    // The context itself is left to the process end.
}

bool device_is_up()
{
    return deviceUp;
}
