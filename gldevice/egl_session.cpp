#include "gldevice/egl_session.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "gldevice/gl_api.h"

namespace {

EGLDisplay initialised(EGLDisplay display)
{
    return display != EGL_NO_DISPLAY && eglInitialize(display, nullptr, nullptr) ? display
                                                                                   : EGL_NO_DISPLAY;
}

// The displays worth a try, in the order display_order gives.
std::vector<EGLDisplay> candidate_displays()
{
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    auto platformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    auto queryDevices =
        reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
    auto deviceString = reinterpret_cast<PFNEGLQUERYDEVICESTRINGEXTPROC>(
        eglGetProcAddress("eglQueryDeviceStringEXT"));
    std::vector<EGLDeviceEXT> devices;
    std::vector<const char*> deviceExtensions;
    const bool enumerable = platformDisplay && queryDevices && deviceString;
    EGLint count = 0;
    if (enumerable && has_extension(clientExtensions, "EGL_EXT_device_enumeration") &&
        queryDevices(0, nullptr, &count) && count > 0) {
        devices.assign(size_t(std::min(count, EGLint(64))), nullptr);
        if (!queryDevices(EGLint(devices.size()), devices.data(), &count))
            count = 0;
        devices.resize(size_t(std::clamp(count, EGLint(0), EGLint(devices.size()))));
        for (EGLDeviceEXT device : devices)
            deviceExtensions.push_back(deviceString(device, EGL_EXTENSIONS));
    }
    std::vector<EGLDisplay> displays;
    for (const DisplayChoice& choice :
         display_order(platformDisplay ? clientExtensions : nullptr, deviceExtensions)) {
        EGLDisplay display = EGL_NO_DISPLAY;
        switch (choice.kind) {
        case DisplayChoice::device:
            display = initialised(
                platformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[choice.index], nullptr));
            break;
        case DisplayChoice::surfaceless:
            display = initialised(
                platformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr));
            break;
        case DisplayChoice::fallback:
            display = initialised(eglGetDisplay(EGL_DEFAULT_DISPLAY));
            break;
        }
        if (display != EGL_NO_DISPLAY)
            displays.push_back(display);
    }
    return displays;
}

// An OpenGL 3.3 core context on `display`, current; false with the reason when there is none.
bool start_on(EglSession& session, EGLDisplay display, std::string& reason)
{
    session.display = display;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        reason = "the EGL display offers no desktop OpenGL";
        return false;
    }
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                                       EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configs = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &configs) || configs < 1)
        config = nullptr;
    const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
    if (!config && !has_extension(extensions, "EGL_KHR_no_config_context")) {
        reason = "the EGL display has no configuration for OpenGL";
        return false;
    }
    // Asked first to lose itself on a reset of the graphics processor and say so (EGL 1.5's
    // attribute, then the extension's), so a reset stops the device rather than drawing garbage;
    // a driver offering neither makes a plain context.
    const EGLint resetAttribute[] = {EGL_CONTEXT_OPENGL_RESET_NOTIFICATION_STRATEGY,
                                     EGL_CONTEXT_OPENGL_RESET_NOTIFICATION_STRATEGY_EXT, EGL_NONE};
    const EGLint loseOnReset[] = {EGL_LOSE_CONTEXT_ON_RESET, EGL_LOSE_CONTEXT_ON_RESET_EXT,
                                  EGL_NONE};
    const bool robustExtension = has_extension(extensions, "EGL_EXT_create_context_robustness");
    const char* version = eglQueryString(display, EGL_VERSION);
    const bool egl15 = version && std::strncmp(version, "1.", 2) == 0 && version[2] >= '5';
    session.context = EGL_NO_CONTEXT;
    for (int attempt = 0; attempt < 3 && session.context == EGL_NO_CONTEXT; ++attempt) {
        if ((attempt == 0 && !egl15) || (attempt == 1 && !robustExtension))
            continue;
        const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3,
                                            EGL_CONTEXT_MINOR_VERSION, 3,
                                            EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                            EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                            resetAttribute[attempt], loseOnReset[attempt],
                                            EGL_NONE};
        session.context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    }
    if (session.context == EGL_NO_CONTEXT) {
        session.context = nullptr;
        reason = "no OpenGL 3.3 core context could be made";
        return false;
    }
    bool current = has_extension(extensions, "EGL_KHR_surfaceless_context") &&
                   eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, session.context);
    if (!current && config) {
        const EGLint size[] = {EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE};
        session.surface = eglCreatePbufferSurface(display, config, size);
        if (session.surface == EGL_NO_SURFACE)
            session.surface = nullptr;
        else
            current = eglMakeCurrent(display, session.surface, session.surface, session.context);
    }
    if (!current) {
        reason = "the OpenGL context could not be made current";
        return false;
    }
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    session.renderer = renderer ? renderer : "";
    return true;
}

}  // namespace

bool has_extension(const char* list, std::string_view name)
{
    if (!list || name.empty())
        return false;
    const std::string_view all(list);
    for (size_t at = all.find(name); at != std::string_view::npos; at = all.find(name, at + 1)) {
        const size_t after = at + name.size();
        if ((at == 0 || all[at - 1] == ' ') && (after == all.size() || all[after] == ' '))
            return true;
    }
    return false;
}

std::vector<DisplayChoice> display_order(const char* clientExtensions,
                                         std::span<const char* const> deviceExtensions)
{
    std::vector<DisplayChoice> order;
    if (has_extension(clientExtensions, "EGL_EXT_platform_device"))
        for (size_t i = 0; i < deviceExtensions.size(); i++)
            // Mesa marks its CPU rasteriser's device; it comes on the surfaceless platform.
            if (!has_extension(deviceExtensions[i], "EGL_MESA_device_software"))
                order.push_back({DisplayChoice::device, i});
    if (has_extension(clientExtensions, "EGL_MESA_platform_surfaceless"))
        order.push_back({DisplayChoice::surfaceless, 0});
    order.push_back({DisplayChoice::fallback, 0});
    return order;
}

EglSession::~EglSession()
{
    if (!display)
        return;
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context)
        eglDestroyContext(display, context);
    if (surface)
        eglDestroySurface(display, surface);
    // The display stays initialised: other sessions of the process may share it.
    eglReleaseThread();
}

std::unique_ptr<EglSession> start_egl_session(std::string& reason)
{
    reason = "no EGL display could be opened";
    for (EGLDisplay display : candidate_displays()) {
        auto session = std::make_unique<EglSession>();
        if (start_on(*session, display, reason))
            return session;
    }
    return nullptr;
}
