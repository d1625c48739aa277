#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/device.h"
#include "app/frame_clock.h"
#include "app/input_state.h"
#include "app/render_choice.h"
#include "tests/support/fake_scene.h"

using fakes::Message;
using fakes::PlayerRig;
using fakes::sceneFake;

namespace {

constexpr int CENTRE_X = 512, CENTRE_Y = 384;  // of the fake's 1024 x 768 desktop

Message escape_down() { return {WM_KEYDOWN, 0, key_lparam(0x01, false, false, false, false)}; }
Message mouse_at(int x, int y) { return {WM_MOUSEMOVE, 0, mouse_lparam(x, y)}; }

// Messages that arrive in the given pass (counted from 0), nothing in the others.
std::function<std::vector<Message>(int)> in_pass(int pass, std::vector<Message> messages)
{
    return [=](int pump) { return pump == pass ? messages : std::vector<Message>{}; };
}

}  // namespace

TEST(Player, StartsUpInOrderAndEndsTheNormalWay)
{
    PlayerRig rig;
    rig.clock.step = 14;  // one tick a pass
    rig.window.pending = in_pass(0, {escape_down()});
    input.keys[0x20] = 5;  // left over: the key table starts clear

    EXPECT_EQ(rig.run(), 1);

    std::vector<std::string> expected = {
        "FSOUND_GetVersion()",
        "FSOUND_SetOutput(2)",
        "FSOUND_SetBufferSize(200)",
        "FSOUND_SetDriver(0)",
        "FSOUND_Init(44100, 16, 0)",
        "FSOUND_Stream_OpenMpeg(sarnoj.mp3, 41)",
        "render_view_create(640, 480)",
        "register_class(d3d test)",
        "create_window(d3d test, 640, 480, 1)",
        "show_cursor(0)",
        "cursor_clip_rect()",
        "set_cursor_pos(512, 384)",
        "show_window()",
        "build_scene(sarnoj1.3ds, 640, 480, prepare, device up)",
        "prepare_scene_for_device",
        "FSOUND_Stream_Play(-1, stream)",
        "FSOUND_Stream_Close(stream)",
        "FSOUND_Close()",
    };
    EXPECT_EQ(fakes::calls, expected);
    EXPECT_EQ(input.keys[0x20], 0);
    EXPECT_FALSE(clock_running());
    EXPECT_FALSE(device_is_up());
    // The device came up before the scene was built and went down at the end.
    const auto& log = rig.graphics.calls;
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log.front(), "D3DXInitialize()");
    EXPECT_EQ(std::vector<std::string>(log.end() - 4, log.end()),
              (std::vector<std::string>{"EndScene()", "Release(d3d)", "Release(device)",
                                        "D3DXUninitialize()"}));
    EXPECT_EQ(rig.passes(), 1);
    EXPECT_EQ(rig.graphics.calls_starting("UpdateFrame").size(), 1u);
}

// Across the ports: the clock stops before the device goes down, and the device is down before
// the music is closed.
TEST(Player, NormalEndStopsTheClockThenTheDeviceThenTheMusic)
{
    auto state = [] {
        return std::string(clock_running() ? "clock on" : "clock off") +
               (device_is_up() ? ", device up" : ", device down");
    };
    struct Sound : fakes::FakeSound {
        std::function<std::string()> state;
        bool FSOUND_Stream_Close(FSOUND_STREAM* stream) override
        {
            fakes::calls.push_back("closing the music: " + state());
            return FakeSound::FSOUND_Stream_Close(stream);
        }
    } sound;
    struct Graphics : testing_gfx::RecordingLibrary {
        std::function<std::string()> state;
        HRESULT D3DXUninitialize() override
        {
            fakes::calls.push_back("taking the device down: " + state());
            return RecordingLibrary::D3DXUninitialize();
        }
    } graphics;
    sound.state = graphics.state = state;
    PlayerRig rig;
    rig.clock.step = 14;
    rig.window.pending = in_pass(1, {escape_down()});

    PlayerPorts ports{rig.window, rig.clock, rig.messageBox, sound, graphics};
    EXPECT_EQ(run_player(ports, fakes::fake_scene_calls()), 1);
    ASSERT_GE(fakes::calls.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(fakes::calls.end() - 4, fakes::calls.end()),
              (std::vector<std::string>{"taking the device down: clock off, device down",
                                        "closing the music: clock off, device down",
                                        "FSOUND_Stream_Close(stream)", "FSOUND_Close()"}));
    EXPECT_EQ(graphics.calls.back(), "D3DXUninitialize()");
}

TEST(Player, MissingMusicShowsTheLibraryMessageBeforeAnyWindow)
{
    PlayerRig rig;
    rig.sound.openError = 9;
    testing::internal::CaptureStderr();
    EXPECT_EQ(rig.run(), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "FMOD Error!: File not found\n");
    ASSERT_EQ(rig.messageBox.shown.size(), 1u);
    EXPECT_EQ(rig.messageBox.shown[0].first, "File not found");
    EXPECT_EQ(rig.messageBox.shown[0].second, "FMOD Error!");
    EXPECT_EQ(PlayerRig::count("register_class"), 0);
    EXPECT_EQ(PlayerRig::count("create_window"), 0);
    EXPECT_EQ(PlayerRig::count("render_view_create"), 0);
    EXPECT_EQ(PlayerRig::count("FSOUND_Stream_Close"), 0);  // the stream is not closed on this path
    EXPECT_EQ(fakes::calls.back(), "FSOUND_Close()");
    EXPECT_TRUE(rig.graphics.calls.empty());
}

TEST(Player, SoundInitialisationFailureStopsBeforeTheStreamIsOpened)
{
    PlayerRig rig;
    rig.sound.initError = 3;
    testing::internal::CaptureStderr();
    EXPECT_EQ(rig.run(), 1);
    testing::internal::GetCapturedStderr();
    ASSERT_EQ(rig.messageBox.shown.size(), 1u);
    EXPECT_EQ(rig.messageBox.shown[0].first, "Error initializing output device.");
    EXPECT_EQ(PlayerRig::count("FSOUND_Stream_OpenMpeg"), 0);
    EXPECT_EQ(fakes::calls.back(), "FSOUND_Close()");
}

TEST(Player, PlayFailureTakesTheGraphicsDownBeforeTheBox)
{
    PlayerRig rig;
    rig.sound.playError = 5;
    bool clockRunningAtBox = true, deviceUpAtBox = true;
    rig.messageBox.onShow = [&] {
        clockRunningAtBox = clock_running();
        deviceUpAtBox = device_is_up();
    };
    testing::internal::CaptureStderr();
    EXPECT_EQ(rig.run(), 1);
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(clockRunningAtBox);
    EXPECT_FALSE(deviceUpAtBox);
    ASSERT_EQ(rig.messageBox.shown.size(), 1u);
    EXPECT_EQ(rig.messageBox.shown[0].first, "Playing the sound failed.");
    EXPECT_EQ(rig.passes(), 0);
    EXPECT_EQ(fakes::calls.back(), "FSOUND_Close()");
}

TEST(Player, WrongLibraryVersionPrintsALineAndStopsAtOnce)
{
    PlayerRig rig;
    rig.sound.version = 3.21f;
    testing::internal::CaptureStdout();
    EXPECT_EQ(rig.run(), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error : You are using the wrong DLL version!  You should be using FMOD 3.20\n");
    EXPECT_EQ(fakes::calls, std::vector<std::string>{"FSOUND_GetVersion()"});
    EXPECT_TRUE(rig.messageBox.shown.empty());
}

TEST(Player, SceneWithACameraRunsToFrame1150)
{
    PlayerRig rig;
    sceneFake.withCamera = true;
    rig.clock.step = 14;  // one tick a pass
    EXPECT_EQ(rig.run(), 1);

    // The first pass shows frame 0; a steady clock moves the frame on by the same step each
    // pass, and the last pass is the first to end at 1150.
    const std::vector<float>& frames = sceneFake.totals;
    ASSERT_GT(rig.passes(), 5000);
    EXPECT_EQ(frames.front(), 0.0f);
    const float step = frames[1] - frames[0];
    EXPECT_GT(step, 0.0f);
    for (size_t pass = 1; pass < frames.size(); ++pass)
        ASSERT_NEAR(frames[pass] - frames[pass - 1], step, 1e-3f) << pass;
    EXPECT_LT(frames.back(), 1150.0f);
    EXPECT_GE(sceneFake.scene->total, 1150.0f);
    EXPECT_NEAR(sceneFake.scene->total - frames.back(), step, 1e-3f);
    EXPECT_TRUE(rig.graphics.calls_starting("DrawDebugText").empty());

    // Every pass drew a frame, and the run lasted as long as the clock moved: 14 ms a pass.
    EXPECT_EQ(rig.stats.frames, uint32_t(rig.passes()));
    EXPECT_EQ(rig.stats.milliseconds, 14u * uint32_t(rig.passes()));
}

TEST(Player, FrameRateAndFrameLogOfARun)
{
    EXPECT_NEAR(frames_per_second({5750, 82000}), 70.12, 0.01);
    EXPECT_EQ(frames_per_second({1, 0}), 0.0);  // too short to time, never a division by zero
    {
        // Ten quick passes 3 ms apart: ten frames, timed in the two whole ticks of 14 ms that
        // went by in the 30 ms, each told as it was shown, after its present.
        PlayerRig rig;
        sceneFake.withCamera = true;
        rig.clock.step = 3;
        rig.window.pending = in_pass(9, {escape_down()});
        std::vector<float> shown;
        std::vector<size_t> presented;  // the frames presented when each was told
        EXPECT_EQ(run_player(rig.ports, fakes::fake_scene_calls(), APP_SETTINGS, &rig.stats,
                             [&](float sceneFrame) {
                                 shown.push_back(sceneFrame);
                                 presented.push_back(
                                     rig.graphics.calls_starting("UpdateFrame").size());
                             }),
                  1);
        EXPECT_EQ(rig.stats.frames, 10u);
        EXPECT_EQ(rig.stats.milliseconds, 28u);
        EXPECT_EQ(shown, sceneFake.totals);
        ASSERT_EQ(presented.size(), 10u);
        for (size_t i = 1; i < presented.size(); ++i)
            EXPECT_EQ(presented[i], presented[i - 1] + 1);
        EXPECT_EQ(presented.back(), rig.graphics.calls_starting("UpdateFrame").size());
    }
    {
        // A clock that stands still: every pass draws frame 0, and the run takes no time.
        PlayerRig rig;
        sceneFake.withCamera = true;
        rig.window.pending = in_pass(9, {escape_down()});
        EXPECT_EQ(rig.run(), 1);
        EXPECT_EQ(rig.stats.frames, 10u);
        EXPECT_EQ(rig.stats.milliseconds, 0u);
        EXPECT_EQ(std::count(sceneFake.totals.begin(), sceneFake.totals.end(), 0.0f), 10);
        EXPECT_EQ(sceneFake.scene->total, 0.0f);
    }

    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    report_frame_rate({5210, 82040}, out);
    log_frame(out, 1718012345000042, 27.399998f);
    std::rewind(out);
    char line[128] = {}, logged[128] = {};
    ASSERT_NE(std::fgets(line, sizeof line, out), nullptr);
    ASSERT_NE(std::fgets(logged, sizeof logged, out), nullptr);
    std::fclose(out);
    EXPECT_STREQ(line, "sarnoj: 5210 frames in 82.0 seconds, 63.5 frames per second\n");
    EXPECT_STREQ(logged, "1718012345.000042 27.4\n");
}

TEST(Player, LongStallEndsTheRunInItsFirstPass)
{
    PlayerRig rig;
    sceneFake.withCamera = true;
    rig.clock.readings = {0, 100000};  // 7142 ticks due at the first present
    EXPECT_EQ(rig.run(), 1);
    EXPECT_EQ(rig.passes(), 1);
    EXPECT_GE(sceneFake.scene->total, 1150.0f);
}

TEST(Player, EscapeOrCloseEndsTheRunAfterThePassItArrivesIn)
{
    for (Message quit : {escape_down(), Message{WM_CLOSE, 0, 0}}) {
        PlayerRig rig;
        sceneFake.withCamera = true;
        rig.clock.step = 14;
        rig.window.pending = in_pass(2, {quit});
        EXPECT_EQ(rig.run(), 1);
        EXPECT_EQ(rig.passes(), 3);
        EXPECT_EQ(rig.graphics.calls_starting("UpdateFrame").size(), 3u);
        EXPECT_FLOAT_EQ(sceneFake.scene->total, 0.6f);  // the pass finished with its tick
    }
}

TEST(Player, EscapeWithAltHeldDoesNotEndTheRun)
{
    PlayerRig rig;
    rig.clock.step = 14;
    rig.window.pending = [](int pump) {
        if (pump == 0)
            return std::vector<Message>{{WM_SYSKEYDOWN, 0, key_lparam(1, false, true, false, false)}};
        if (pump == 3)
            return std::vector<Message>{{WM_CLOSE, 0, 0}};
        return std::vector<Message>{};
    };
    rig.run();
    EXPECT_EQ(rig.passes(), 4);
}

TEST(Player, FreeCameraDriftsAndTurnsWhileTheFrameStandsStill)
{
    PlayerRig rig;
    rig.clock.step = 14;  // one tick a pass
    rig.window.pending = [](int pump) {
        if (pump == 1)
            return std::vector<Message>{mouse_at(CENTRE_X + 100, CENTRE_Y + 80)};
        if (pump == 2)
            return std::vector<Message>{escape_down()};
        return std::vector<Message>{};
    };
    EXPECT_EQ(rig.run(), 1);
    ASSERT_EQ(rig.passes(), 3);
    for (float total : sceneFake.totals)
        EXPECT_EQ(total, 0.0f);

    // "* PAUSED *" in white, 5 pixels from the top-left corner, in every frame.
    auto texts = rig.graphics.calls_starting("DrawDebugText");
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], "DrawDebugText(0.0078125, 0.0104167, 16777215, * PAUSED *)");

    // Pass 1 looks along +z from the origin; pass 2 has drifted one tick forward.
    const auto& seen = sceneFake.cameraAtRender;
    EXPECT_EQ(seen[0], (std::array<float, 6>{0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(seen[1], (std::array<float, 6>{0, 0, 0.2f, 0, 0, 1.2f}));

    // Pass 2's tick moved it on along +z, then turned it: azimuth -= 100 x 0.00125 and
    // polar -= 80 x 0.00125. Pass 3 aims along the new direction.
    float polar = -0.1f, azimuth = -0.125f;
    float d[3] = {std::sin(polar) * std::cos(azimuth), std::sin(polar) * std::sin(azimuth),
                  std::cos(polar)};
    for (int i = 0; i < 3; ++i) {
        float position = i == 2 ? 0.4f : 0.0f;
        EXPECT_NEAR(seen[2][i], position, 1e-6f);
        EXPECT_NEAR(seen[2][3 + i], position + d[i], 1e-6f);
    }
    // Pass 3's tick drifts along the turned direction.
    auto* camera = static_cast<Camera*>(sceneFake.scene->camera->data);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(camera->position[i], (i == 2 ? 0.4f : 0.0f) + 0.2f * d[i], 1e-6f);
    EXPECT_EQ(camera->kind, KIND_CAMERA);
    EXPECT_EQ(camera->fov, 63.0f);
    EXPECT_EQ(sceneFake.scene->camera->type, NODE_CAMERA);
    EXPECT_EQ(sceneFake.scene->camera->next, nullptr);
    // The cursor went back to the centre once, after the move.
    EXPECT_EQ(rig.window.cursorMoves.size(), 2u);  // window creation, then the re-centring
    EXPECT_EQ(rig.window.cursorMoves.back(), std::make_pair(CENTRE_X, CENTRE_Y));
}

TEST(Player, StallRunsEveryTickStepWithTheSameMouseDelta)
{
    PlayerRig rig;
    rig.clock.step = 42;  // three ticks a pass
    rig.window.pending = [](int pump) {
        if (pump == 0)
            return std::vector<Message>{mouse_at(CENTRE_X, CENTRE_Y + 8)};
        if (pump == 1)
            return std::vector<Message>{escape_down()};
        return std::vector<Message>{};
    };
    rig.run();
    ASSERT_EQ(rig.passes(), 2);
    const auto& seen = sceneFake.cameraAtRender;
    // Three steps along the unchanged direction (0, 0, 1), then three turns of 8 x 0.00125.
    float polar = -3 * 0.01f;
    EXPECT_NEAR(seen[1][2], 0.6f, 1e-6f);
    EXPECT_NEAR(seen[1][3], std::sin(polar), 1e-6f);
    EXPECT_NEAR(seen[1][5], 0.6f + std::cos(polar), 1e-6f);
}

TEST(Player, MouseMovementInAPassWithoutATickIsDropped)
{
    PlayerRig rig;
    rig.clock.readings = {0, 0, 14, 28};  // no tick in the first pass, one in each after
    rig.window.pending = [](int pump) {
        if (pump == 0)
            return std::vector<Message>{mouse_at(CENTRE_X + 50, CENTRE_Y + 40)};
        if (pump == 2)
            return std::vector<Message>{escape_down()};
        return std::vector<Message>{};
    };
    rig.run();
    ASSERT_EQ(rig.passes(), 3);
    EXPECT_EQ(rig.window.cursorMoves.size(), 2u);  // re-centred even without a tick
    EXPECT_EQ(input.mouseDx, 0);
    EXPECT_EQ(input.mouseDy, 0);
    // Still looking straight along +z, one tick further on.
    EXPECT_EQ(sceneFake.cameraAtRender[2], (std::array<float, 6>{0, 0, 0.2f, 0, 0, 1.2f}));
}

TEST(Player, MouseMoveToTheCentreNeedsNoRecentring)
{
    PlayerRig rig;
    rig.clock.step = 14;
    rig.window.pending = in_pass(0, {mouse_at(CENTRE_X, CENTRE_Y), escape_down()});
    rig.run();
    EXPECT_EQ(rig.window.cursorMoves.size(), 1u);  // window creation only
}

namespace {

struct TargetChoice {
    RenderTarget target;
    std::string warnings;
};

// The target the player would draw on with the two variables set (null: unset) and the memory
// there is (null: unknown).
TargetChoice target_with(const char* size, const char* samples,
                         std::optional<uint64_t> available = std::nullopt, bool gpu = false)
{
    const auto set = [](const char* name, const char* value) {
        value ? setenv(name, value, 1) : unsetenv(name);
    };
    set(RENDER_SIZE_VARIABLE, size);
    set(RENDER_SAMPLES_VARIABLE, samples);
    std::FILE* warnings = std::tmpfile();
    TargetChoice choice{render_target_from_environment(warnings, available, gpu), {}};
    std::rewind(warnings);
    for (int c; (c = std::fgetc(warnings)) != EOF;)
        choice.warnings += char(c);
    std::fclose(warnings);
    unsetenv(RENDER_SIZE_VARIABLE);
    unsetenv(RENDER_SAMPLES_VARIABLE);
    return choice;
}

}  // namespace

TEST(Player, RenderTargetComesFromTheEnvironmentAndBadValuesKeepTheirDefault)
{
    const auto same = [](const RenderTarget& a, const RenderTarget& b) {
        return a.width == b.width && a.height == b.height && a.native == b.native &&
               a.samples == b.samples;
    };
    TargetChoice unset = target_with(nullptr, nullptr);
    EXPECT_TRUE(same(unset.target, RenderTarget{}));
    EXPECT_EQ(unset.warnings, "");

    TargetChoice native = target_with("native", "4");
    EXPECT_TRUE(same(native.target, RenderTarget{0, 0, true, 4}));
    EXPECT_EQ(native.warnings, "");
    TargetChoice sized = target_with("1920x1440", "8");
    EXPECT_TRUE(same(sized.target, RenderTarget{1920, 1440, false, 8}));
    EXPECT_EQ(sized.warnings, "");

    // A bad value: one line naming the variable and the value; the other setting still counts.
    TargetChoice badSize = target_with("0x480", "4");
    EXPECT_TRUE(same(badSize.target, RenderTarget{0, 0, false, 4}));
    EXPECT_NE(badSize.warnings.find("SARNOJ_RENDER_SIZE"), std::string::npos) << badSize.warnings;
    EXPECT_NE(badSize.warnings.find("\"0x480\""), std::string::npos) << badSize.warnings;
    EXPECT_EQ(std::count(badSize.warnings.begin(), badSize.warnings.end(), '\n'), 1);

    TargetChoice badSamples = target_with("800x600", "2");
    EXPECT_TRUE(same(badSamples.target, RenderTarget{800, 600, false, 1}));
    EXPECT_NE(badSamples.warnings.find("SARNOJ_RENDER_SAMPLES"), std::string::npos);
    EXPECT_NE(badSamples.warnings.find("\"2\""), std::string::npos) << badSamples.warnings;

    TargetChoice bothBad = target_with("huge", "");
    EXPECT_TRUE(same(bothBad.target, RenderTarget{}));
    EXPECT_EQ(std::count(bothBad.warnings.begin(), bothBad.warnings.end(), '\n'), 2)
        << bothBad.warnings;

    // More than the memory there is: one line, and both settings keep their defaults. 4096 x 3072
    // with 8 samples takes 816 MB; native sizes wait for the device.
    const uint64_t megabyte = 1 << 20;
    TargetChoice tooLarge = target_with("4096x3072", "8", 512 * megabyte);
    EXPECT_TRUE(same(tooLarge.target, RenderTarget{}));
    EXPECT_NE(tooLarge.warnings.find("needs 816 MB, more than the 512 MB"), std::string::npos)
        << tooLarge.warnings;
    EXPECT_EQ(std::count(tooLarge.warnings.begin(), tooLarge.warnings.end(), '\n'), 1);
    EXPECT_TRUE(same(target_with("4096x3072", "8", 816 * megabyte).target,
                     RenderTarget{4096, 3072, false, 8}));
    EXPECT_TRUE(same(target_with("native", "8", megabyte).target, RenderTarget{0, 0, true, 8}));

    // On a graphics processor the defaults are native with 4 samples; what is set still decides.
    const RenderTarget gpuDefault{0, 0, true, 4};
    EXPECT_TRUE(same(target_with(nullptr, nullptr, std::nullopt, true).target, gpuDefault));
    EXPECT_TRUE(same(target_with("1920x1440", nullptr, std::nullopt, true).target,
                     RenderTarget{1920, 1440, false, 4}));
    EXPECT_TRUE(same(target_with("0x480", "1", std::nullopt, true).target,
                     RenderTarget{0, 0, true, 1}));
    EXPECT_TRUE(same(target_with("4096x3072", "8", 512 * megabyte, true).target, gpuDefault));
}

TEST(Player, RenderDeviceComesFromTheEnvironment)
{
    const auto device_with = [](const char* value, std::string& warnings) {
        value ? setenv(RENDER_DEVICE_VARIABLE, value, 1) : unsetenv(RENDER_DEVICE_VARIABLE);
        std::FILE* file = std::tmpfile();
        const std::optional<RenderDevice> device = render_device_from_environment(file);
        std::rewind(file);
        warnings.clear();
        for (int c; (c = std::fgetc(file)) != EOF;)
            warnings += char(c);
        std::fclose(file);
        unsetenv(RENDER_DEVICE_VARIABLE);
        return device;
    };
    std::string warnings;
    EXPECT_EQ(device_with(nullptr, warnings), std::nullopt);
    EXPECT_EQ(device_with("gl", warnings), RenderDevice::gl);
    EXPECT_EQ(device_with("software", warnings), RenderDevice::software);
    EXPECT_EQ(warnings, "");
    EXPECT_EQ(device_with("GL", warnings), std::nullopt);
    EXPECT_NE(warnings.find("SARNOJ_RENDER_DEVICE"), std::string::npos) << warnings;
    EXPECT_NE(warnings.find("\"GL\""), std::string::npos) << warnings;
}
