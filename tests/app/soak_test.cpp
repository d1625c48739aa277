// The soak run: the player's main loop over the real loader, scene update and renderer, from the
// first frame to scene frame 1150, headless (fake window, sound and message box, a clock that
// moves one scene frame a pass) through the null device and through the software device. After
// the first frame the heap may grow only while the buffers kept from frame to frame reach their
// size: within a bound, and seldom. In the sanitizer build ctest runs these with leak detection
// on: nothing may be left at exit but what the player keeps to the end.

#include <gtest/gtest.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "anim/scene_update.h"
#include "app/player.h"
#include "gfxcontext/null_context.h"
#include "gfxcontext/offscreen_presenter.h"
#include "softdevice/software_context.h"
#include "loader/scene_build.h"
#include "render/draw_list.h"
#include "render/render_view.h"
#include "render/renderer.h"
#include "render/renderer_state.h"
#include "tests/app/soak_scene.h"
#include "tests/support/fake_platform.h"
#include "tests/support/fake_scene.h"
#include "tests/support/scratch_dir.h"

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's count of the bytes its heap has handed out and not yet taken back.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

size_t heap_in_use()
{
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

// Reserved before the run, so that measuring allocates nothing.
constexpr size_t max_passes = 4096;
std::vector<size_t> heapAfterPass;

// The player keeps its render view and its scene to the end of the process; held here so that a
// leak checker sees them as the player's lifetime has them, still reachable (one a run).
Scene* keptScenes[4];
int keptCount = 0;
Scene* keptScene = nullptr;

RenderView* keptViews[4];
int keptViewCount = 0;

RenderView* create_view_and_keep(int width, int height)
{
    RenderView* view = render_view_create(width, height);
    if (keptViewCount < 4)
        keptViews[keptViewCount++] = view;
    return view;
}

Scene* build_and_keep(const char* fileName, int width, int height, PrepareScene prepare)
{
    keptScene = build_scene(fileName, width, height, prepare);
    if (keptCount < 4)
        keptScenes[keptCount++] = keptScene;
    return keptScene;
}

// After the first frame the heap may still grow while the buffers that are kept from frame to
// frame reach the most one frame needs: the draw list's spare entries (blocks of 1024, never
// more entries than the scene has faces, each block with the C heap's header) and the software
// device's two command queues (bounded by the commands it keeps before it draws; how full they
// get depends on how fast its workers draw, a few hundred bytes a triangle). Anything a frame
// leaked would grow with the frames instead.
constexpr size_t entry_block = 1024 * sizeof(DrawEntry) + 16;
constexpr size_t device_queue_allowance = 16 << 20;

int scene_face_count(const Scene& scene)
{
    int faces = 0;
    for (const SceneNode* node = scene.nodes; node; node = node->next)
        if (node->type == NODE_MESH)
            faces += static_cast<const Mesh*>(node->data)->faceCount;
    return faces;
}

void render_and_measure(Scene& scene)
{
    render_scene(scene);
    if (heapAfterPass.size() < max_passes)
        heapAfterPass.push_back(heap_in_use());
}

constexpr SceneCalls soak_calls = {
    create_view_and_keep, build_and_keep,    prepare_scene_for_device, update_scene,
    update_world,         upload_projection, render_and_measure,
};

// Runs the player in a directory holding the soak scene; the exit code.
int run_soak(gfx::ContextLibrary& library)
{
    testing_support::ScratchDir dir("soak");
    EXPECT_TRUE(write_soak_scene(dir.path));
    testing_support::InDirectory inside(dir.path);

    fakes::reset_player_globals();
    // The renderer's record as at program start: a run before this one left them to its device.
    renderer = Renderer{};
    heapAfterPass.clear();
    heapAfterPass.reserve(max_passes);
    fakes::FakeWindow window;
    fakes::FakeClock clock;
    clock.step = 70;  // five ticks of 14 ms between readings: one scene frame a pass
    fakes::FakeMessageBox messageBox;
    fakes::FakeSound sound;
    PlayerPorts ports{window, clock, messageBox, sound, library};
    return run_player(ports, soak_calls);
}

void expect_flat_heap(const char* device)
{
    SCOPED_TRACE(device);
    ASSERT_NE(keptScene, nullptr);
    EXPECT_GE(keptScene->total, 1150.0f);
    // One pass a scene frame, give or take the first reading of the clock.
    ASSERT_GE(heapAfterPass.size(), 1100u);
    size_t first = heapAfterPass[0], last = heapAfterPass.back();
    size_t faces = size_t(scene_face_count(*keptScene));
    size_t allowance = (faces + 1023) / 1024 * entry_block + device_queue_allowance;
    std::printf("%s: %zu passes; heap after the first frame %zu bytes, after the last %zu "
                "(allowance %zu for %zu faces)\n",
                device, heapAfterPass.size(), first, last, allowance, faces);
    EXPECT_LE(*std::max_element(heapAfterPass.begin(), heapAfterPass.end()), first + allowance);
    // A buffer kept between frames may reach a new size now and then; a leak grows the heap every
    // frame or every few. Over the second half of the run the heap may
    // grow in one pass of twenty at most.
    int growths = 0;
    for (size_t pass = heapAfterPass.size() / 2 + 1; pass < heapAfterPass.size(); ++pass)
        growths += heapAfterPass[pass] > heapAfterPass[pass - 1];
    std::printf("%s: the heap grew in %d of the last %zu passes\n", device, growths,
                heapAfterPass.size() / 2);
    EXPECT_LE(size_t(growths), heapAfterPass.size() / 2 / 20);
}

}  // namespace

// In the sanitizer build these run once, from the ctest entries that turn leak detection on
// (tests/CMakeLists.txt).
TEST(Soak, FullRunThroughTheNullDeviceKeepsTheHeapFlat)
{
    auto library = make_null_context_library();
    EXPECT_EQ(run_soak(*library), 1);
    expect_flat_heap("null device");
}

TEST(Soak, FullRunThroughTheSoftwareDeviceKeepsTheHeapFlat)
{
    OffscreenPresenter presenter;
    auto library = make_software_context_library(&presenter);
    EXPECT_EQ(run_soak(*library), 1);
    EXPECT_GE(presenter.framesPresented, 1100);
    expect_flat_heap("software device");
}
