#include "gldevice/egl_session.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "gldevice/gl_api.h"

namespace {

bool has_extension(const char* list, const char* name)
{
    if (!list)
        return false;
    const size_t length = std::strlen(name);
    for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += length)
        if ((p == list || p[-1] == ' ') && (p[length] == ' ' || p[length] == '\0'))
            return true;
    return false;
}

EGLDisplay open_display()
{
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    auto platformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (platformDisplay && has_extension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
        EGLDisplay display =
            platformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display != EGL_NO_DISPLAY && eglInitialize(display, nullptr, nullptr))
            return display;
    }
    EGLDisplay display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
    if (display != EGL_NO_DISPLAY && eglInitialize(display, nullptr, nullptr))
        return display;
    return EGL_NO_DISPLAY;
}

}  // namespace

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
    auto session = std::make_unique<EglSession>();
    EGLDisplay display = open_display();
    if (display == EGL_NO_DISPLAY) {
        reason = "no EGL display could be opened";
        return nullptr;
    }
    session->display = display;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        reason = "the EGL display offers no desktop OpenGL";
        return nullptr;
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
        return nullptr;
    }
    const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3,
                                        EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
    session->context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (session->context == EGL_NO_CONTEXT) {
        session->context = nullptr;
        reason = "no OpenGL 3.3 core context could be made";
        return nullptr;
    }
    bool current = has_extension(extensions, "EGL_KHR_surfaceless_context") &&
                   eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, session->context);
    if (!current && config) {
        const EGLint size[] = {EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE};
        session->surface = eglCreatePbufferSurface(display, config, size);
        if (session->surface == EGL_NO_SURFACE)
            session->surface = nullptr;
        else
            current = eglMakeCurrent(display, session->surface, session->surface,
                                     session->context);
    }
    if (!current) {
        reason = "the OpenGL context could not be made current";
        return nullptr;
    }
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    session->renderer = renderer ? renderer : "";
    return session;
}

bool is_software_renderer(std::string_view renderer)
{
    // GL has no query for this. Mesa's GLX_MESA_query_renderer answers "accelerated" only for GLX
    // contexts and EGL has none; headless, open_display prefers an EGL device that does not say
    // EGL_MESA_device_software, but a window's context is judged by its renderer's name alone.
    std::string lower(renderer);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    for (const char* name : {"llvmpipe", "softpipe", "swrast", "software", "swiftshader",
                             "microsoft basic render driver"})
        if (lower.find(name) != std::string::npos)
            return true;
    // The old OpenSWR rasteriser calls itself "SWR" (with nothing or its version after it).
    for (size_t at = lower.find("swr"); at != std::string::npos; at = lower.find("swr", at + 1)) {
        const bool wordStart = at == 0 || !std::isalnum(static_cast<unsigned char>(lower[at - 1]));
        const bool wordEnd =
            at + 3 == lower.size() || !std::isalnum(static_cast<unsigned char>(lower[at + 3]));
        if (wordStart && wordEnd)
            return true;
    }
    return false;
}
