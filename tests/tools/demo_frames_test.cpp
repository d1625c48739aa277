// The production prepared for the device as the player prepares it: every face drawer the
// player has is in use, and the camera finds something to show all the way through. The capture
// tool draws it from the scene file or from its directory alike.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/headless_player.h"
#include "render/face_drawers.h"
#include "tests/tools/demo_files.h"

using namespace demo_test;

namespace {

// Loads the production from its directory into the software device.
class DemoFrames : public testing::Test {
protected:
    testing_support::InDirectory inside{demo_dir()};
    std::unique_ptr<HeadlessPlayer> player = std::make_unique<HeadlessPlayer>("sarnoj1.3ds");
};

}  // namespace

TEST_F(DemoFrames, EveryDrawerOfALitSceneIsUsed)
{
    const std::map<FaceDrawer, std::string> names = {
        {draw_face_lines, "lines"},
        {draw_face_flat, "flat"},
        {draw_face_gouraud, "gouraud"},
        {draw_face_textured, "textured"},
        {draw_face_textured_flat, "textured flat"},
        {draw_face_textured_gouraud, "textured gouraud"},
        {draw_face_blend, "blend"},
        {draw_face_blend_flat, "blend flat"},
        {draw_face_blend_gouraud, "blend gouraud"},
        {draw_face_none, "none"},
    };
    std::map<std::string, int> used;
    Scene& scene = player->scene();
    for (SceneNode* node = scene.nodes; node; node = node->next) {
        if (node->type != NODE_MESH)
            continue;
        Mesh& mesh = *static_cast<Mesh*>(node->data);
        for (int f = 0; f < mesh.faceCount; ++f) {
            auto found = names.find(mesh.faces[f].drawer);
            ASSERT_NE(found, names.end()) << mesh.name << " face " << f;
            ++used[found->second];
        }
    }
    // The scene has omni lights, so the plain textured drawer (for scenes without any) is the
    // one the production cannot use.
    ASSERT_GT(scene.omniCount, 0);
    for (const auto& [drawer, name] : names) {
        if (drawer != draw_face_textured) {
            EXPECT_GT(used[name], 0) << name;
        }
    }
}

TEST_F(DemoFrames, TheCameraShowsSomethingThroughoutTheRun)
{
    for (int frame = 0; frame <= 1150; frame += 25) {
        player->render(float(frame));
        const OffscreenPresenter& shown = player->presenter();
        long lit = 0;
        for (uint32_t pixel : shown.frame)
            lit += ((pixel >> 16 & 0xFF) + (pixel >> 8 & 0xFF) + (pixel & 0xFF)) > 60;
        // At least a tenth of the picture shows the scene, but for the fade-out at the very end.
        if (frame < 1140) {
            EXPECT_GT(lit, long(shown.frame.size() / 10)) << "frame " << frame;
        }
    }
}

#ifdef CAPTURE_PATH
TEST_F(DemoFrames, CaptureTakesTheSceneFileOrItsDirectory)
{
    // Run from elsewhere: the textures are found beside the scene, not in the working directory.
    ScratchDir out("capture-forms");
    const std::filesystem::path& demo = demo_dir();
    const std::string tool = "cd / && " + quoted(CAPTURE_PATH) + " ";
    for (const char* form : {"file", "directory"}) {
        const std::filesystem::path scene = form[0] == 'f' ? demo / "sarnoj1.3ds" : demo;
        const std::filesystem::path dir = out.path / form;
        ASSERT_EQ(run(tool + quoted(scene) + " " + quoted(dir / "scene") +
                      " --frames 100 > /dev/null 2>&1"),
                  0)
            << form;
        ASSERT_EQ(run(tool + quoted(scene) + " --png " + quoted(dir / "display") +
                      " --first 30 --last 30 > /dev/null 2>&1"),
                  0)
            << form;
    }
    for (const char* picture : {"scene/frame-00100.0.png", "display/video-00030.png"}) {
        const std::vector<uint8_t> fromFile = read_bytes(out.path / "file" / picture);
        EXPECT_FALSE(fromFile.empty()) << picture;
        EXPECT_TRUE(fromFile == read_bytes(out.path / "directory" / picture)) << picture;
    }
    EXPECT_EQ(run(tool + quoted(out.path / "nothing-here") + " " + quoted(out.path / "x") +
                  " --frames 1 > /dev/null 2>&1"),
              1);
}
#endif
