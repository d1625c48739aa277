#include "render/draw_list.h"

#include <gtest/gtest.h>

#include "core/alloc_block.h"
#include "tests/support/test_scenes.h"

using namespace test_scenes;

namespace {

Material* material(Scene& scene, const char* name, bool transparent, bool textured)
{
    Material* m = add_material(scene, name);
    m->blendTable = transparent ? m : nullptr;
    m->texture1 = textured ? alloc_record<TextureMap>() : nullptr;
    return m;
}

int bucket_count(const Scene& scene)
{
    int count = 0;
    for (const DrawBucket* b = scene.drawBuckets; b; b = b->next)
        ++count;
    return count;
}

}  // namespace

TEST(DrawList, PassesFollowTransparencyAndTextures)
{
    Scene* scene = make_scene();
    EXPECT_EQ(draw_pass_of(nullptr), 0);
    EXPECT_EQ(draw_pass_of(material(*scene, "A", false, false)), 1);
    EXPECT_EQ(draw_pass_of(material(*scene, "B", false, true)), 2);
    EXPECT_EQ(draw_pass_of(material(*scene, "C", true, false)), 3);
    EXPECT_EQ(draw_pass_of(material(*scene, "D", true, true)), 4);
    Material* wire = material(*scene, "E", true, true);
    wire->wireframe = 1;
    EXPECT_EQ(draw_pass_of(wire), 3);
    Material* second = material(*scene, "F", false, false);
    second->texture2 = alloc_record<TextureMap>();
    EXPECT_EQ(draw_pass_of(second), 2);
}

TEST(DrawList, BucketsByPassAndNameNewestFirst)
{
    Scene* scene = make_scene();
    Material* red = material(*scene, "RED", false, false);
    Material* redTwin = material(*scene, "RED", false, false);
    Material* blue = material(*scene, "BLUE", false, false);
    Material* redGlass = material(*scene, "RED", true, false);
    Mesh* mesh = make_mesh(3, 6);
    Material* used[6] = {red, nullptr, redTwin, blue, nullptr, redGlass};
    for (int i = 0; i < 6; ++i) {
        set_face(*mesh, i, 0, 1, 2, used[i]);
        draw_list_add(*scene, &mesh->faces[i]);
    }
    // Same name and pass share a bucket; no material shares one bucket of pass 0.
    EXPECT_EQ(bucket_count(*scene), 4);
    DrawBucket* reds = draw_list_find(scene->drawBuckets, 1, "RED");
    ASSERT_NE(reds, nullptr);
    EXPECT_EQ(reds->entries->face, &mesh->faces[2]);
    EXPECT_EQ(reds->entries->next->face, &mesh->faces[0]);
    EXPECT_NE(reds->name, red->name);
    DrawBucket* none = draw_list_find(scene->drawBuckets, 0, nullptr);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->name, nullptr);
    EXPECT_EQ(none->entries->face, &mesh->faces[4]);
    EXPECT_EQ(draw_list_find(scene->drawBuckets, 3, "RED")->entries->face, &mesh->faces[5]);
    EXPECT_EQ(draw_list_find(scene->drawBuckets, 2, "RED"), nullptr);
    EXPECT_EQ(scene->drawBuckets->pass, 3);  // the newest bucket heads the list

    draw_list_free(*scene);
    EXPECT_EQ(scene->drawBuckets, nullptr);
}

TEST(DrawList, AnUnnamedMaterialFilesUnderTheEmptyName)
{
    Scene* scene = make_scene();
    Material* nameless = alloc_record<Material>();
    Mesh* mesh = make_mesh(3, 2);
    set_face(*mesh, 0, 0, 1, 2, nameless);
    set_face(*mesh, 1, 0, 1, 2, nameless);
    draw_list_add(*scene, &mesh->faces[0]);
    draw_list_add(*scene, &mesh->faces[1]);
    EXPECT_EQ(bucket_count(*scene), 1);
    EXPECT_STREQ(scene->drawBuckets->name, "");
}

TEST(DrawListDeathTest, ABucketWithoutEntriesIsFatal)
{
    Scene* scene = make_scene();
    Material* red = material(*scene, "RED", false, false);
    Mesh* mesh = make_mesh(3, 2);
    set_face(*mesh, 0, 0, 1, 2, red);
    set_face(*mesh, 1, 0, 1, 2, nullptr);
    draw_list_add(*scene, &mesh->faces[0]);
    draw_list_add(*scene, &mesh->faces[1]);
    for (DrawBucket* b = scene->drawBuckets; b; b = b->next)
        b->entries = nullptr;
    EXPECT_EXIT(draw_list_find(scene->drawBuckets, 1, "RED"), testing::ExitedWithCode(1),
                "Incorrect use of DRAW_LIST-structure");
    EXPECT_EXIT(draw_list_add(*scene, &mesh->faces[1]), testing::ExitedWithCode(1),
                "super perkele");
}
