// The scenes made by other people's tools load with every mesh, face and vertex, their texture
// names found on disk whatever their case.

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/scene_fixture.h"
#include "tests/support/skip_or_fail.h"

namespace fs = std::filesystem;
using namespace scene_test;

namespace {

struct Expected {
    const char* file;
    int meshes, faces, vertices;
};

class RealFiles : public testing::TestWithParam<Expected> {};

}  // namespace

TEST_P(RealFiles, LoadWithTheirCounts)
{
    const Expected& expected = GetParam();
    fs::path dir = fs::path(SHARED_DIR) / "scenes";
    if (!fs::exists(dir / expected.file))
        SKIP_OR_FAIL_IN_CI("no " << (dir / expected.file));
    Scene* scene = nullptr;
    std::string stop;
    {
        testing_support::InDirectory inside(dir);
        stop = fatal_message([&] { scene = build_scene(expected.file, 640, 480, no_preparation); });
    }
    ASSERT_EQ(stop, "");
    int meshes = 0, faces = 0, vertices = 0;
    for (SceneNode* node = scene->nodes; node; node = node->next) {
        if (node->type != NODE_MESH)
            continue;
        Mesh& mesh = *static_cast<Mesh*>(node->data);
        ++meshes;
        faces += mesh.faceCount;
        vertices += mesh.vertexCount;
        for (int i = 0; i < mesh.vertexCount; ++i) {
            const float* n = mesh.vertices[i].normal;
            float length = n[0] * n[0] + n[1] * n[1] + n[2] * n[2];
            EXPECT_TRUE(length == 0 || std::abs(length - 1) < 1e-3f);
        }
    }
    EXPECT_EQ(meshes, expected.meshes);
    EXPECT_EQ(faces, expected.faces);
    EXPECT_EQ(vertices, expected.vertices);
    for (Material* m = scene->materials; m; m = m->next)
        for (TextureMap* map : {m->texture1, m->texture2})
            if (map) {
                EXPECT_NE(map->pixels, nullptr) << m->name;
                EXPECT_NE(map->levels, nullptr) << m->name;
            }
    EXPECT_NE(scene->view, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Scenes, RealFiles,
                         testing::Values(Expected{"test1.3ds", 9, 108, 288},
                                         Expected{"jeep1.3ds", 7, 2032, 1948},
                                         Expected{"fels.3ds", 1, 768, 386},
                                         Expected{"Granate.3DS", 2, 376, 192},
                                         Expected{"RotatingCube.3DS", 1, 12, 26},
                                         Expected{"TargetCameraAnim.3ds", 1, 12, 26}),
                         [](const auto& info) {
                             std::string name = info.param.file;
                             return name.substr(0, name.find('.'));
                         });
