#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <memory>

#include "app/device.h"
#include "app/device_library.h"
#include "app/driver_state.h"
#include "app/frame_clock.h"
#include "app/input_state.h"
#include "app/window.h"
#include "core/fatal_error.h"
#include "gfxcontext/graphics.h"
#include "gldevice/egl_session.h"
#include "tests/support/fake_scene.h"
#include "tests/support/fatal_stop.h"
#include "tests/support/recording_context.h"

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

// The player's library over two recording libraries, one standing for the software device and
// one for the GL device a GL maker hands out: a context made with the renderer named, or none
// (renderer null). The fixture's device set-up draws through it.
struct DeviceChoice {
    DeviceChoice(std::optional<RenderDevice> forced, const char* renderer)
        : warnings(std::tmpfile())
    {
        auto softwareLibrary = std::make_unique<testing_gfx::RecordingLibrary>();
        software = softwareLibrary.get();
        GlMaker maker = [this, renderer](void* window) {
            ++glTries;
            glWindow = window;
            GlAttempt attempt;
            if (!renderer) {
                attempt.failure = "no EGL display could be opened";
                return attempt;
            }
            auto made = std::make_unique<testing_gfx::RecordingLibrary>();
            made->refuseAll = glRefuses;
            gl = made.get();
            attempt.library = std::move(made);
            attempt.renderer = renderer;
            return attempt;
        };
        library = make_player_library(forced, maker, std::move(softwareLibrary), warnings,
                                      &glRenderer);
        graphics.library = library.get();
    }
    // The device goes down before the libraries it came from.
    ~DeviceChoice()
    {
        if (device_is_up())
            device_shutdown();
        graphics.library = nullptr;
        std::fclose(warnings);
    }

    std::string warned()
    {
        std::string text;
        std::rewind(warnings);
        for (int c; (c = std::fgetc(warnings)) != EOF;)
            text += char(c);
        return text;
    }
    // Which recording library made the context drawn with, and whether the other made none.
    bool drawn_by_gl() const
    {
        return gl && !gl->calls_starting("GetD3DDevice").empty() &&
               software->calls_starting("D3DXCreateContext").empty();
    }
    bool drawn_by_software() const
    {
        return !software->calls_starting("GetD3DDevice").empty();
    }

    std::FILE* warnings;
    testing_gfx::RecordingLibrary* software = nullptr;
    testing_gfx::RecordingLibrary* gl = nullptr;   // valid while the choice keeps it
    bool glRefuses = false;
    std::string glRenderer;   // as the player reports it
    int glTries = 0;
    void* glWindow = nullptr;
    std::unique_ptr<gfx::ContextLibrary> library;
};

constexpr const char* GPU = "AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6, DRM 3.49)";
constexpr const char* LLVMPIPE = "llvmpipe (LLVM 15.0.6, 256 bits)";

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

TEST_F(DeviceTest, HardwareLevelsTakeTheGlDeviceOfAGraphicsProcessor)
{
    DeviceChoice choice(std::nullopt, GPU);
    device_setup(view, false);
    EXPECT_TRUE(choice.drawn_by_gl());
    EXPECT_EQ(choice.glTries, 1);
    EXPECT_EQ(choice.glWindow, port.handle());
    EXPECT_EQ(choice.gl->calls_starting("D3DXCreateContext"),
              std::vector<std::string>{"D3DXCreateContext(4294967291, 0, 4294967295, 4294967295)"});
    // Textures belong to the device drawing.
    gfx::Texture* texture = nullptr;
    EXPECT_EQ(graphics.library->D3DXCreateTexture(graphics.device, 0, 8, 8, D3DX_SF_A8R8G8B8,
                                                  &texture),
              D3D_OK);
    EXPECT_EQ(choice.gl->calls_starting("D3DXCreateTexture").size(), 1u);
    EXPECT_TRUE(choice.software->calls_starting("D3DXCreateTexture").empty());
    EXPECT_EQ(choice.warned(), "");
}

TEST_F(DeviceTest, WithoutAGraphicsProcessorTheSoftwareDeviceDraws)
{
    // A GL driver rasterising on the processor, no GL at all, and a GL device that makes no
    // context: the software device takes the first selector (quietly but for the last).
    for (const char* renderer :
         std::initializer_list<const char*>{LLVMPIPE, "softpipe", "Mesa X11 swrast", nullptr, GPU}) {
        DeviceChoice choice(std::nullopt, renderer);
        choice.glRefuses = renderer == GPU;
        device_setup(view, false);
        EXPECT_TRUE(choice.drawn_by_software()) << (renderer ? renderer : "no GL");
        EXPECT_EQ(choice.software->calls_starting("D3DXCreateContext"),
                  std::vector<std::string>{
                      "D3DXCreateContext(4294967291, 0, 4294967295, 4294967295)"});
        EXPECT_EQ(choice.glTries, 1);
        EXPECT_EQ(choice.glRenderer, "");
        // A GL device that makes no context (out of graphics memory) says so in one line.
        const std::string said = choice.warned();
        if (renderer == GPU)
            EXPECT_NE(said.find("could not make its render buffers"), std::string::npos) << said;
        else
            EXPECT_EQ(said, "");
    }
}

TEST_F(DeviceTest, TheEnvironmentForcesEitherDevice)
{
    {
        DeviceChoice choice(RenderDevice::gl, LLVMPIPE);
        device_setup(view, false);
        EXPECT_TRUE(choice.drawn_by_gl());
        EXPECT_EQ(choice.glRenderer, LLVMPIPE);
    }
    {
        DeviceChoice choice(RenderDevice::software, GPU);
        device_setup(view, false);
        EXPECT_TRUE(choice.drawn_by_software());
        EXPECT_EQ(choice.glTries, 0);
        EXPECT_EQ(choice.glRenderer, "");
    }
    // GL asked for where none can be made: the software device, after one line saying why.
    DeviceChoice choice(RenderDevice::gl, nullptr);
    device_setup(view, false);
    EXPECT_TRUE(choice.drawn_by_software());
    const std::string said = choice.warned();
    EXPECT_NE(said.find("no EGL display could be opened"), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
}

TEST_F(DeviceTest, SoftwareRasterisersAreToldByTheirRendererNames)
{
    // As the drivers name themselves.
    for (const char* name :
         {LLVMPIPE, "llvmpipe (LLVM 15.0.6, 256 bits)", "softpipe", "Mesa X11 swrast",
          "Software Rasterizer", "D3D12 (Microsoft Basic Render Driver)", "SWR",
          "ANGLE (Google, Vulkan 1.3.0 (SwiftShader Device (Subzero) (0x0000C0DE)), "
          "SwiftShader driver)"})
        EXPECT_TRUE(is_software_renderer(name)) << name;
    for (const char* name : {GPU, "NVIDIA GeForce RTX 3060/PCIe/SSE2",
                             "Mesa Intel(R) UHD Graphics 620 (KBL GT2)", "virgl",
                             "D3D12 (NVIDIA GeForce RTX 3060)", "Apple M2", ""})
        EXPECT_FALSE(is_software_renderer(name)) << name;
}
