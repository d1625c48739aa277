#include "render/draw_list.h"

#include <cstdlib>
#include <cstring>

#include "app/core/alloc_block.h"
#include "app/core/fatal_error.h"

namespace {

char* copy_name(const char* name)
{
    char* copy = strdup(name ? name : "");
    if (!copy)
        fatal_error("Not enough memory!");
    return copy;
}

DrawEntry* new_entry(Face* face, DrawEntry* next)
{
    DrawEntry* entry = alloc_record<DrawEntry>();
    entry->face = face;
    entry->next = next;
    return entry;
}

}  // namespace

int draw_pass_of(const Material* material)
{
    if (!material)
        return 0;
    const bool plain = material->wireframe || (!material->texture1 && !material->texture2);
    if (!material->blendTable)
        return plain ? 1 : 2;
    return plain ? 3 : 4;
}

DrawBucket* draw_list_find(DrawBucket* head, int pass, const char* name)
{
    for (DrawBucket* bucket = head; bucket; bucket = bucket->next) {
        if (bucket->pass != pass)
            continue;
        if (!name)
            return bucket;
        if (!bucket->entries)
            fatal_error("Incorrect use of DRAW_LIST-structure");
        if (bucket->name && std::strcmp(bucket->name, name) == 0)
            return bucket;
    }
    return nullptr;
}

void draw_list_add(Scene& scene, Face* face)
{
    const int pass = draw_pass_of(face->material);
    // A material the file left unnamed files under the empty name, apart from pass 0.
    const char* name = nullptr;
    if (pass != 0)
        name = face->material->name ? face->material->name : "";

    DrawBucket* bucket = draw_list_find(scene.drawBuckets, pass, name);
    if (bucket) {
        if (!bucket->entries)
            fatal_error("super perkele");
        bucket->entries = new_entry(face, bucket->entries);
        return;
    }
    bucket = alloc_record<DrawBucket>();
    bucket->pass = pass;
    bucket->name = pass != 0 ? copy_name(name) : nullptr;
    bucket->entries = new_entry(face, nullptr);
    bucket->next = scene.drawBuckets;
    scene.drawBuckets = bucket;
}

void draw_list_free(Scene& scene)
{
    DrawBucket* bucket = scene.drawBuckets;
    while (bucket) {
        DrawEntry* entry = bucket->entries;
        while (entry) {
            DrawEntry* next = entry->next;
            std::free(entry);
            entry = next;
        }
        DrawBucket* next = bucket->next;
        std::free(bucket->name);
        std::free(bucket);
        bucket = next;
    }
    scene.drawBuckets = nullptr;
}
