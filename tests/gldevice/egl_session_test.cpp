// The headless GL session: the context it makes is one a reset of the graphics processor loses and
// tells of, where EGL offers that.

#include <gtest/gtest.h>

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstring>
#include <string>

#include "gldevice/egl_session.h"
#include "gldevice/gl_api.h"
#include "tests/support/skip_or_fail.h"

TEST(EglSession, ContextIsLostAndToldOnAReset)
{
    std::string reason;
    auto session = start_egl_session(reason);
    if (!session)
        SKIP_OR_FAIL_IN_CI("no GL context can be made here: " << reason);
    EXPECT_FALSE(session->renderer.empty());
    const char* version = eglQueryString(session->display, EGL_VERSION);
    const char* extensions = eglQueryString(session->display, EGL_EXTENSIONS);
    const bool offered = (version && std::strncmp(version, "1.5", 3) == 0) ||
                         (extensions && std::strstr(extensions, "EGL_EXT_create_context_robustness"));
    if (!offered)
        SKIP_OR_FAIL_IN_CI("this EGL offers no reset notification");
    GLint strategy = 0;
    glGetIntegerv(GL_RESET_NOTIFICATION_STRATEGY, &strategy);
    EXPECT_EQ(strategy, GL_LOSE_CONTEXT_ON_RESET);
    EXPECT_EQ(glGetGraphicsResetStatus(), GLenum(GL_NO_ERROR));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
