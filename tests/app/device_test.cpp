#include <gtest/gtest.h>

#include "app/device.h"
#include "app/driver_state.h"
#include "app/frame_clock.h"
#include "app/input_state.h"
#include "app/window.h"
#include "core/fatal_error.h"
#include "gfxcontext/graphics.h"
#include "tests/support/fake_scene.h"
#include "tests/support/fatal_stop.h"

namespace {

// The box a fatal stop showed: "caption|message".
std::string box_of(const FatalStop& stop)
{
    return stop.caption + "|" + stop.message;
}

class DeviceTest : public testing::Test {
protected:
    void SetUp() override
    {
        fakes::reset_player_globals();
        window.port = &port;
        graphics.library = &library;
        frameClock.time = &clock;
        view.width = 640;
        view.height = 480;
    }
    void TearDown() override
    {
        if (device_is_up())
            device_shutdown();
        driver_reset_state();
    }

    fakes::FakeWindow port;
    fakes::FakeClock clock;
    testing_gfx::RecordingLibrary library;
    RenderView view{};
};

const std::vector<std::string> initialStates = {
    "GetD3DDevice()",
    "GetD3D()",
    "SetRenderState(26, 1)",  // dither
    "SetRenderState(7, 1)",   // z buffer
    "SetRenderState(136, 1)", // clipping
    "SetRenderState(137, 0)", // no lighting
    "SetRenderState(22, 1)",  // no culling
    "SetRenderState(20, 6)",  // destination blend: inverse source alpha
    "SetRenderState(19, 5)",  // source blend: source alpha
    "SetTextureStageState(0, 16, 2)",
    "SetTextureStageState(0, 17, 2)",
    "SetTextureStageState(0, 18, 3)",
    "BeginScene()",
};

std::vector<std::string> with_initial_states(std::vector<std::string> head)
{
    head.insert(head.end(), initialStates.begin(), initialStates.end());
    return head;
}

}  // namespace

TEST_F(DeviceTest, SetupCreatesTheWindowThenTheContextAndOpensAScene)
{
    input.leftButton = input.middleButton = input.rightButton = 2;
    device_setup(view, true);
    EXPECT_EQ(fakes::PlayerRig::count("create_window(d3d test, 640, 480, 1)"), 1);
    EXPECT_EQ(library.calls,
              with_initial_states({"D3DXInitialize()",
                                   "D3DXCreateContext(4294967291, 1, 4294967295, 4294967295)"}));
    EXPECT_EQ(input.leftButton + input.middleButton + input.rightButton, 0);
    EXPECT_TRUE(device_is_up());
    EXPECT_NE(graphics.device, nullptr);
    EXPECT_NE(graphics.d3d, nullptr);
}

TEST_F(DeviceTest, WindowedContextAsksForNoFullScreen)
{
    device_setup(view, false);
    EXPECT_EQ(library.calls_starting("D3DXCreateContext"),
              std::vector<std::string>{"D3DXCreateContext(4294967291, 0, 4294967295, 4294967295)"});
}

TEST_F(DeviceTest, SelectorsAreTriedInOrderUntilOneWorks)
{
    library.acceptAll = false;
    library.firstAcceptedSelector = 2;  // the third enumerated device
    device_setup(view, true);
    std::vector<std::string> tried;
    for (uint32_t selector : {0xFFFFFFFBu, 0xFFFFFFFCu, 0xFFFFFFFDu, 0xFFFFFFFEu, 0xFFFFFFFFu, 0u,
                              1u, 2u})
        tried.push_back("D3DXCreateContext(" + std::to_string(selector) +
                        ", 1, 4294967295, 4294967295)");
    EXPECT_EQ(library.calls_starting("D3DXCreateContext"), tried);
    EXPECT_EQ(library.calls_starting("BeginScene").size(), 1u);
}

TEST_F(DeviceTest, SetupGivesUpWhenNoSelectorYieldsAContext)
{
    library.refuseAll = true;
    CatchFatal catchFatal;
    try {
        device_setup(view, true);
        FAIL() << "device_setup returned without a device";
    } catch (const FatalStop& stop) {
        EXPECT_EQ(box_of(stop), "Error!|No graphics device could be created!");
    }
    // The five hardware levels and the enumerated devices 0 to 15, then nothing more.
    auto tried = library.calls_starting("D3DXCreateContext");
    ASSERT_EQ(tried.size(), 5u + DEVICE_INDICES_TRIED);
    EXPECT_EQ(tried.back(), "D3DXCreateContext(15, 1, 4294967295, 4294967295)");
    EXPECT_FALSE(device_is_up());
    EXPECT_TRUE(library.calls_starting("EndScene").empty());
}

TEST_F(DeviceTest, SetupGivesUpWithItsMessageAndExitCodeOne)
{
    library.refuseAll = true;
    EXPECT_EXIT(device_setup(view, true), testing::ExitedWithCode(1),
                "Error!: No graphics device could be created!");
}

TEST_F(DeviceTest, PresentEndsShowsClearsAndBeginsAndCountsTicks)
{
    device_setup(view, true);
    library.clear();
    present_frame();  // clock stopped: nothing counted
    clock.now = 0;
    clock.step = 42;
    clock_start(70);
    present_frame();
    present_frame();
    EXPECT_EQ(frameClock.ticks_due, 6u);
    EXPECT_EQ(library.calls,
              (std::vector<std::string>{"EndScene()", "UpdateFrame(0)", "Clear(3)", "BeginScene()",
                                        "EndScene()", "UpdateFrame(0)", "Clear(3)", "BeginScene()",
                                        "EndScene()", "UpdateFrame(0)", "Clear(3)",
                                        "BeginScene()"}));
}

TEST_F(DeviceTest, ShutdownRightAfterSetupEndsTheSceneAndReleases)
{
    device_setup(view, true);
    library.clear();
    device_shutdown();
    EXPECT_EQ(library.calls, (std::vector<std::string>{"EndScene()", "Release(d3d)",
                                                       "Release(device)", "D3DXUninitialize()"}));
    EXPECT_FALSE(device_is_up());
    // Down stays down: a second shutdown does nothing.
    library.clear();
    device_shutdown();
    EXPECT_TRUE(library.calls.empty());
}

TEST_F(DeviceTest, FatalErrorShutsTheDeviceDownOnlyWhileItIsUp)
{
    CatchFatal catchFatal;
    device_setup(view, true);
    library.clear();
    try {
        fatal_error("Could not find 3DS-file!");
    } catch (const FatalStop& stop) {
        EXPECT_EQ(box_of(stop), "Error!|Could not find 3DS-file!");
    }
    EXPECT_EQ(library.calls, (std::vector<std::string>{"EndScene()", "Release(d3d)",
                                                       "Release(device)", "D3DXUninitialize()"}));

    // After a normal shutdown a fatal error finds no device to shut down.
    device_setup(view, true);
    device_shutdown();
    library.clear();
    EXPECT_THROW(fatal_error("Not enough memory!"), FatalStop);
    EXPECT_TRUE(library.calls.empty());
}

TEST_F(DeviceTest, FatalErrorBeforeTheDeviceExistsStillShowsTheBox)
{
    port.refuseWindow = true;
    {
        CatchFatal catchFatal;
        try {
            device_setup(view, true);
            FAIL() << "device_setup returned without a window";
        } catch (const FatalStop& stop) {
            EXPECT_EQ(box_of(stop), "Error!|Window creation failed!");
        }
        EXPECT_TRUE(library.calls.empty());
    }
    EXPECT_EXIT(device_setup(view, true), testing::ExitedWithCode(1),
                "Error!: Window creation failed!");
}

TEST_F(DeviceTest, DriverResetForgetsADeviceLeftUp)
{
    // A run that stopped with the device up, as a fatal stop in a test leaves it.
    device_setup(view, true);
    driver_reset_state();
    EXPECT_FALSE(device_is_up());
    EXPECT_EQ(set_fatal_hooks({}).shutdownDevice, nullptr);
    EXPECT_EQ(graphics.device, nullptr);
    EXPECT_EQ(window.handle, nullptr);
}
