// The player program: the SDL platform, the context library and the scene operations wired into
// the driver.

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/player.h"
#include "app/render_choice.h"
#include "app/scene_calls.h"
#include "core/fatal_error.h"
#include "core/file_open.h"
#include "gfxcontext/software_context.h"
#include "platform/sdl_clock.h"
#include "platform/sdl_gl_device.h"
#include "platform/sdl_message_box.h"
#include "platform/sdl_presenter.h"
#include "platform/sdl_sound.h"
#include "platform/sdl_window.h"

int main(int, char**)
{
    set_fatal_hooks({sdl_show_message_box, nullptr, nullptr});

    SdlWindow window;
    SdlClock clock;
    SdlMessageBox messageBox;
    SdlSound sound;
    SdlPresenter presenter(window);
    // Drawn at the size and sample count the environment asks for: by the GL device in the
    // window where device set-up takes it, else by the software device, whose finished frames go
    // to the window through the presenter.
    const RenderTarget target = render_target_from_environment(stderr);
    const std::optional<RenderDevice> forced = render_device_from_environment(stderr);
    window.prefer_gl(forced != RenderDevice::software);
    auto graphics = make_player_library(
        forced, [&](void*) { return make_sdl_gl_device(window, &presenter, target); },
        make_software_context_library(&presenter, target), stderr);

    // The frame log, when asked for: the real-time clock at each present, beside the scene frame.
    FilePtr frameLog;
    if (const char* path = std::getenv(FRAME_LOG_VARIABLE)) {
        frameLog.reset(std::fopen(path, "w"));
        if (!frameLog)
            std::fprintf(stderr, "sarnoj: ignoring %s: cannot write \"%s\"\n", FRAME_LOG_VARIABLE,
                         path);
    }
    FrameShown logFrame;
    if (frameLog)
        logFrame = [&frameLog](float sceneFrame) {
            const auto now = std::chrono::system_clock::now().time_since_epoch();
            log_frame(frameLog.get(),
                      std::chrono::duration_cast<std::chrono::microseconds>(now).count(),
                      sceneFrame);
        };

    PlayerPorts ports{window, clock, messageBox, sound, *graphics};
    RunStats stats{};
    const int code = run_player(ports, player_scene_calls(), APP_SETTINGS, &stats, logFrame);
    if (std::getenv(FRAME_RATE_VARIABLE) && stats.frames)
        report_frame_rate(stats, stderr);
    return code;
}
