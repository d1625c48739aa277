#include "render/face_drawers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/alloc_block.h"
#include "render/mesh_preparation.h"
#include "render/render_view.h"
#include "render/renderer_state.h"
#include "tests/support/test_scenes.h"

using namespace test_scenes;
using testing_gfx::RecordedDraw;

namespace {

class FaceDrawers : public testing::Test {
protected:
    void SetUp() override
    {
        scene = make_scene();
        device_buffers_setup(64, 16);
        device.library.clear();
    }

    // A square whose vertices sit in camera space where the device would see them.
    Mesh* square(Material* material, FaceDrawer drawer)
    {
        Mesh* mesh = make_square(-1, -1, 1, 1, material);
        for (int i = 0; i < mesh->vertexCount; ++i) {
            Vertex& v = mesh->vertices[i];
            v.viewPosition[0] = v.position[0];
            v.viewPosition[1] = v.position[1];
            v.viewPosition[2] = 20.0f;
            v.viewPosition[3] = 1.0f;
        }
        for (int i = 0; i < mesh->faceCount; ++i)
            mesh->faces[i].drawer = drawer;
        return mesh;
    }

    // Draws every face of the meshes as one bucket.
    void bucket(std::initializer_list<Mesh*> meshes)
    {
        for (Mesh* mesh : meshes)
            for (int i = 0; i < mesh->faceCount; ++i)
                mesh->faces[i].drawer(&mesh->faces[i]);
        batch_flush();
    }

    Material* textured(const char* name)
    {
        Material* material = add_material(*scene, name);
        material->texture1 = alloc_record<TextureMap>();
        material->texture1->width = material->texture1->height = 4;
        material->texture1->pixels = alloc_array<uint32_t>(16);
        register_material_texture(*material);
        return material;
    }

    std::vector<std::string> states() const
    {
        std::vector<std::string> found = device.library.calls_starting("SetRenderState");
        for (const std::string& call : device.library.calls_starting("SetTexture("))
            found.push_back(call);
        return found;
    }

    RecordingDevice device;
    Scene* scene = nullptr;
};

std::string render_state(D3DRENDERSTATETYPE state, uint32_t value)
{
    return "SetRenderState(" + std::to_string(state) + ", " + std::to_string(value) + ")";
}

}  // namespace

TEST_F(FaceDrawers, EqualStatesAreNotSentAgainAndCullModeFollowsTwoSidedness)
{
    Material* one = add_material(*scene, "ONE");
    Material* other = add_material(*scene, "OTHER");
    Material* twoSided = add_material(*scene, "TWO");
    twoSided->twoSided = 1;

    bucket({square(one, draw_face_gouraud)});
    // The device starts with solid fill, Gouraud shading and no culling: only the cull mode moves.
    EXPECT_EQ(states(),
              std::vector<std::string>{render_state(D3DRENDERSTATE_CULLMODE, D3DCULL_CW)});

    device.library.clear();
    bucket({square(other, draw_face_gouraud)});
    EXPECT_TRUE(states().empty());

    device.library.clear();
    bucket({square(twoSided, draw_face_gouraud)});
    bucket({square(one, draw_face_flat)});
    EXPECT_EQ(states(), (std::vector<std::string>{
                            render_state(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE),
                            render_state(D3DRENDERSTATE_CULLMODE, D3DCULL_CW),
                            render_state(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT)}));
}

TEST_F(FaceDrawers, StatesGoInTheirOrderAndBlendFactorsFollowAdditiveMaterials)
{
    Material* glass = textured("GLASS");
    glass->blendTable = glass;
    glass->twoSided = 1;
    Material* glow = textured("GLOW");
    glow->blendTable = glow;
    glow->additive = 1;
    glow->twoSided = 1;

    bucket({square(glow, draw_face_blend)});
    EXPECT_EQ(states(), (std::vector<std::string>{
                            render_state(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT),
                            render_state(D3DRENDERSTATE_ALPHABLENDENABLE, 1),
                            render_state(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE),
                            render_state(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA),
                            "SetTexture(0, tex#2)"}));
    // Cull, fill and shade before the texture, blending after it.
    const auto& calls = device.library.calls;
    auto at = [&](const std::string& call) {
        return std::find(calls.begin(), calls.end(), call) - calls.begin();
    };
    EXPECT_LT(at(render_state(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT)),
              at("SetTexture(0, tex#2)"));
    EXPECT_LT(at("SetTexture(0, tex#2)"), at(render_state(D3DRENDERSTATE_ALPHABLENDENABLE, 1)));

    device.library.clear();
    bucket({square(glass, draw_face_blend_gouraud)});
    EXPECT_EQ(states(), (std::vector<std::string>{
                            render_state(D3DRENDERSTATE_SHADEMODE, D3DSHADE_GOURAUD),
                            render_state(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA),
                            render_state(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA),
                            "SetTexture(0, tex#1)"}));

    device.library.clear();
    bucket({square(add_material(*scene, "PLAIN"), draw_face_gouraud)});
    EXPECT_EQ(states(), (std::vector<std::string>{
                            render_state(D3DRENDERSTATE_CULLMODE, D3DCULL_CW),
                            render_state(D3DRENDERSTATE_ALPHABLENDENABLE, 0),
                            "SetTexture(0, null)"}));
}

TEST_F(FaceDrawers, TexturesAreSetOnlyOnChange)
{
    Material* wood = textured("WOOD");
    Material* stone = textured("STONE");
    Material* plain = add_material(*scene, "PLAIN");
    bucket({square(wood, draw_face_textured)});
    bucket({square(wood, draw_face_textured_flat)});
    bucket({square(plain, draw_face_flat)});
    bucket({square(plain, draw_face_gouraud)});
    bucket({square(stone, draw_face_textured_gouraud)});
    EXPECT_EQ(device.library.calls_starting("SetTexture("),
              (std::vector<std::string>{"SetTexture(0, tex#1)", "SetTexture(0, null)",
                                        "SetTexture(0, tex#2)"}));
}

TEST_F(FaceDrawers, ASharedVertexIsWrittenOncePerBatchWithTheColourOfItsFirstFace)
{
    Mesh* mesh = square(add_material(*scene, "FLAT"), draw_face_flat);
    mesh->faces[0].faceColour[0] = 1.0f;  // red
    mesh->faces[1].faceColour[2] = 1.0f;  // blue
    bucket({mesh});
    bucket({mesh});
    const auto& draws = device.library.draws;
    ASSERT_EQ(draws.size(), 2u);
    for (const RecordedDraw& draw : draws) {
        EXPECT_EQ(draw.type, D3DPT_TRIANGLELIST);
        ASSERT_EQ(draw.vertices.size(), 4u);  // written again in the second batch
        EXPECT_EQ(draw.indices, (std::vector<uint16_t>{0, 1, 2, 0, 2, 3}));
        EXPECT_EQ(draw.vertices[0].color, 0xFF0000u);
        EXPECT_EQ(draw.vertices[2].color, 0xFF0000u);
        EXPECT_EQ(draw.vertices[3].color, 0x0000FFu);
        EXPECT_EQ(draw.vertices[3].specular, 0u);
        EXPECT_EQ(draw.vertices[1].x, 1.0f);
        EXPECT_EQ(draw.vertices[1].z, 20.0f);
    }
}

TEST_F(FaceDrawers, WrapFixedCornersGetVerticesOfTheirOwnAndEnvMapsTakeEnvCoordinates)
{
    Mesh* mesh = square(textured("TILE"), draw_face_textured);
    mesh->faces[1].wrapFixed = 1;  // corner a (vertex 0) shifted
    mesh->faces[1].uv[0][0] = 2.0f;
    bucket({mesh});
    const RecordedDraw& draw = device.library.draws.at(0);
    ASSERT_EQ(draw.vertices.size(), 5u);
    EXPECT_EQ(draw.indices, (std::vector<uint16_t>{0, 1, 2, 3, 2, 4}));
    EXPECT_EQ(draw.vertices[3].tu, 2.0f);
    EXPECT_EQ(draw.vertices[3].x, -1.0f);
    EXPECT_EQ(draw.vertices[0].tu, 0.0f);
    EXPECT_EQ(draw.vertices[0].color, 0xFFFFFFu);

    // The same face with an environment map: every corner, own or shared, takes envU, envV.
    Material* chrome = textured("CHROME");
    chrome->envMapped = 1;
    Mesh* shiny = square(chrome, draw_face_textured);
    shiny->faces[1].wrapFixed = 1;
    for (int i = 0; i < 4; ++i) {
        shiny->vertices[i].envU = 0.1f * float(i + 1);
        shiny->vertices[i].envV = 0.5f;
    }
    device.library.clear();
    bucket({shiny});
    const RecordedDraw& env = device.library.draws.at(0);
    ASSERT_EQ(env.vertices.size(), 5u);
    EXPECT_FLOAT_EQ(env.vertices[3].tu, 0.1f);
    EXPECT_FLOAT_EQ(env.vertices[4].tu, 0.4f);
    EXPECT_FLOAT_EQ(env.vertices[1].tv, 0.5f);
}

TEST_F(FaceDrawers, UntexturedDrawersIgnoreWrapFixedCorners)
{
    Mesh* mesh = square(add_material(*scene, "PLAIN"), draw_face_gouraud);
    mesh->faces[1].wrapFixed = 7;
    bucket({mesh});
    EXPECT_EQ(device.library.draws.at(0).vertices.size(), 4u);
}

TEST_F(FaceDrawers, ABucketThatDrawsNothingOpensNoBatchAndFlushesNothing)
{
    Material* shiny = add_material(*scene, "SHINY");
    shiny->shininessMap = alloc_record<TextureMap>();
    bucket({square(add_material(*scene, "PLAIN"), draw_face_gouraud)});
    device.library.clear();
    bucket({square(shiny, draw_face_none)});
    EXPECT_TRUE(device.library.calls.empty());
    EXPECT_EQ(renderer.batch.batchOpen, 0);
}

TEST_F(FaceDrawers, FlushUnlocksOptimisesProcessesAndDraws)
{
    bucket({square(add_material(*scene, "PLAIN"), draw_face_gouraud)});
    const std::vector<std::string> expected{
        "Lock(vb#1, 33)",
        "SetRenderState(22, 2)",
        "Unlock(vb#1)",
        "Optimize(vb#1, 0)",
        "ProcessVertices(vb#2, 5, 0, 4, vb#1, 0, 0)",
        "DrawIndexedPrimitiveVB(4, vb#2, 0, 4, 6, 0)"};
    EXPECT_EQ(device.library.calls, expected);
    EXPECT_EQ(renderer.batch.batchOpen, 0);
}

TEST_F(FaceDrawers, LinesFollowTheEdgeFlags)
{
    Mesh* mesh = square(nullptr, draw_face_lines);
    mesh->faces[0].flags = 4 | 1;  // a-b and c-a
    mesh->faces[1].flags = 0;
    for (int i = 0; i < 4; ++i)
        mesh->vertices[i].light[1] = 1.0f;
    bucket({mesh});
    const RecordedDraw& draw = device.library.draws.at(0);
    EXPECT_EQ(draw.type, D3DPT_LINELIST);
    EXPECT_EQ(draw.indices, (std::vector<uint16_t>{0, 1, 2, 0}));
    ASSERT_EQ(draw.vertices.size(), 3u);
    EXPECT_EQ(draw.vertices[0].color, 0x00FF00u);
    EXPECT_EQ(device.library.calls_starting("SetRenderState"),
              std::vector<std::string>{render_state(D3DRENDERSTATE_FILLMODE, D3DFILL_WIREFRAME)});
}

TEST_F(FaceDrawers, OneSidedLinesTestFacingOnlyWithThisFramesReciprocalW)
{
    Material* wire = add_material(*scene, "WIRE");
    wire->wireframe = 1;
    Mesh* mesh = square(wire, draw_face_lines);
    // Projected, the corners run clockwise on screen: s <= 0, the face looks away.
    const float clip[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (int i = 0; i < 4; ++i) {
        Vertex& v = mesh->vertices[i];
        v.clipPosition[0] = clip[i][0];
        v.clipPosition[1] = clip[i][1];
        v.screen[2] = 1.0f;
        v.outcode = CLIP_COMPLETE | CLIP_RECIPROCAL_W;
    }
    bucket({mesh});
    EXPECT_TRUE(device.library.draws.at(0).indices.empty());

    // A corner outside the view keeps a reciprocal w of some earlier frame: the test is skipped.
    mesh->vertices[2].outcode = CLIP_USED | CLIP_NEAR;
    mesh->vertices[2].screen[2] = -1000.0f;
    device.library.clear();
    bucket({mesh});
    EXPECT_EQ(device.library.draws.at(0).indices.size(), 12u);

    // Two-sided wireframe never tests.
    wire->twoSided = 1;
    mesh->vertices[2].outcode = CLIP_COMPLETE | CLIP_RECIPROCAL_W;
    device.library.clear();
    bucket({mesh});
    EXPECT_EQ(device.library.draws.at(0).indices.size(), 12u);

    // One-sided again, face 0 alone: a, b, c run counter-clockwise in clip space and the face
    // looks at the camera, so its edges are drawn...
    wire->twoSided = 0;
    mesh->faces[1].flags = 0;
    const float turned[3][2] = {{1, -1}, {1, 1}, {3, 0}};
    for (int i = 0; i < 3; ++i) {
        mesh->vertices[i].clipPosition[0] = turned[i][0];
        mesh->vertices[i].clipPosition[1] = turned[i][1];
        mesh->vertices[i].screen[2] = 1.0f;
    }
    device.library.clear();
    bucket({mesh});
    EXPECT_EQ(device.library.draws.at(0).indices.size(), 6u);
    // ...but on screen c lies at (3, 0) x its reciprocal w: at a quarter it crosses the line a-b,
    // and the face turns away.
    mesh->vertices[2].screen[2] = 0.25f;
    device.library.clear();
    bucket({mesh});
    EXPECT_TRUE(device.library.draws.at(0).indices.empty());
}

TEST(ColourPacking, RoundsClampsAndMapsNaNToZero)
{
    const float mixed[3] = {1.0f, 0.5f, 0.0f};
    EXPECT_EQ(pack_colour(mixed), 0xFF8000u);
    const float wild[3] = {2.0f, -1.0f, std::nanf("")};
    EXPECT_EQ(pack_colour(wild), 0xFF0000u);
    const float infinite[3] = {-INFINITY, INFINITY, 0.02f};
    EXPECT_EQ(pack_colour(infinite), 0x00FF05u);
}

TEST_F(FaceDrawers, TexturesAreFoundByMaterialName)
{
    Material* wood = textured("WOOD");
    Material* twin = add_material(*scene, "WOOD");
    EXPECT_NE(texture_for_material(wood), nullptr);
    EXPECT_EQ(texture_for_material(twin), texture_for_material(wood));
    EXPECT_EQ(texture_for_material(add_material(*scene, "NONE")), nullptr);
    EXPECT_EQ(texture_for_material(nullptr), nullptr);
}

using FaceDrawersDeathTest = FaceDrawers;

TEST_F(FaceDrawersDeathTest, ABatchBeyondTheBuffersStopsBeforeWritingPastThem)
{
    // Limits below the buffers' real size: the check must stop the face, not the buffer end.
    renderer.buffers.vertexCapacity = 3;
    renderer.buffers.faceCapacity = 1;
    Mesh* mesh = square(add_material(*scene, "PLAIN"), draw_face_gouraud);
    EXPECT_EXIT(bucket({mesh}), testing::ExitedWithCode(1), "Too many vertices!");
    renderer.buffers.vertexCapacity = 64;
    EXPECT_EXIT(bucket({mesh}), testing::ExitedWithCode(1), "Too many faces!");
    Mesh* lines = square(nullptr, draw_face_lines);
    renderer.buffers.faceCapacity = 1;  // six indices: the second face's edges do not fit
    EXPECT_EXIT(bucket({lines}), testing::ExitedWithCode(1), "Too many faces!");
}
