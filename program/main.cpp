// The player program: the SDL platform, the context library and the scene operations wired into
// the driver, run in the folder its command line names (app/command_line.h).

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/command_line.h"
#include "app/player.h"
#include "app/render_choice.h"
#include "app/scene_calls.h"
#include "core/fatal_error.h"
#include "core/file_open.h"
#include "softdevice/software_context.h"
#include "platform/sdl_clock.h"
#include "platform/sdl_gl_device.h"
#include "platform/sdl_message_box.h"
#include "platform/sdl_presenter.h"
#include "platform/sdl_sound.h"
#include "platform/sdl_window.h"

// Set by the build: the version, and where the installed production lies from the program's folder.
#ifndef PLAYER_VERSION
#define PLAYER_VERSION "unknown"
#endif
#ifndef PLAYER_PRODUCTION_FROM_BINARY
#define PLAYER_PRODUCTION_FROM_BINARY "../share/sarnoj"
#endif

namespace {

// The folder to play, from the command line or the default; empty to stay where the player was
// started.
std::string scene_folder(const CommandLine& line)
{
    if (!line.folder.empty())
        return line.folder;
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return default_scene_folder(
        installed_production_folder(error ? std::string() : program.string(),
                                    PLAYER_PRODUCTION_FROM_BINARY),
        APP_SETTINGS.sceneFileName);
}

}  // namespace

int main(int argc, char** argv)
{
    const char* const* args = argv;
    const CommandLine line = parse_command_line(
        std::span<const char* const>(args, size_t(argc)).subspan(argc > 0 ? 1 : 0));
    switch (line.action) {
    case CommandLine::Action::help:
        print_player_usage(stdout);
        return 0;
    case CommandLine::Action::version:
        std::printf("sarnoj %s\n", PLAYER_VERSION);
        return 0;
    case CommandLine::Action::misuse:
        std::fprintf(stderr, "sarnoj: %s\n", line.problem.c_str());
        print_player_usage(stderr);
        return 2;
    case CommandLine::Action::play:
        break;
    }
    const std::string folder = scene_folder(line);
    if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
        std::fprintf(stderr, "sarnoj: cannot enter the folder %s: %s\n", folder.c_str(),
                     std::strerror(errno));
        return 2;
    }

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
    // The GL device on a graphics processor defaults to the window's pixels with 4 samples; a
    // variable it cannot use was named above.
    const RenderTarget gpuTarget =
        render_target_from_environment(nullptr, available_memory(), true);
    const std::optional<RenderDevice> forced = render_device_from_environment(stderr);
    window.prefer_gl(forced != RenderDevice::software);
    std::string glRenderer;   // set once the GL device draws
    auto graphics = make_player_library(
        forced, [&](void*) { return make_sdl_gl_device(window, &presenter, target, gpuTarget); },
        make_software_context_library(&presenter, target), stderr, &glRenderer);

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
    if (std::getenv(FRAME_RATE_VARIABLE) && stats.frames) {
        if (!glRenderer.empty())
            report_gl_device(stderr, glRenderer);
        report_frame_rate(stats, stderr);
    }
    return code;
}
