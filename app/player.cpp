#include "app/player.h"

#include <cstdio>

#include "app/device.h"
#include "app/frame_clock.h"
#include "app/free_camera.h"
#include "app/input_state.h"
#include "app/sound_error_text.h"
#include "app/window.h"
#include "gfxcontext/graphics.h"

namespace {

constexpr float SOUND_LIBRARY_VERSION = 3.2f;
constexpr unsigned MUSIC_STREAM_MODE = 41;
constexpr uint32_t WHITE = 0xFFFFFF;

// The library's own message for its last error, under "FMOD Error!"; then the library is closed
// and the program ends with 1. The stream is left open on these paths.
int sound_failure(PlayerPorts& ports)
{
    const char* text = sound_error_text(static_cast<unsigned>(ports.sound.FSOUND_GetError()));
    std::fprintf(stderr, "FMOD Error!: %s\n", text);
    std::fflush(stderr);
    ports.messageBox.show(text, "FMOD Error!");
    ports.sound.FSOUND_Close();
    return 1;
}

}  // namespace

void draw_player_frame(Scene& scene, FreeCamera* freeCamera, const SceneCalls& calls,
                       int screenWidth, int screenHeight)
{
    calls.update_scene(scene);
    if (freeCamera)
        free_camera_aim(*freeCamera);
    calls.update_world(scene);
    calls.upload_projection(scene);
    calls.render_scene(scene);
    if (freeCamera)
        graphics.context->DrawDebugText(5.0f / float(screenWidth), 5.0f / float(screenHeight),
                                        WHITE, "* PAUSED *");
    present_frame();
}

double frames_per_second(const RunStats& stats)
{
    return stats.milliseconds ? 1000.0 * stats.frames / stats.milliseconds : 0.0;
}

void report_frame_rate(const RunStats& stats, std::FILE* out)
{
    std::fprintf(out, "sarnoj: %u frames in %.1f seconds, %.1f frames per second\n", stats.frames,
                 stats.milliseconds / 1000.0, frames_per_second(stats));
    std::fflush(out);
}

void log_frame(std::FILE* out, int64_t unixMicroseconds, float sceneFrame)
{
    std::fprintf(out, "%lld.%06lld %.1f\n", static_cast<long long>(unixMicroseconds / 1000000),
                 static_cast<long long>(unixMicroseconds % 1000000), double(sceneFrame));
}

int run_player(PlayerPorts& ports, const SceneCalls& calls, const AppSettings& settings,
               RunStats* stats, const FrameShown& frameShown)
{
    SoundLibrary& sound = ports.sound;
    if (sound.FSOUND_GetVersion() != SOUND_LIBRARY_VERSION) {
        std::printf("Error : You are using the wrong DLL version!  You should be using FMOD %.02f\n",
                    double(SOUND_LIBRARY_VERSION));
        std::fflush(stdout);
        return 1;
    }
    sound.FSOUND_SetOutput(FSOUND_OUTPUT_DSOUND);
    sound.FSOUND_SetBufferSize(200);
    sound.FSOUND_SetDriver(0);
    if (!sound.FSOUND_Init(44100, 16, 0))
        return sound_failure(ports);
    FSOUND_STREAM* music = sound.FSOUND_Stream_OpenMpeg(MUSIC_FILE_NAME, MUSIC_STREAM_MODE);
    if (!music)
        return sound_failure(ports);

    window.port = &ports.window;
    frameClock.time = &ports.clock;
    graphics.library = &ports.graphics;

    RenderView* view = calls.render_view_create(settings.screenWidth, settings.screenHeight);
    device_setup(*view, settings.fullScreen);
    Scene* scene = calls.build_scene(settings.sceneFileName, view->width, view->height,
                                     calls.prepare_scene_for_device);

    FreeCamera* freeCamera = nullptr;
    if (!scene->camera) {
        freeCamera = free_camera_create();
        scene->camera = &freeCamera->node;
    }
    scene->total = 0.0f;
    input_reset_keys();
    clock_start(TICKS_PER_SECOND);
    frameClock.ticks_done = 0;
    frameClock.ticks_due = 0;

    if (sound.FSOUND_Stream_Play(FSOUND_FREE, music) < 0) {
        clock_stop();
        device_shutdown();
        return sound_failure(ports);
    }

    uint32_t framesDrawn = 0;
    do {
        ports.window.pump_messages(window_proc);
        draw_player_frame(*scene, freeCamera, calls, settings.screenWidth, settings.screenHeight);
        ++framesDrawn;
        if (frameShown)
            frameShown(scene->total);

        // One step per elapsed tick. Compared for inequality, not order, so that the counters
        // stay in step even when they wrap together.
        while (frameClock.ticks_done != frameClock.ticks_due) {
            if (freeCamera)
                free_camera_tick(*freeCamera, input.mouseDx, input.mouseDy);
            else
                scene->total += FRAMES_PER_TICK;
            ++frameClock.ticks_done;
        }

        // The delta is spent (or dropped, when no tick ran); putting the cursor back makes the
        // next move relative to the centre again.
        if (input.mouseDx != 0 || input.mouseDy != 0) {
            ports.window.set_cursor_pos(input.mouseCentreX, input.mouseCentreY);
            input.mouseDx = 0;
            input.mouseDy = 0;
        }
    } while (input.keys[KEY_ESCAPE] == 0 && scene->total < END_FRAME);
    if (stats)
        *stats = {framesDrawn, frameClock.ticks_due * frameClock.tickLength};

    clock_stop();
    device_shutdown();
    sound.FSOUND_Stream_Close(music);
    sound.FSOUND_Close();
    return 1;
}
