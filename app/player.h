#pragma once
// The program driver: start-up, the main loop and the end, over the platform's ports and the
// scene's operations, so that the real program and the tests run the very same sequence.

#include <cstdint>
#include <cstdio>
#include <functional>

#include "app/clock_port.h"
#include "app/message_box_port.h"
#include "app/sound_port.h"
#include "app/window_port.h"
#include "gfxcontext/context.h"
#include "loader/scene_build.h"
#include "render/render_view.h"

struct PlayerPorts {
    WindowPort& window;
    ClockPort& clock;
    MessageBoxPort& messageBox;
    SoundLibrary& sound;
    gfx::ContextLibrary& graphics;
};

// The operations of loading, animation and drawing the driver calls.
struct SceneCalls {
    RenderView* (*render_view_create)(int width, int height);
    Scene* (*build_scene)(const char* fileName, int width, int height, PrepareScene prepare);
    PrepareScene prepare_scene_for_device;
    void (*update_scene)(Scene& scene);
    void (*update_world)(Scene& scene);
    void (*upload_projection)(Scene& scene);
    void (*render_scene)(Scene& scene);
};

// Built-in settings of the run.
struct AppSettings {
    const char* sceneFileName;
    int screenWidth, screenHeight;
    bool fullScreen;
};
constexpr AppSettings APP_SETTINGS = {"sarnoj1.3ds", 640, 480, true};
constexpr const char* MUSIC_FILE_NAME = "sarnoj.mp3";
constexpr int TICKS_PER_SECOND = 70;
constexpr float FRAMES_PER_TICK = 0.2f;  // scene frames each tick of the clock moves on
constexpr float END_FRAME = 1150.0f;

struct FreeCamera;

// One drawn frame of the main loop: the scene animated to scene.total, the free camera (when the
// scene has no camera of its own) aimed, the frame drawn with "* PAUSED *" in the corner while the
// free camera flies, then presented. The headless player draws through it too, so captures and
// golden frames come from the very calls of the player.
void draw_player_frame(Scene& scene, FreeCamera* freeCamera, const SceneCalls& calls,
                       int screenWidth, int screenHeight);

// What the main loop did: the frames it drew, and the time they took as the tick clock counts it
// (the ticks elapsed from the start of the first frame to the end of the last, in milliseconds).
struct RunStats {
    uint32_t frames;
    uint32_t milliseconds;
};

// Frames per second of a run; 0 for a run too short to time.
double frames_per_second(const RunStats& stats);
// Set (to anything) in the environment, the player reports its run's frame rate at the end.
constexpr const char* FRAME_RATE_VARIABLE = "SARNOJ_FRAME_RATE";
// "sarnoj: 5210 frames in 82.0 seconds, 63.5 frames per second"
void report_frame_rate(const RunStats& stats, std::FILE* out);

// Told of each frame the main loop has presented, with the scene frame it was drawn at.
using FrameShown = std::function<void(float sceneFrame)>;
// Set to a file name in the environment, the player writes there a line for every frame it shows.
constexpr const char* FRAME_LOG_VARIABLE = "SARNOJ_FRAME_LOG";
// The time the frame was presented, in microseconds since 1970 (the system's real-time clock),
// and its scene frame: "1718012345.123456 27.4".
void log_frame(std::FILE* out, int64_t unixMicroseconds, float sceneFrame);

// Runs the whole program and returns its exit code: 1 after a normal end and on every failure
// the sound library reports. Other failures stop the process through fatal_error. `stats`, when
// given, receives what the main loop did (left alone when it never ran); `frameShown`, when set,
// is called after each frame's present.
int run_player(PlayerPorts& ports, const SceneCalls& calls,
               const AppSettings& settings = APP_SETTINGS, RunStats* stats = nullptr,
               const FrameShown& frameShown = {});
