#include "render/draw_list.h"

#include <cstdlib>
#include <cstring>

#include "core/alloc_block.h"
#include "core/fatal_error.h"
#include "render/renderer_state.h"

namespace {

char* copy_name(const char* name)
{
    char* copy = strdup(name ? name : "");
    if (!copy)
        fatal_error("Not enough memory!");
    return copy;
}

constexpr uint32_t ENTRY_BLOCK = 1024;

DrawEntry* new_entry(Face* face, DrawEntry* next)
{
    if (!renderer.drawList.spareEntries) {
        DrawEntry* block = alloc_array<DrawEntry>(ENTRY_BLOCK);
        for (uint32_t i = 0; i + 1 < ENTRY_BLOCK; ++i)
            block[i].next = &block[i + 1];
        renderer.drawList.spareEntries = block;
    }
    DrawEntry* entry = renderer.drawList.spareEntries;
    renderer.drawList.spareEntries = entry->next;
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
    LastBucket& last = renderer.drawList.lastBucket;
    if (face->material && last.material == face->material && last.scene == &scene &&
        last.bucket->entries) {
        last.bucket->entries = new_entry(face, last.bucket->entries);
        return;
    }
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
        last = {&scene, face->material, bucket};
        return;
    }
    bucket = alloc_record<DrawBucket>();
    bucket->pass = pass;
    bucket->name = pass != 0 ? copy_name(name) : nullptr;
    bucket->entries = new_entry(face, nullptr);
    bucket->next = scene.drawBuckets;
    scene.drawBuckets = bucket;
    last = {&scene, face->material, bucket};
}

void draw_entry_free(DrawEntry* entry)
{
    entry->next = renderer.drawList.spareEntries;
    renderer.drawList.spareEntries = entry;
}

void draw_list_free(Scene& scene)
{
    DrawBucket* bucket = scene.drawBuckets;
    while (bucket) {
        DrawEntry* entry = bucket->entries;
        while (entry) {
            DrawEntry* next = entry->next;
            draw_entry_free(entry);
            entry = next;
        }
        DrawBucket* next = bucket->next;
        std::free(bucket->name);
        std::free(bucket);
        bucket = next;
    }
    scene.drawBuckets = nullptr;
    renderer.drawList.lastBucket = {};
}
