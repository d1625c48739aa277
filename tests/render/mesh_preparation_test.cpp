#include "render/mesh_preparation.h"

#include <gtest/gtest.h>

#include "core/alloc_block.h"
#include "render/face_drawers.h"
#include "render/render_view.h"
#include "render/renderer.h"
#include "render/renderer_state.h"
#include "tests/support/test_scenes.h"

using namespace test_scenes;

namespace {

class MeshPreparation : public testing::Test {
protected:
    TextureMap* map(int width, int height, int chainLength = 0)
    {
        TextureMap* texture = alloc_record<TextureMap>();
        texture->width = width;
        texture->height = height;
        texture->pixels = alloc_array<uint32_t>(uint32_t(width * height));
        ImageLevel** link = &texture->levels;
        for (int i = 0; i < chainLength; ++i) {
            *link = alloc_record<ImageLevel>();
            (*link)->pixels = texture->pixels;
            link = &(*link)->next;
        }
        return texture;
    }

    // One mesh of one face per material, in a scene with or without an omni light.
    Face& face_with(Material* material, bool lit)
    {
        Scene* scene = make_scene();
        Mesh* mesh = make_square(0, 0, 1, 1, material);
        push_node(*scene, NODE_MESH, mesh, 0);
        scene->omniCount = lit ? 1 : 0;
        prepare_scene_for_device(*scene);
        return mesh->faces[0];
    }

    RecordingDevice device;
};

struct DrawerRow {
    const char* row;
    bool transparent, texture1, texture2, shininess, wireframe, noMaterial, lit;
    int shading;
    FaceDrawer expected;
};

}  // namespace

TEST_F(MeshPreparation, DrawerChoiceFollowsTheTableRowByRow)
{
    const DrawerRow rows[] = {
        {"no material", false, false, false, false, false, true, true, 1, draw_face_lines},
        {"wireframe", false, true, false, false, true, false, true, 1, draw_face_lines},
        {"textured unlit", false, true, false, false, false, false, false, 1, draw_face_textured},
        {"second texture unlit", false, false, true, false, false, false, false, 1,
         draw_face_textured},
        {"textured flat", false, true, false, false, false, false, true, 1,
         draw_face_textured_flat},
        {"textured gouraud", false, true, false, false, false, false, true, 3,
         draw_face_textured_gouraud},
        {"shininess only", false, false, false, true, false, false, true, 1, draw_face_none},
        {"flat", false, false, false, false, false, false, false, 1, draw_face_flat},
        {"gouraud", false, false, false, false, false, false, true, 2, draw_face_gouraud},
        {"blend unlit", true, true, false, false, false, false, false, 1, draw_face_blend},
        {"blend flat", true, true, false, false, false, false, true, 1, draw_face_blend_flat},
        {"blend gouraud", true, true, false, false, false, false, true, 2,
         draw_face_blend_gouraud},
        {"blend other shading", true, true, false, false, false, false, true, 3,
         draw_face_blend},
        {"transparent second texture", true, false, true, false, false, false, true, 1,
         draw_face_gouraud},
        {"transparent untextured", true, false, false, true, false, false, true, 1,
         draw_face_gouraud},
    };
    for (const DrawerRow& row : rows) {
        Material* material = nullptr;
        if (!row.noMaterial) {
            material = alloc_record<Material>();
            material->name = strdup(row.row);
            material->shading = row.shading;
            material->wireframe = row.wireframe;
            material->blendTable = row.transparent ? material : nullptr;
            material->texture1 = row.texture1 ? map(2, 2) : nullptr;
            material->texture2 = row.texture2 ? map(2, 2) : nullptr;
            material->shininessMap = row.shininess ? map(2, 2) : nullptr;
        }
        EXPECT_EQ(face_with(material, row.lit).drawer, row.expected) << row.row;
    }
}

TEST_F(MeshPreparation, SameNamedMaterialsShareTheTextureOfTheFirstInListOrder)
{
    Scene* scene = make_scene();
    Material* later = add_material(*scene, "BRICK");
    later->texture1 = map(8, 8);
    Material* first = add_material(*scene, "BRICK");  // the head of the list
    first->texture2 = map(16, 4);
    push_node(*scene, NODE_MESH, make_square(0, 0, 1, 1, first), 0);
    prepare_scene_for_device(*scene);
    EXPECT_EQ(device.library.calls_starting("D3DXCreateTexture"),
              std::vector<std::string>{"D3DXCreateTexture(256, 16, 4, 2)"});
    EXPECT_EQ(scene->drawCallback, &batch_flush);
    ASSERT_NE(find_texture_entry(*later), nullptr);
    EXPECT_STREQ(find_texture_entry(*later)->name, "BRICK");
    EXPECT_NE(find_texture_entry(*later)->name, first->name);  // a copy of its own
}

TEST_F(MeshPreparation, UnnamedTexturedMaterialsShareOneTextureAndDrawWithIt)
{
    // Materials without a name chunk: both go by the empty name, like same-named materials.
    Scene* scene = make_scene();
    Material* unnamed[2];
    for (Material*& material : unnamed) {
        material = alloc_record<Material>();
        material->texture1 = map(4, 4);
        material->next = scene->materials;
        scene->materials = material;
    }
    Mesh* mesh = make_square(0, 0, 1, 1, unnamed[0]);
    mesh->faces[1].material = unnamed[1];
    push_node(*scene, NODE_MESH, mesh, 0);
    prepare_scene_for_device(*scene);
    prepare_scene_for_device(*scene);  // a second preparation finds the registered texture
    EXPECT_EQ(device.library.calls_starting("D3DXCreateTexture").size(), 1u);
    ASSERT_EQ(mesh->faces[0].drawer, &draw_face_textured);

    device.library.clear();
    for (int i = 0; i < mesh->faceCount; ++i)
        mesh->faces[i].drawer(&mesh->faces[i]);
    batch_flush();
    EXPECT_EQ(device.library.calls_starting("SetTexture("),
              std::vector<std::string>{"SetTexture(0, tex#1)"});
    EXPECT_EQ(texture_for_material(unnamed[1]), texture_for_material(unnamed[0]));
}

TEST_F(MeshPreparation, TextureLevelsFollowTheShorterSide)
{
    create_device_texture(*map(256, 64, 7));
    EXPECT_EQ(device.library.calls_starting("D3DXCreateTexture"),
              std::vector<std::string>{"D3DXCreateTexture(0, 256, 64, 2)"});
    // log2 64 = 6 levels, filled in chain order with linear filtering.
    const auto loads = device.library.calls_starting("D3DXLoadTextureFromMemory");
    ASSERT_EQ(loads.size(), 6u);
    EXPECT_EQ(loads[0], "D3DXLoadTextureFromMemory(tex#1, 0, pixels, 2, 0, 2)");
    EXPECT_EQ(loads[5], "D3DXLoadTextureFromMemory(tex#1, 5, pixels, 2, 0, 2)");

    // A one-pixel side still loads the image's own level.
    device.library.clear();
    create_device_texture(*map(1, 16, 1));
    EXPECT_EQ(device.library.calls_starting("D3DXLoadTextureFromMemory").size(), 1u);

    // Without a chain: one level, no mip-maps. A side of 0 gives no level count to compute.
    device.library.clear();
    create_device_texture(*map(0, 5));
    EXPECT_EQ(device.library.calls_starting("D3DXLoadTextureFromMemory").size(), 1u);
}

TEST_F(MeshPreparation, BuffersAndFixedTransforms)
{
    device_buffers_setup(10, 4);
    EXPECT_EQ(device.library.calls_starting("CreateVertexBuffer"),
              (std::vector<std::string>{"CreateVertexBuffer(16, 67584, 482, 10, 0)",
                                        "CreateVertexBuffer(16, 67584, 452, 10, 0)"}));
    EXPECT_EQ(device.library.calls_starting("SetTransform"),
              (std::vector<std::string>{
                  "SetTransform(1, 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1)",
                  "SetTransform(2, 1 0 0 0 0 -1 0 0 0 0 1 0 0 0 0 1)",
                  "SetTransform(3, 1 0 0 0 0 1 0 0 0 0 1 1 0 0 -1 0)"}));
    EXPECT_EQ(renderer.buffers.faceCapacity, 4);

    // Smaller totals keep the buffers; larger ones replace them.
    device.library.clear();
    device_buffers_setup(5, 2);
    EXPECT_TRUE(device.library.calls_starting("CreateVertexBuffer").empty());
    device_buffers_setup(11, 2);
    EXPECT_EQ(device.library.calls_starting("Release"),
              (std::vector<std::string>{"Release(vb#1)", "Release(vb#2)"}));
    EXPECT_EQ(renderer.buffers.vertexCapacity, 11);
    EXPECT_EQ(renderer.buffers.faceCapacity, 4);
}

TEST_F(MeshPreparation, WrapFixedCornersCountTowardsTheVertexLimit)
{
    // 65,533 vertices and two own corners: exactly the reach of a 16-bit index.
    Scene* scene = make_scene();
    Mesh* mesh = make_mesh(65533, 1);
    set_face(*mesh, 0, 0, 1, 2, nullptr);
    mesh->faces[0].wrapFixed = 1 | 4;
    push_node(*scene, NODE_MESH, mesh, 0);
    prepare_scene_for_device(*scene);
    EXPECT_EQ(renderer.buffers.vertexCapacity, 65535);
    mesh->faces[0].wrapFixed = 7;
    EXPECT_EXIT(prepare_scene_for_device(*scene), testing::ExitedWithCode(1),
                "Too many vertices in scene for D3D");
}

using MeshPreparationDeathTest = MeshPreparation;

TEST_F(MeshPreparationDeathTest, EmptyScenesAndShortLevelChainsStop)
{
    Scene* empty = make_scene();
    EXPECT_EXIT(prepare_scene_for_device(*empty), testing::ExitedWithCode(1),
                "no vertices or no faces!");
    Scene* faceless = make_scene();
    push_node(*faceless, NODE_MESH, make_mesh(3, 0), 0);
    EXPECT_EXIT(prepare_scene_for_device(*faceless), testing::ExitedWithCode(1),
                "no vertices or no faces!");
    EXPECT_EXIT(device_buffers_setup(65536, 1), testing::ExitedWithCode(1),
                "Too many vertices in scene for D3D");
    EXPECT_EXIT(create_device_texture(*map(32, 32, 4)), testing::ExitedWithCode(1), "perkele");
}

TEST_F(MeshPreparation, UploadProjectionSendsTheViewsMatrix)
{
    Scene* scene = make_scene();
    for (int i = 0; i < 16; ++i)
        scene->view->projection.m[i] = float(i);
    upload_projection(*scene);
    EXPECT_EQ(device.library.calls_starting("SetTransform"),
              std::vector<std::string>{"SetTransform(3, 0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15)"});
}
