// The headless GL session: the displays it tries, a graphics processor's first; the context it
// makes is one a reset of the graphics processor loses and tells of, where EGL offers that; and
// what the GL device says about the target it gets.

#include <gtest/gtest.h>

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstring>
#include <string>
#include <vector>

#include "gfxcontext/context.h"
#include "gldevice/egl_session.h"
#include "gldevice/gl_context.h"
#include "gldevice/gl_api.h"
#include "tests/support/skip_or_fail.h"

// The order as kinds and device indices: "d1" for device 1, "s" surfaceless, "f" the default.
static std::string order_of(const char* client, std::vector<const char*> devices)
{
    std::string order;
    for (const DisplayChoice& choice : display_order(client, devices)) {
        order += "dsf"[choice.kind];
        if (choice.kind == DisplayChoice::device)
            order += std::to_string(choice.index);
    }
    return order;
}

TEST(EglSession, AGraphicsProcessorsDeviceIsTriedBeforeMesasCpuRasteriser)
{
    const char* all = "EGL_EXT_device_enumeration EGL_EXT_platform_device "
                      "EGL_MESA_platform_surfaceless EGL_KHR_client_get_all_proc_addresses";
    // Mesa's software device as listed beside a vendor's device and Mesa's own hardware one.
    const char* software = "EGL_MESA_device_software";
    const char* vendor = "EGL_NV_device_cuda";
    const char* drm = "EGL_EXT_device_drm EGL_EXT_device_drm_render_node";
    EXPECT_EQ(order_of(all, {software, vendor, drm}), "d1d2sf");
    EXPECT_EQ(order_of(all, {software}), "sf");
    EXPECT_EQ(order_of(all, {nullptr}), "d0sf");   // a device that lists no extensions
    // Devices cannot make displays without the platform; nothing but the default without any.
    EXPECT_EQ(order_of("EGL_EXT_device_enumeration EGL_MESA_platform_surfaceless", {vendor}),
              "sf");
    EXPECT_EQ(order_of(nullptr, {vendor}), "f");
    // Whole names only: a longer name holding the one asked for is not it.
    EXPECT_EQ(order_of("EGL_EXT_platform_device_x EGL_MESA_platform_surfaceless_y", {vendor}),
              "f");
    EXPECT_EQ(order_of(all, {"EGL_MESA_device_software_x"}), "d0sf");
    EXPECT_TRUE(has_extension("A B_C", "B_C"));
    EXPECT_FALSE(has_extension("A B_C", "B"));
    EXPECT_FALSE(has_extension("A", ""));
}

TEST(EglSession, ContextIsLostAndToldOnAReset)
{
    std::string reason;
    auto session = start_egl_session(reason);
    if (!session)
        SKIP_OR_FAIL_IN_CI("no GL context can be made here: " << reason);
    EXPECT_FALSE(session->renderer.empty());
    const char* version = eglQueryString(session->display, EGL_VERSION);
    const char* extensions = eglQueryString(session->display, EGL_EXTENSIONS);
    const bool offered =
        (version && std::strncmp(version, "1.5", 3) == 0) ||
        (extensions && std::strstr(extensions, "EGL_EXT_create_context_robustness"));
    if (!offered)
        SKIP_OR_FAIL_IN_CI("this EGL offers no reset notification");
    GLint strategy = 0;
    glGetIntegerv(GL_RESET_NOTIFICATION_STRATEGY, &strategy);
    EXPECT_EQ(strategy, GL_LOSE_CONTEXT_ON_RESET);
    EXPECT_EQ(glGetGraphicsResetStatus(), GLenum(GL_NO_ERROR));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(EglSession, TheTargetIsCappedAtTheDriversSamplesAndRefusedOnAnError)
{
    std::string reason;
    testing::internal::CaptureStderr();
    auto library = make_gl_context_library(nullptr, RenderTarget{640, 480, false, 8}, reason);
    gfx::Context* context = nullptr;
    const HRESULT made =
        library ? library->D3DXCreateContext(D3DX_HWLEVEL_TL, 0, nullptr, 640, 480, &context)
                : D3DERR_GENERIC;
    const std::string said = testing::internal::GetCapturedStderr();
    if (!library)
        SKIP_OR_FAIL_IN_CI("no GL context can be made here: " << reason);
    EXPECT_EQ(made, D3D_OK);
    GLint most = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &most);
    if (most < 8)
        EXPECT_EQ(said, "sarnoj: the GL device draws with " + std::to_string(most) +
                            " samples a pixel, not 8: its driver's GL_MAX_SAMPLES\n");
    else
        EXPECT_EQ(said, "");
    if (context)
        context->Release();

    // An error while the render buffers are made (GL_OUT_OF_MEMORY where they do not fit; here an
    // error raised just before) refuses the context, so the player can fall back.
    glEnable(0xFFFF);
    context = nullptr;
    EXPECT_EQ(library->D3DXCreateContext(D3DX_HWLEVEL_TL, 0, nullptr, 640, 480, &context),
              D3DERR_GENERIC);
    EXPECT_EQ(context, nullptr);
}
